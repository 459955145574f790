#include "ui/QtCuePlayer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include "QtTestApp.h"

namespace fs = std::filesystem;

namespace {

const fs::path kAssets =
    fs::path(CORRALIX_TEST_DATA).parent_path().parent_path().parent_path() / "assets";
const std::array<const char*, 5> kCues = {"Audio-Timer.wav", "Audio-Start.wav", "Audio-Stop.wav",
                                          "Audio-Warnung.wav", "Audio-Abbruch.wav"};

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t LittleEndian(const std::string& bytes, std::size_t at, int size) {
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + i));
    }
    return value;
}

// Collects every message Qt reports while it lives.
class MessageCatcher {
public:
    MessageCatcher() { previous_ = qInstallMessageHandler(&MessageCatcher::Catch); }
    ~MessageCatcher() { qInstallMessageHandler(previous_); }
    static inline std::vector<QString> messages;

private:
    static void Catch(QtMsgType, const QMessageLogContext&, const QString& text) {
        messages.push_back(text);
    }
    QtMessageHandler previous_;
};

// Cue files load on a thread of their own; this gives loading and playback time to happen
// (or to fail for want of an audio device) while the event loop runs.
void LetCuesLoad() {
    QTest::qWait(300);
}

}  // namespace

class ResolveCueFileTest : public testing::Test {
protected:
    QTemporaryDir working_;
    QTemporaryDir program_;
    std::string Working() const { return working_.path().toStdString(); }
    std::string Program() const { return program_.path().toStdString(); }
};

TEST_F(ResolveCueFileTest, WorkingDirectoryComesBeforeTheProgramFolder) {
    WriteFile(fs::path(Working()) / "Audio-Start.wav", "w");
    WriteFile(fs::path(Program()) / "Audio-Start.wav", "p");
    EXPECT_EQ(ResolveCueFile("Audio-Start.wav", Working(), Program()),
              (fs::path(Working()) / "Audio-Start.wav").string());
}

TEST_F(ResolveCueFileTest, ProgramFolderServesWhenTheWorkingDirectoryLacksTheCue) {
    WriteFile(fs::path(Program()) / "Audio-Stop.wav", "p");
    EXPECT_EQ(ResolveCueFile("Audio-Stop.wav", Working(), Program()),
              (fs::path(Program()) / "Audio-Stop.wav").string());
}

TEST_F(ResolveCueFileTest, MissingEmptyOrFolderNamesResolveToNothing) {
    fs::create_directory(fs::path(Working()) / "Audio-Timer.wav");
    EXPECT_EQ(ResolveCueFile("Audio-Timer.wav", Working(), Program()), "");
    EXPECT_EQ(ResolveCueFile("Audio-Warnung.wav", Working(), Program()), "");
    EXPECT_EQ(ResolveCueFile("", Working(), Program()), "");
    EXPECT_EQ(ResolveCueFile("Audio-Warnung.wav", "", ""), "");
}

TEST_F(ResolveCueFileTest, NameWithAFolderIsTakenAsItIs) {
    const fs::path cue = fs::path(Program()) / "Audio-Abbruch.wav";
    WriteFile(cue, "p");
    EXPECT_EQ(ResolveCueFile(cue.string(), Working(), "/nowhere"), cue.string());
    EXPECT_EQ(
        ResolveCueFile((fs::path(Working()) / "Audio-Abbruch.wav").string(), Working(), Program()),
        "")
        << "a named folder is not searched elsewhere";
}

TEST(QtCuePlayer, MissingOrEmptyCueIsSilentAndReportsNothing) {
    MessageCatcher catcher;
    MessageCatcher::messages.clear();
    QtCuePlayer player;
    EXPECT_NO_THROW(player.PlayCue("Audio-Gibtsnicht.wav"));
    EXPECT_NO_THROW(player.PlayCue(""));
    EXPECT_NO_THROW(player.PlayCue("/no/such/folder/Audio-Start.wav"));
    QApplication::processEvents();
    EXPECT_TRUE(MessageCatcher::messages.empty());
}

TEST(QtCuePlayer, CuesCutEachOtherOffWithoutAudioDeviceTrouble) {
    // Possibly no audio device here: playing must stay harmless and must not block.
    QtCuePlayer player;
    for (const char* cue : kCues) {
        player.PlayCue((kAssets / cue).string());  // cuts off the one before, maybe still loading
    }
    LetCuesLoad();
    player.PlayCue((kAssets / kCues[0]).string());
    player.PlayCue((kAssets / kCues[0]).string());
    QApplication::processEvents();
}  // and the player goes while a cue plays

TEST(QtCuePlayer, BareNameIsFoundInTheWorkingDirectory) {
    QTemporaryDir working;
    fs::copy_file(kAssets / "Audio-Start.wav",
                  fs::path(working.path().toStdString()) / "Audio-Start.wav");
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(working.path()));
    EXPECT_EQ(ResolveCueFile("Audio-Start.wav", QDir::currentPath().toStdString(),
                             QCoreApplication::applicationDirPath().toStdString()),
              (fs::path(working.path().toStdString()) / "Audio-Start.wav").string());
    QtCuePlayer player;
    player.PlayCue("Audio-Start.wav");
    LetCuesLoad();
    QDir::setCurrent(before);
}

TEST(QtCuePlayer, UnreadableCueFilePlaysNothingHarmlessly) {
    QTemporaryDir dir;
    const fs::path broken = fs::path(dir.path().toStdString()) / "Audio-Stop.wav";
    WriteFile(broken, "this is no sound");
    QtCuePlayer player;
    player.PlayCue(broken.string());
    LetCuesLoad();
    player.PlayCue(broken.string());
    QApplication::processEvents();
}

TEST(ShippedCues, AreSmallMonoPcmWaves) {
    for (const char* cue : kCues) {
        SCOPED_TRACE(cue);
        const std::string bytes = ReadFile(kAssets / cue);
        ASSERT_GE(bytes.size(), 44u);
        EXPECT_LT(bytes.size(), 60u * 1024);
        EXPECT_EQ(bytes.substr(0, 4), "RIFF");
        EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
        EXPECT_EQ(LittleEndian(bytes, 20, 2), 1u) << "PCM";
        EXPECT_EQ(LittleEndian(bytes, 22, 2), 1u) << "mono";
        EXPECT_EQ(LittleEndian(bytes, 24, 4), 44100u);
        EXPECT_EQ(LittleEndian(bytes, 34, 2), 16u);
    }
}

TEST(ShippedCues, LoadAsSoundEffects) {
    for (const char* cue : kCues) {
        SCOPED_TRACE(cue);
        QSoundEffect effect;
        effect.setSource(QUrl::fromLocalFile(QString::fromStdString((kAssets / cue).string())));
        QTRY_VERIFY_WITH_TIMEOUT(effect.status() != QSoundEffect::Loading, 5000);
        EXPECT_EQ(effect.status(), QSoundEffect::Ready);
    }
}
