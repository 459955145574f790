#pragma once

#include <optional>
#include <vector>

// A screen rectangle in pixels.
struct Rect {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const Rect&) const = default;
};

// What the window system draws around a window's client area (borders, title bar), in pixels.
struct Decoration {
    int Width = 0;
    int Height = 0;

    bool operator==(const Decoration&) const = default;
};

// Smallest outer size of the main window.
inline constexpr int MainWindowMinWidth = 908;
inline constexpr int MainWindowMinHeight = 600;

// Whether the centre of bounds lies on one of the screens.
bool CentreOnAScreen(const Rect& bounds, const std::vector<Rect>& screens);

// The main window's bounds from the stored ones: Left/Top place the window's frame (title bar
// included), Width/Height size its client area, and `decoration` is what the frame adds to that.
// `screens` are the available areas of the screens present, the primary one first.
// The window stays on the screen that holds its centre; when its centre is on none (its monitor is
// gone) it is centred on the primary screen. It is shrunk to that screen's available area, never
// below the minimum size, and moved the least distance that puts it wholly on that area, so the
// title bar and the status bar are always in reach.
Rect PlaceMainWindow(const Rect& stored, const std::vector<Rect>& screens,
                     const Decoration& decoration = {});

// The main window is placed before the window manager has framed it, so the frame it adds is
// known only later (a title bar of 0 pixels first, then the real one). Asked again whenever the
// window moves or resizes, this gives the bounds once more whenever the frame differs from the
// one the last placement counted, and nothing otherwise, so the operator's own moves stand.
class MainWindowPlacer {
public:
    std::optional<Rect> Place(const Rect& current, const std::vector<Rect>& screens,
                              const Decoration& decoration);

private:
    std::optional<Decoration> placedFor_;
};
