#include "ui/QtSettingsStore.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <filesystem>

#include "../config/ChangedSettings.h"
#include "config/Settings.h"

using ::testing::IsEmpty;
using ::testing::SizeIs;

namespace {

class QtSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Writes a settings file by hand, as an operator or an older program might have left it.
    QString WriteFile(const QByteArray& text) const {
        const QString path = Path("hand.conf");
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return path;
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(QtSettingsStoreTest, AMissingFileReadsAsAFirstStartAndIsNotCreated) {
    QtSettingsStore store(Path("none.conf"));
    EXPECT_EQ(ReadSettings(store), Settings{});
    EXPECT_FALSE(QFileInfo::exists(Path("none.conf")));
}

TEST_F(QtSettingsStoreTest, EveryValueComesBackFromTheFile) {
    {
        QtSettingsStore store(Path("corralix.conf"));
        ASSERT_THAT(WriteSettings(store, ChangedSettings()), IsEmpty());
    }
    QtSettingsStore reopened(Path("corralix.conf"));
    EXPECT_EQ(ReadSettings(reopened), ChangedSettings());
}

TEST_F(QtSettingsStoreTest, TheFileWithTheBrokersPasswordIsReadableByTheUserOnlyFromTheStart) {
    namespace fs = std::filesystem;
    const auto userOnly = fs::perms::owner_read | fs::perms::owner_write;
    const QString path = WriteFile("[General]\nLeft=100\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther));
    {
        // Private while the program runs, before anything is written (a kill writes nothing).
        QtSettingsStore store(path);
        EXPECT_EQ(fs::status(path.toStdString()).permissions(), userOnly);
    }
    ASSERT_TRUE(QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ReadOther));
    for (const QString& file : {Path("new.conf"), path}) {
        QtSettingsStore store(file);
        ASSERT_THAT(WriteSettings(store, ChangedSettings()), IsEmpty());
        EXPECT_EQ(fs::status(file.toStdString()).permissions(), userOnly) << file.toStdString();
    }
}

TEST_F(QtSettingsStoreTest, TextIsAskedForByTheTypeItIsKeptAs) {
    {
        QtSettingsStore store(Path("corralix.conf"));
        Settings s = ChangedSettings();
        s.LastFileName = "2024";
        ASSERT_THAT(WriteSettings(store, s), IsEmpty());
        ASSERT_TRUE(store.WriteInteger("Port", 0x1FF));
    }
    QtSettingsStore reopened(Path("corralix.conf"));
    const Settings s = ReadSettings(reopened);
    EXPECT_EQ(s.LastFileName, "2024");
    EXPECT_EQ(s.Monitor, 1);
    EXPECT_EQ(s.Port, 0xFF);
}

TEST_F(QtSettingsStoreTest, TextThatIsNotANumberEndsTheReading) {
    QtSettingsStore store(WriteFile("[General]\nLeft=100\nTop=abc\nWidth=1000\n"));
    const Settings s = ReadSettings(store);
    EXPECT_EQ(s.Left, 100);
    EXPECT_EQ(s.Top, 214);
    EXPECT_EQ(s.Width, 1343);

    std::int32_t value = 77;
    EXPECT_EQ(store.ReadInteger("Top", value), ReadStatus::WrongType);
    EXPECT_EQ(store.ReadInteger("Height", value), ReadStatus::Absent);
    EXPECT_EQ(value, 77);
}

TEST_F(QtSettingsStoreTest, AFileNameThatIsNotPlainTextEndsTheReading) {
    QtSettingsStore store(
        WriteFile("[General]\nLeft=1\nTop=2\nWidth=1000\nHeight=700\nLeft2=0\nTop2=0\n"
                  "Width2=0\nHeight2=0\nPort=4\nAlg=0\nCountDown=1\nCountDownSek=30000\n"
                  "TimeWarnung=10000\nTimeLock=10000\nAbbruch=1\nSoundCountDown=1\n"
                  "SoundWarnung=1\nSoundAbbruch=0\nFullScreen=1\n"
                  "LastFileName=/home/a, b.txt\nMonitor=2\n"));
    const Settings s = ReadSettings(store);
    EXPECT_EQ(s.Port, 4);
    EXPECT_TRUE(s.FullScreen);
    EXPECT_EQ(s.LastFileName, "");
    EXPECT_EQ(s.Monitor, 0);
}

TEST_F(QtSettingsStoreTest, AFileWithLinesThatAreNoSettingsIsReplacedWithoutAFailure) {
    const QString path = WriteFile("[General]\nLeft=100\n\x01\x02 junk without equals\nTop=abc\n");
    {
        QtSettingsStore store(path);
        EXPECT_EQ(ReadSettings(store).Left, 100);
        EXPECT_THAT(WriteSettings(store, ChangedSettings()), IsEmpty());
    }
    QtSettingsStore reopened(path);
    EXPECT_EQ(ReadSettings(reopened), ChangedSettings());
}

TEST_F(QtSettingsStoreTest, AFileThatCannotBeWrittenReportsEveryValue) {
    QFile blocker(Path("plain-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QtSettingsStore store(Path("plain-file/corralix.conf"));
    const std::vector<std::string> failed = WriteSettings(store, ChangedSettings());
    EXPECT_THAT(failed, SizeIs(40));
    EXPECT_EQ(failed.front(), "Left");
    EXPECT_EQ(failed.back(), "TimerPrimary");
}

TEST_F(QtSettingsStoreTest, TheUserStoreIsNamedAfterTheProgramUnderBrindlewerk) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir_.path());
    int argc = 1;
    char program[] = "ui_settingsstore_test";
    char* argv[] = {program, nullptr};
    QCoreApplication app(argc, argv);
    {
        QtSettingsStore store;
        EXPECT_EQ(store.FileName(), Path("Brindlewerk/ui_settingsstore_test.conf"));
        ASSERT_THAT(WriteSettings(store, ChangedSettings()), IsEmpty());
    }
    QtSettingsStore reopened;
    EXPECT_EQ(ReadSettings(reopened), ChangedSettings());
}
