#include "config/WindowPlacement.h"

#include <algorithm>

namespace {

// Stored bounds may be any 32-bit numbers, so the sums are taken 64 bits wide.
bool Contains(const Rect& screen, long long x, long long y) {
    return x >= screen.Left && x < static_cast<long long>(screen.Left) + screen.Width &&
           y >= screen.Top && y < static_cast<long long>(screen.Top) + screen.Height;
}

}  // namespace

bool CentreOnAScreen(const Rect& bounds, const std::vector<Rect>& screens) {
    const long long centreX = static_cast<long long>(bounds.Left) + bounds.Width / 2;
    const long long centreY = static_cast<long long>(bounds.Top) + bounds.Height / 2;
    return std::any_of(screens.begin(), screens.end(),
                       [&](const Rect& screen) { return Contains(screen, centreX, centreY); });
}

Rect PlaceMainWindow(const Rect& stored, const std::vector<Rect>& screens) {
    Rect placed = stored;
    placed.Width = std::max(placed.Width, MainWindowMinWidth);
    placed.Height = std::max(placed.Height, MainWindowMinHeight);
    if (screens.empty() || CentreOnAScreen(placed, screens)) {
        return placed;
    }
    const Rect& primary = screens.front();
    placed.Width = std::max(std::min(placed.Width, primary.Width), MainWindowMinWidth);
    placed.Height = std::max(std::min(placed.Height, primary.Height), MainWindowMinHeight);
    placed.Left = primary.Left + std::max(0, (primary.Width - placed.Width) / 2);
    placed.Top = primary.Top + std::max(0, (primary.Height - placed.Height) / 2);
    return placed;
}
