#include "config/WindowPlacement.h"

#include <gtest/gtest.h>
#include <climits>
#include <ostream>

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.Left << ", " << r.Top << ", " << r.Width << ", " << r.Height << "}";
}

namespace {

const Rect Primary{0, 0, 1920, 1040};
const Rect RightScreen{1920, 0, 1280, 1024};
// A 1366 x 768 laptop screen less a 40-pixel panel.
const Rect Laptop{0, 0, 1366, 728};

bool Inside(const Rect& window, const Rect& screen) {
    return window.Left >= screen.Left && window.Top >= screen.Top &&
           window.Left + window.Width <= screen.Left + screen.Width &&
           window.Top + window.Height <= screen.Top + screen.Height;
}

}  // namespace

TEST(PlaceMainWindow, RaisesTheSizeToTheMinimumAndKeepsAWindowThatIsOnItsScreen) {
    EXPECT_EQ(PlaceMainWindow({312, 214, 1343, 561}, {Primary}), (Rect{312, 214, 1343, 600}));
    EXPECT_EQ(PlaceMainWindow({10, 20, 0, -5}, {Primary}), (Rect{10, 20, 908, 600}));
    const Rect onRight{2000, 100, 1000, 700};
    EXPECT_EQ(PlaceMainWindow(onRight, {Primary, RightScreen}), onRight);
}

TEST(PlaceMainWindow, MovesAWindowHangingOverAnEdgeOntoTheScreenOfItsCentre) {
    struct Case {
        Rect stored;
        Decoration decoration;
        std::vector<Rect> screens;
        Rect placed;
    };
    const Case cases[] = {
        // Title bar above the screen.
        {{100, -290, 1000, 700}, {}, {Primary}, {100, 0, 1000, 700}},
        // First start on a laptop: the design bounds run off to the right and bottom.
        {{312, 214, 1343, 561}, {}, {Laptop}, {23, 128, 1343, 600}},
        // The frame's title bar and borders count as part of the window.
        {{312, 214, 1343, 561}, {8, 38}, {Laptop}, {15, 90, 1343, 600}},
        // Over the left edge of the right-hand screen, centre still on it.
        {{1700, 200, 1000, 700}, {}, {Primary, RightScreen}, {1920, 200, 1000, 700}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlaceMainWindow(c.stored, c.screens, c.decoration), c.placed)
            << testing::PrintToString(c.stored);
    }
}

TEST(PlaceMainWindow, ShrinksAWindowLargerThanItsScreenButNotBelowTheMinimum) {
    EXPECT_EQ(PlaceMainWindow({-10, -10, 1920, 1080}, {Laptop}), Laptop);
    EXPECT_EQ(PlaceMainWindow({0, 0, 1920, 1080}, {Laptop}, {6, 30}), (Rect{0, 0, 1360, 698}));
    const Rect tiny{100, 50, 800, 560};
    EXPECT_EQ(PlaceMainWindow({100, 50, 1000, 700}, {tiny}), (Rect{100, 50, 908, 600}));
}

TEST(PlaceMainWindow, MovesAWindowOfAGoneMonitorOntoThePrimary) {
    const Rect placed = PlaceMainWindow({2000, 100, 1000, 700}, {Primary});
    EXPECT_EQ(placed.Width, 1000);
    EXPECT_EQ(placed.Height, 700);
    EXPECT_TRUE(Inside(placed, Primary));

    const Rect secondary{-1280, 0, 1280, 1024};
    const Rect far = PlaceMainWindow({INT_MAX, INT_MIN, INT_MAX, INT_MAX}, {secondary, Primary});
    EXPECT_EQ(far, secondary);
    EXPECT_EQ(PlaceMainWindow({3000, 0, 2500, 1400}, {Laptop}), Laptop);
}

TEST(MainWindowPlacer, PlacesAgainWhenTheWindowManagerAddsItsFrame) {
    MainWindowPlacer placer;
    const Rect stored{0, 0, 1366, 768};
    // Not framed yet: the whole available height goes to the client area.
    const std::optional<Rect> unframed = placer.Place(stored, {Laptop}, {});
    ASSERT_TRUE(unframed);
    EXPECT_EQ(*unframed, (Rect{0, 0, 1366, 728}));
    EXPECT_FALSE(placer.Place(*unframed, {Laptop}, {})) << "the operator's moves stand";
    // Borders of 1 pixel and a title bar of 28: the status bar must stay above the panel.
    const Decoration frame{2, 30};
    const std::optional<Rect> framed = placer.Place(*unframed, {Laptop}, frame);
    ASSERT_TRUE(framed);
    EXPECT_EQ(*framed, (Rect{0, 0, 1364, 698}));
    EXPECT_TRUE(Inside(
        {framed->Left, framed->Top, framed->Width + frame.Width, framed->Height + frame.Height},
        Laptop));
    EXPECT_FALSE(placer.Place({40, 0, 1364, 698}, {Laptop}, frame));
}
