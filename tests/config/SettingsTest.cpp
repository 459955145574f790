#include "config/Settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChangedSettings.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace {

// The stored value names as users' keys hold them, in reading and writing order.
const std::vector<std::string> StoredOrder = {
    "Left", "Top", "Width", "Height", "Left2", "Top2", "Width2", "Height2", "Port", "Alg",
    "CountDown", "CountDownSek", "TimeWarnung", "TimeLock", "Abbruch", "SoundCountDown",
    "SoundWarnung", "SoundAbbruch", "FullScreen", "LastFileName", "Monitor", "PortName",
    "LiveResults", "LivePort", "LiveAddress", "Mqtt", "MqttHost", "MqttPort", "MqttTls",
    "MqttCaFile", "MqttUser", "MqttPassword", "MqttPrefix", "Arena",
    // The second timing source.
    "BackupPort", "BackupTolerance", "TimerPort", "TimerFormat", "TimerBaud", "TimerPrimary"};

// Leaves one value out, as if it had never been stored or could not be.
class DroppingStore : public MemorySettingsStore {
public:
    DroppingStore(std::string dropped, bool reportFailure)
        : dropped_(std::move(dropped)), reportFailure_(reportFailure) {}

    bool WriteInteger(std::string_view name, std::int32_t value) override {
        return name == dropped_ ? !reportFailure_ : MemorySettingsStore::WriteInteger(name, value);
    }
    bool WriteString(std::string_view name, std::string_view value) override {
        return name == dropped_ ? !reportFailure_ : MemorySettingsStore::WriteString(name, value);
    }

private:
    std::string dropped_;
    bool reportFailure_;
};

// Records the names asked for and written.
class RecordingStore : public MemorySettingsStore {
public:
    ReadStatus ReadInteger(std::string_view name, std::int32_t& value) override {
        reads_.emplace_back(name);
        return MemorySettingsStore::ReadInteger(name, value);
    }
    ReadStatus ReadString(std::string_view name, std::string& value) override {
        reads_.emplace_back(name);
        stringReads_.emplace_back(name);
        return MemorySettingsStore::ReadString(name, value);
    }
    bool WriteInteger(std::string_view name, std::int32_t value) override {
        writes_.emplace_back(name);
        return MemorySettingsStore::WriteInteger(name, value);
    }
    bool WriteString(std::string_view name, std::string_view value) override {
        writes_.emplace_back(name);
        stringWrites_.emplace_back(name);
        return MemorySettingsStore::WriteString(name, value);
    }
    bool Flush() override {
        flushedAfter_.push_back(writes_.size());
        return true;
    }

    std::vector<std::string> reads_, stringReads_, writes_, stringWrites_;
    // The number of values written at each flush.
    std::vector<std::size_t> flushedAfter_;
};

}  // namespace

TEST(ReadSettings, FirstStartKeepsEveryDefault) {
    MemorySettingsStore empty;
    const Settings s = ReadSettings(empty);
    EXPECT_EQ(s.Left, 312);
    EXPECT_EQ(s.Top, 214);
    EXPECT_EQ(s.Width, 1343);
    EXPECT_EQ(s.Height, 561);
    EXPECT_EQ(s.Left2, 0);
    EXPECT_EQ(s.Top2, 0);
    EXPECT_EQ(s.Width2, 0);
    EXPECT_EQ(s.Height2, 0);
    EXPECT_EQ(s.Port, 0);
    EXPECT_EQ(s.Alg, 0);
    EXPECT_TRUE(s.CountDown);
    EXPECT_EQ(s.CountDownSek, 30000);
    EXPECT_EQ(s.TimeWarnung, 10000);
    EXPECT_EQ(s.TimeLock, 10000);
    EXPECT_TRUE(s.Abbruch);
    EXPECT_TRUE(s.SoundCountDown);
    EXPECT_TRUE(s.SoundWarnung);
    EXPECT_FALSE(s.SoundAbbruch);
    EXPECT_FALSE(s.FullScreen);
    EXPECT_EQ(s.LastFileName, "");
    EXPECT_EQ(s.Monitor, 0);
}

TEST(ReadSettings, AKeyWithoutPortRestoresTheBoundsAndDefaultsTheRest) {
    DroppingStore store("Port", false);
    const Settings written = ChangedSettings();
    ASSERT_THAT(WriteSettings(store, written), IsEmpty());

    Settings expected;
    expected.Left = written.Left;
    expected.Top = written.Top;
    expected.Width = written.Width;
    expected.Height = written.Height;
    expected.Left2 = written.Left2;
    expected.Top2 = written.Top2;
    expected.Width2 = written.Width2;
    expected.Height2 = written.Height2;
    EXPECT_EQ(ReadSettings(store), expected);
}

TEST(ReadSettings, TakesTheValuesInStoredOrderAndStopsAtTheFirstUnusableOne) {
    RecordingStore store;
    WriteSettings(store, ChangedSettings());
    EXPECT_EQ(ReadSettings(store), ChangedSettings());
    EXPECT_THAT(store.reads_, ElementsAreArray(StoredOrder));
    EXPECT_THAT(store.stringReads_,
                ElementsAre("LastFileName", "PortName", "LiveAddress", "MqttHost", "MqttCaFile",
                            "MqttUser", "MqttPassword", "MqttPrefix", "Arena", "BackupPort",
                            "TimerPort", "TimerFormat"));

    store.reads_.clear();
    store.WriteString("TimeWarnung", "10000");
    ReadSettings(store);
    EXPECT_EQ(store.reads_.back(), "TimeWarnung");
}

TEST(ReadSettings, AStringWhereANumberBelongsEndsTheReading) {
    MemorySettingsStore store;
    WriteSettings(store, ChangedSettings());
    store.WriteString("CountDownSek", "45");

    const Settings s = ReadSettings(store);
    EXPECT_FALSE(s.CountDown);  // read before the wrong value
    EXPECT_EQ(s.Alg, 1);
    EXPECT_EQ(s.CountDownSek, 30000);
    EXPECT_EQ(s.TimeWarnung, 10000);
    EXPECT_TRUE(s.SoundWarnung);
    EXPECT_EQ(s.LastFileName, "");
    EXPECT_EQ(s.Monitor, 0);
}

TEST(ReadSettings, AFileNameStoredAsANumberEndsTheReading) {
    MemorySettingsStore store;
    WriteSettings(store, ChangedSettings());
    store.WriteInteger("LastFileName", 7);

    const Settings s = ReadSettings(store);
    EXPECT_TRUE(s.FullScreen);
    EXPECT_EQ(s.LastFileName, "");
    EXPECT_EQ(s.Monitor, 0);
}

TEST(ReadSettings, AnAbsentFileNameReadsEmptyAndTheReadingGoesOn) {
    DroppingStore store("LastFileName", false);
    WriteSettings(store, ChangedSettings());

    const Settings s = ReadSettings(store);
    EXPECT_EQ(s.LastFileName, "");
    EXPECT_EQ(s.Monitor, 1);
}

TEST(ReadSettings, PortKeepsTheLowEightBits) {
    MemorySettingsStore store;
    WriteSettings(store, ChangedSettings());
    store.WriteInteger("Port", 0x1FF);
    EXPECT_EQ(ReadSettings(store).Port, 0xFF);
    store.WriteInteger("Port", 0x100);
    EXPECT_EQ(ReadSettings(store).Port, 0);
    store.WriteInteger("Port", -1);
    EXPECT_EQ(ReadSettings(store).Port, 0xFF);
}

TEST(ReadSettings, AnyNonZeroNumberIsTrue) {
    MemorySettingsStore store;
    WriteSettings(store, Settings{});
    store.WriteInteger("SoundAbbruch", 2);
    store.WriteInteger("FullScreen", -1);
    store.WriteInteger("CountDown", 0);

    const Settings s = ReadSettings(store);
    EXPECT_TRUE(s.SoundAbbruch);
    EXPECT_TRUE(s.FullScreen);
    EXPECT_FALSE(s.CountDown);
}

TEST(WriteSettings, WritesEveryValueInStoredOrderWithBooleansAsOneOrZero) {
    RecordingStore store;
    Settings written = ChangedSettings();
    written.SoundWarnung = true;
    EXPECT_THAT(WriteSettings(store, written), IsEmpty());
    EXPECT_THAT(store.writes_, ElementsAreArray(StoredOrder));
    EXPECT_THAT(store.stringWrites_,
                ElementsAre("LastFileName", "PortName", "LiveAddress", "MqttHost", "MqttCaFile",
                            "MqttUser", "MqttPassword", "MqttPrefix", "Arena", "BackupPort",
                            "TimerPort", "TimerFormat"));
    EXPECT_THAT(store.flushedAfter_, ElementsAre(StoredOrder.size()));

    std::int32_t value = -5;
    ASSERT_EQ(store.ReadInteger("CountDown", value), ReadStatus::Ok);
    EXPECT_EQ(value, 0);
    ASSERT_EQ(store.ReadInteger("SoundWarnung", value), ReadStatus::Ok);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(ReadSettings(store), written);
}

TEST(WriteSettings, GoesOnPastAValueThatCannotBeStoredAndNamesIt) {
    DroppingStore store("TimeWarnung", true);
    const std::vector<std::string> failed = WriteSettings(store, ChangedSettings());
    ASSERT_THAT(failed, ElementsAre("TimeWarnung"));
    EXPECT_EQ(WriteFailureText(failed.front()), "Failed to set data for 'TimeWarnung'");

    std::int32_t monitor = 0;
    ASSERT_EQ(store.ReadInteger("Monitor", monitor), ReadStatus::Ok);
    EXPECT_EQ(monitor, 1);
    std::string fileName;
    ASSERT_EQ(store.ReadString("LastFileName", fileName), ReadStatus::Ok);
    EXPECT_EQ(fileName, ChangedSettings().LastFileName);
}
