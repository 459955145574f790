#include "config/MonitorLayout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Separator widths that grow with the font, as real ones do.
SeparatorWidths Measure(int pointSize) {
    return {pointSize / 4, pointSize / 5};
}

struct BoardCase {
    int Width, Height;
    bool TeamVisible;
    int H, FontSize, Y, D, DigitWidth, Thickness;
};

}  // namespace

TEST(LayoutBoard, FullHdScreenGivesTheKnownRowsFontsAndDigits) {
    const BoardLayout b = LayoutBoard(1920, 1080, true, Measure);
    EXPECT_EQ(b.RowHeight, 90);
    EXPECT_EQ(b.FontSize, 45);
    EXPECT_EQ(b.eRaceM, (Rect{10, 10, 1900, 90}));
    EXPECT_EQ(b.eReiterinM, (Rect{10, 100, 1900, 90}));
    EXPECT_EQ(b.ePferdM, (Rect{10, 190, 1900, 90}));
    EXPECT_EQ(b.eTeamM, (Rect{10, 280, 1900, 90}));
    EXPECT_EQ(b.PanelStrafe, (Rect{10, 370, 1900, 180}));
    EXPECT_EQ(b.FrameBrindlewerk, (Rect{10, 980, 1900, 90}));
    EXPECT_EQ(b.SeparatorFontSize, 143);
    EXPECT_EQ(b.Thickness, 24);
    // Row: 6 x 192 + 7 x 24 + 35 + 28 = 1383 wide, centred; each item 24 pixels after the last.
    const std::vector<Rect> row = {b.Digits[0], b.Digits[1], b.LabMin,    b.Digits[2],
                                   b.Digits[3], b.LabSec,    b.Digits[4], b.Digits[5]};
    const std::vector<Rect> expected = {
        {268, 550, 192, 430}, {484, 550, 192, 430}, {700, 550, 35, 430},   {759, 550, 192, 430},
        {975, 550, 192, 430}, {1191, 550, 28, 430}, {1243, 550, 192, 430}, {1459, 550, 192, 430}};
    EXPECT_EQ(row, expected);
}

TEST(LayoutBoard, SmallerWindowsScaleAndKeepBarsTheDigitsCanDraw) {
    const BoardCase cases[] = {
        // 240 high: rows of 20 pixels and 10-point text.
        {320, 240, true, 20, 10, 130, 80, 32, 4},
        // Without the team row the clock row starts one row higher and grows by a row.
        {320, 240, false, 20, 10, 110, 100, 32, 4},
        // A wide, low window: the bars are held to half the digit height.
        {1920, 120, true, 10, 5, 70, 30, 192, 15},
        // Too low for a clock row: nothing gets a negative size.
        {100, 10, true, 0, 0, 10, 0, 10, 0},
    };
    for (const BoardCase& c : cases) {
        const BoardLayout b = LayoutBoard(c.Width, c.Height, c.TeamVisible, Measure);
        SCOPED_TRACE(testing::Message() << c.Width << "x" << c.Height << " team " << c.TeamVisible);
        EXPECT_EQ(b.RowHeight, c.H);
        EXPECT_EQ(b.FontSize, c.FontSize);
        EXPECT_EQ(b.PanelStrafe.Top + b.PanelStrafe.Height, c.Y);
        EXPECT_EQ(b.FrameBrindlewerk.Top, c.Height - 10 - c.H);
        for (std::size_t i = 0; i < 6; ++i) {
            const Rect& digit = b.Digits[i];
            EXPECT_EQ(digit.Top, c.Y);
            EXPECT_EQ(digit.Height, c.D);
            EXPECT_EQ(digit.Width, c.DigitWidth);
        }
        EXPECT_EQ(b.Thickness, c.Thickness);
        EXPECT_LE(2 * b.Thickness, c.D);
        EXPECT_EQ(b.Digits[6], Rect{});
    }
}

TEST(LayoutBoard, TheThousandthIsASeventhDigitAndTheRowStaysInsideTheWindow) {
    // Full HD and laptop screens, half of one, and a tall narrow window whose separators are
    // large enough that seven digits of a tenth of the width would not fit.
    const std::pair<int, int> sizes[] = {{1920, 1080}, {1366, 768}, {683, 384}, {400, 1080}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(testing::Message() << width << "x" << height);
        const BoardLayout b = LayoutBoard(width, height, true, Measure, true);
        const Rect& hundredths = b.Digits[5];
        const Rect& thousandths = b.Digits[6];
        EXPECT_EQ(thousandths.Left, hundredths.Left + hundredths.Width + b.Thickness);
        EXPECT_EQ(thousandths.Width, b.Digits[0].Width);
        EXPECT_EQ(thousandths.Top, hundredths.Top);
        EXPECT_GT(thousandths.Width, 0);
        EXPECT_GE(b.Digits[0].Left, 10);
        EXPECT_LE(thousandths.Left + thousandths.Width, width - 10);
        EXPECT_LE(2 * b.Thickness, thousandths.Height);
    }
}

TEST(PlaceOnMonitor, ChoosesTheDisplayAndCoversItInFullScreen) {
    const Rect left{0, 0, 1366, 768};
    const Rect right{1366, 0, 1920, 1080};
    const std::vector<Rect> two = {left, right};
    const Rect onRight{1500, 100, 800, 600};
    struct Case {
        Rect Current;
        int Monitor;
        bool FullScreen;
        std::vector<Rect> Screens;
        MonitorPlacement Expected;
    } cases[] = {
        {onRight, 1, true, two, {right, 1}},
        // A stored index beyond the displays present, or below them, is brought into range.
        {onRight, 2, true, two, {right, 1}},
        {onRight, -1, true, two, {left, 0}},
        // Windowed: the window stays where it was put, whatever the index.
        {onRight, 0, false, two, {onRight, 0}},
        // First start (no stored bounds): half the chosen display, centred on it.
        {{0, 0, 0, 0}, 1, false, two, {{1846, 270, 960, 540}, 1}},
        // The display the window was on is gone.
        {onRight, 5, false, {left}, {{341, 192, 683, 384}, 0}},
        {onRight, 1, true, {}, {onRight, 1}},
    };
    for (const Case& c : cases) {
        const MonitorPlacement placed =
            PlaceOnMonitor(c.Current, c.Monitor, c.FullScreen, c.Screens);
        SCOPED_TRACE(testing::Message() << "monitor " << c.Monitor << " of " << c.Screens.size()
                                        << (c.FullScreen ? " full screen" : " windowed"));
        EXPECT_EQ(placed.Bounds, c.Expected.Bounds);
        EXPECT_EQ(placed.Monitor, c.Expected.Monitor);
    }
}
