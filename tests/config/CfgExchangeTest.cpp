#include "config/CfgExchange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

namespace {

const std::vector<Rect> OneScreen = {{0, 0, 1920, 1080}};
const std::vector<Rect> TwoScreens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 720}};

CfgValues Shown(const Settings& settings, const std::vector<Rect>& screens = TwoScreens) {
    return FromSettings(settings, screens, {"Kein", "COM1"}, 1);
}

}  // namespace

TEST(CfgExchange, ConfirmingUnchangedWholeSecondsChangesNothing) {
    Settings settings;
    settings.Monitor = 1;
    settings.FullScreen = true;
    settings.LiveResults = true;
    settings.LivePort = 9000;
    Settings confirmed = settings;
    ApplyToSettings(Shown(settings), confirmed);
    EXPECT_EQ(confirmed, settings);
}

TEST(CfgExchange, EveryControlReachesItsSettingIncludingTheSoundSwitches) {
    Settings settings;
    CfgValues values = Shown(settings);
    values.Alg = 1;
    values.LockSeconds = 0;
    values.Monitor = 1;
    values.FullScreen = true;
    values.CountDown = false;
    values.CountDownSeconds = 45;
    values.SoundCountDown = false;
    values.WarnungSeconds = 5;
    values.SoundWarnung = false;
    values.Abbruch = false;
    values.SoundAbbruch = true;
    values.LiveResults = true;
    values.LivePort = 1024;
    ApplyToSettings(values, settings);

    Settings expected;
    expected.Alg = 1;
    expected.TimeLock = 0;
    expected.Monitor = 1;
    expected.FullScreen = true;
    expected.CountDown = false;
    expected.CountDownSek = 45000;
    expected.SoundCountDown = false;
    expected.TimeWarnung = 5000;
    expected.SoundWarnung = false;
    expected.Abbruch = false;
    expected.SoundAbbruch = true;
    expected.LiveResults = true;
    expected.LivePort = 1024;
    EXPECT_EQ(settings, expected);
}

TEST(CfgExchange, MillisecondsShowAsWholeSecondsWithinTheFieldRanges) {
    Settings settings;
    settings.CountDownSek = 45500;
    settings.TimeWarnung = 200000;
    settings.TimeLock = 999;
    settings.LivePort = 80;
    const CfgValues values = Shown(settings);
    EXPECT_EQ(values.CountDownSeconds, 45);
    EXPECT_EQ(values.WarnungSeconds, CountDownSecondsMax);
    EXPECT_EQ(values.LockSeconds, 0);
    EXPECT_EQ(values.LivePort, LivePortMin);

    ApplyToSettings(values, settings);
    EXPECT_EQ(settings.CountDownSek, 45000);
    EXPECT_EQ(settings.TimeWarnung, 90000);
}

TEST(CfgExchange, MonitorListFollowsTheScreensAndKeepsTheStoredIndexValid) {
    Settings settings;
    settings.Monitor = 5;
    CfgValues values = Shown(settings, TwoScreens);
    EXPECT_TRUE(values.MonitorEnabled);
    EXPECT_THAT(values.MonitorEntries, ElementsAre("1=(0,0)-(1920,1080)", "2=(1920,0)-(1280,720)"));
    EXPECT_EQ(values.Monitor, 1);
    ApplyToSettings(values, settings);
    EXPECT_EQ(settings.Monitor, 1);

    // With the TV unplugged the list cannot be chosen from; its screen is kept for later.
    values = Shown(settings, OneScreen);
    EXPECT_FALSE(values.MonitorEnabled);
    EXPECT_THAT(values.MonitorEntries, ElementsAre("nicht angeschlossen"));
    EXPECT_EQ(values.Monitor, 0);
    ApplyToSettings(values, settings);
    EXPECT_EQ(settings.Monitor, 1);
}

TEST(CfgExchange, FullScreenCanBeSwitchedOffButNotOnWithOneScreen) {
    Settings settings;
    EXPECT_FALSE(Shown(settings, OneScreen).FullScreenEnabled);
    EXPECT_TRUE(Shown(settings, TwoScreens).FullScreenEnabled);

    settings.FullScreen = true;
    CfgValues values = Shown(settings, OneScreen);
    ASSERT_TRUE(values.FullScreenEnabled);
    values.FullScreen = false;
    ApplyToSettings(values, settings);
    EXPECT_FALSE(settings.FullScreen);
}
