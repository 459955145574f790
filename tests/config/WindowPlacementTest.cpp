#include "config/WindowPlacement.h"

#include <gtest/gtest.h>
#include <climits>

namespace {

const Rect Primary{0, 0, 1920, 1040};
const Rect RightScreen{1920, 0, 1280, 1024};

bool Inside(const Rect& window, const Rect& screen) {
    return window.Left >= screen.Left && window.Top >= screen.Top &&
           window.Left + window.Width <= screen.Left + screen.Width &&
           window.Top + window.Height <= screen.Top + screen.Height;
}

}  // namespace

TEST(PlaceMainWindow, RaisesTheSizeToTheMinimumAndKeepsThePosition) {
    EXPECT_EQ(PlaceMainWindow({312, 214, 1343, 561}, {Primary}), (Rect{312, 214, 1343, 600}));
    EXPECT_EQ(PlaceMainWindow({10, 20, 0, -5}, {Primary}), (Rect{10, 20, 908, 600}));
}

TEST(PlaceMainWindow, KeepsAWindowOnASecondScreen) {
    const Rect onRight{2000, 100, 1000, 700};
    EXPECT_EQ(PlaceMainWindow(onRight, {Primary, RightScreen}), onRight);
    // Partly off its screen still counts while its centre is on one.
    const Rect overhanging{-200, -8, 1000, 700};
    EXPECT_EQ(PlaceMainWindow(overhanging, {Primary}), overhanging);
}

TEST(PlaceMainWindow, MovesAWindowOfAGoneMonitorOntoThePrimaryKeepingItsSize) {
    const Rect placed = PlaceMainWindow({2000, 100, 1000, 700}, {Primary});
    EXPECT_EQ(placed.Width, 1000);
    EXPECT_EQ(placed.Height, 700);
    EXPECT_TRUE(Inside(placed, Primary));

    const Rect secondary{-1280, 0, 1280, 1024};
    const Rect far = PlaceMainWindow({INT_MAX, INT_MIN, INT_MAX, INT_MAX}, {secondary, Primary});
    EXPECT_EQ(far, secondary);
}

TEST(PlaceMainWindow, ShrinksAMovedWindowToThePrimaryButNotBelowTheMinimum) {
    const Rect laptop{0, 0, 1366, 728};
    EXPECT_EQ(PlaceMainWindow({3000, 0, 2500, 1400}, {laptop}), laptop);

    const Rect tiny{100, 50, 800, 560};
    EXPECT_EQ(PlaceMainWindow({3000, 0, 2500, 1400}, {tiny}), (Rect{100, 50, 908, 600}));
}
