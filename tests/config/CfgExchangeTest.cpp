#include "config/CfgExchange.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ChangedSettings.h"

using ::testing::ElementsAre;

namespace {

const std::vector<Rect> OneScreen = {{0, 0, 1920, 1080}};
const std::vector<Rect> TwoScreens = {{0, 0, 1920, 1080}, {1920, 0, 1280, 720}};

CfgValues Shown(const Settings& settings, const std::vector<Rect>& screens = TwoScreens) {
    return FromSettings(settings, screens, {"Kein", "COM1"}, 1);
}

// Every value away from its default, the live results too.
Settings Changed() {
    Settings settings = ChangedSettings();
    settings.LiveResults = true;
    settings.LivePort = 1024;
    return settings;
}

// The settings without what the dialog does not show (window bounds, last file) or what the port
// discovery takes from it (the ports).
Settings DialogPart(Settings s) {
    s.Left = s.Top = s.Width = s.Height = 0;
    s.Left2 = s.Top2 = s.Width2 = s.Height2 = 0;
    s.Port = 0;
    s.PortName.clear();
    s.BackupPort.clear();
    s.TimerPort.clear();
    s.LastFileName.clear();
    return s;
}

}  // namespace

TEST(CfgExchange, ConfirmingUnchangedWholeSecondsChangesNothing) {
    const Settings settings = Changed();
    Settings confirmed = settings;
    ApplyToSettings(Shown(settings), confirmed);
    EXPECT_EQ(confirmed, settings);
}

TEST(CfgExchange, EveryControlReachesItsSettingIncludingTheSoundSwitches) {
    Settings confirmed;
    ApplyToSettings(Shown(Changed()), confirmed);
    EXPECT_EQ(DialogPart(confirmed), DialogPart(Changed()));
}

TEST(CfgExchange, ValuesTheFieldsCannotShowStayUntilTheOperatorChangesThem) {
    Settings settings;
    settings.CountDownSek = 45500;
    settings.TimeWarnung = 200000;
    settings.TimeLock = 950;
    settings.LivePort = 80;
    const Settings stored = settings;
    CfgValues values = Shown(settings);
    EXPECT_EQ(values.CountDownSeconds, 45);
    EXPECT_EQ(values.WarnungSeconds, CountDownSecondsMax);
    EXPECT_EQ(values.LockTenths, 9) << "the lock in tenths of a second";
    EXPECT_EQ(values.LivePort, LivePortMin);

    ApplyToSettings(values, settings);
    EXPECT_EQ(settings, stored) << "OK without a change changes nothing";

    values.CountDownSeconds = 40;
    values.LockTenths = 15;
    ApplyToSettings(values, settings);
    EXPECT_EQ(settings.CountDownSek, 40000);
    EXPECT_EQ(settings.TimeLock, 1500);
    EXPECT_EQ(settings.TimeWarnung, 200000);
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
