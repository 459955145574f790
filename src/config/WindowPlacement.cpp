#include "config/WindowPlacement.h"

#include <algorithm>

namespace {

// Stored bounds may be any 32-bit numbers, so the sums are taken 64 bits wide.
bool Contains(const Rect& screen, long long x, long long y) {
    return x >= screen.Left && x < static_cast<long long>(screen.Left) + screen.Width &&
           y >= screen.Top && y < static_cast<long long>(screen.Top) + screen.Height;
}

// The start of an extent of `size` inside [areaStart, areaStart + areaSize): as near to `start`
// as it goes; at areaStart when it is larger than the area.
int Clamp(long long start, int size, int areaStart, int areaSize) {
    const long long last = static_cast<long long>(areaStart) + areaSize - size;
    return static_cast<int>(std::max<long long>(areaStart, std::min(start, last)));
}

}  // namespace

bool CentreOnAScreen(const Rect& bounds, const std::vector<Rect>& screens) {
    const long long centreX = static_cast<long long>(bounds.Left) + bounds.Width / 2;
    const long long centreY = static_cast<long long>(bounds.Top) + bounds.Height / 2;
    return std::any_of(screens.begin(), screens.end(),
                       [&](const Rect& screen) { return Contains(screen, centreX, centreY); });
}

Rect PlaceMainWindow(const Rect& stored, const std::vector<Rect>& screens,
                     const Decoration& decoration) {
    Rect placed = stored;
    placed.Width = std::max(placed.Width, MainWindowMinWidth);
    placed.Height = std::max(placed.Height, MainWindowMinHeight);
    if (screens.empty()) {
        return placed;
    }
    const long long outerWidth = static_cast<long long>(placed.Width) + decoration.Width;
    const long long outerHeight = static_cast<long long>(placed.Height) + decoration.Height;
    const long long centreX = placed.Left + outerWidth / 2;
    const long long centreY = placed.Top + outerHeight / 2;
    const auto home = std::find_if(screens.begin(), screens.end(), [&](const Rect& screen) {
        return Contains(screen, centreX, centreY);
    });
    const Rect& screen = home != screens.end() ? *home : screens.front();

    placed.Width =
        std::max(std::min(placed.Width, screen.Width - decoration.Width), MainWindowMinWidth);
    placed.Height =
        std::max(std::min(placed.Height, screen.Height - decoration.Height), MainWindowMinHeight);
    const int width = placed.Width + decoration.Width;
    const int height = placed.Height + decoration.Height;
    if (home == screens.end()) {
        placed.Left = screen.Left + std::max(0, (screen.Width - width) / 2);
        placed.Top = screen.Top + std::max(0, (screen.Height - height) / 2);
        return placed;
    }
    placed.Left = Clamp(placed.Left, width, screen.Left, screen.Width);
    placed.Top = Clamp(placed.Top, height, screen.Top, screen.Height);
    return placed;
}

std::optional<Rect> MainWindowPlacer::Place(const Rect& current, const std::vector<Rect>& screens,
                                            const Decoration& decoration) {
    if (placedFor_ == decoration) {
        return std::nullopt;
    }
    placedFor_ = decoration;
    return PlaceMainWindow(current, screens, decoration);
}
