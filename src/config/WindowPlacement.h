#pragma once

#include <vector>

// A screen rectangle in pixels.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const Rect&) const = default;
};

// Smallest outer size of the main window.
inline constexpr int MainWindowMinWidth = 908;
inline constexpr int MainWindowMinHeight = 600;

// Whether the centre of bounds lies on one of the screens.
bool CentreOnAScreen(const Rect& bounds, const std::vector<Rect>& screens);

// The main window's bounds from the stored ones: at least the minimum size, and on a screen.
// `screens` are the available areas of the screens present, the primary one first. A window whose
// centre lies on none of them (its monitor is gone) is centred on the primary screen, keeping its
// size where it fits and shrinking to the screen otherwise, never below the minimum.
Rect PlaceMainWindow(const Rect& stored, const std::vector<Rect>& screens);
