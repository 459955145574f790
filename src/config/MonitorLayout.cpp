#include "config/MonitorLayout.h"

#include <algorithm>

namespace {

// Inner border of the board: every row keeps this many pixels from each edge.
constexpr int Border = 10;

}  // namespace

BoardLayout LayoutBoard(int width, int height, bool teamVisible,
                        const std::function<SeparatorWidths(int pointSize)>& measure,
                        bool thousandths) {
    BoardLayout layout;
    const int h = std::max(height / 2 / 6, 0);
    layout.RowHeight = h;
    layout.FontSize = h / 2;
    const int rowWidth = std::max(width - 2 * Border, 0);
    auto row = [&](int index) { return Rect{Border, Border + index * h, rowWidth, h}; };
    layout.eRaceM = row(0);
    layout.eReiterinM = row(1);
    layout.ePferdM = row(2);
    layout.eTeamM = row(3);
    layout.PanelStrafe = row(teamVisible ? 4 : 3);
    layout.PanelStrafe.Height = 2 * h;
    layout.FrameBrindlewerk = {Border, height - Border - h, rowWidth, h};

    const int y = layout.PanelStrafe.Top + layout.PanelStrafe.Height;
    const int d = std::max(layout.FrameBrindlewerk.Top - y, 0);
    const int digitCount = thousandths ? 7 : 6;
    int digitWidth = std::max(width / 10, 0);
    // A bar may be at most half as wide as the digit is high, or the digit could not draw it.
    int t = std::min(digitWidth / 8, d / 2);
    layout.SeparatorFontSize = d / 3;
    const SeparatorWidths separators = measure(layout.SeparatorFontSize);
    const int separatorsWidth = separators.LabMin + separators.LabSec;
    // Items are T apart, and the row keeps T to either side.
    const auto rowLength = [&] {
        return digitCount * digitWidth + (digitCount + 1) * t + separatorsWidth;
    };
    if (rowLength() > rowWidth) {
        // Digits share what the separators leave, each with its gap of an eighth of its width.
        digitWidth = std::max((rowWidth - separatorsWidth) * 8 / (9 * digitCount + 1), 0);
        t = std::min(digitWidth / 8, d / 2);
    }
    layout.Thickness = t;

    int left = (width - rowLength()) / 2;
    auto place = [&](int itemWidth) {
        const Rect item{left, y, itemWidth, d};
        left += itemWidth + t;
        return item;
    };
    layout.Digits[0] = place(digitWidth);
    layout.Digits[1] = place(digitWidth);
    layout.LabMin = place(separators.LabMin);
    layout.Digits[2] = place(digitWidth);
    layout.Digits[3] = place(digitWidth);
    layout.LabSec = place(separators.LabSec);
    layout.Digits[4] = place(digitWidth);
    layout.Digits[5] = place(digitWidth);
    if (thousandths) {
        layout.Digits[6] = place(digitWidth);
    }
    return layout;
}

MonitorPlacement PlaceOnMonitor(const Rect& current, int monitor, bool fullScreen,
                                const std::vector<Rect>& screens) {
    if (screens.empty()) {
        return {current, std::max(monitor, 0)};
    }
    MonitorPlacement placement{current,
                               std::clamp(monitor, 0, static_cast<int>(screens.size()) - 1)};
    const Rect& screen = screens[placement.Monitor];
    if (fullScreen) {
        placement.Bounds = screen;
    } else if (current.Width <= 0 || current.Height <= 0 || !CentreOnAScreen(current, screens)) {
        const int w = screen.Width / 2;
        const int h = screen.Height / 2;
        placement.Bounds = {screen.Left + (screen.Width - w) / 2,
                            screen.Top + (screen.Height - h) / 2, w, h};
    }
    return placement;
}
