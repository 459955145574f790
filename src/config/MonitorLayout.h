#pragma once

#include <array>
#include <functional>
#include <vector>

#include "config/WindowPlacement.h"

// Pixel widths of the spectator board's ":" and decimal-separator labels at a font size in points.
struct SeparatorWidths {
    int LabMin = 0;
    int LabSec = 0;
};

// Where every element of the spectator board goes in its client area. The band's text rows keep
// 10 pixels from the edges; fonts are in points.
struct BoardLayout {
    int RowHeight = 0;  // h: one text row of the band, and the brand frame's height
    int FontSize = 0;   // the band's and the penalty line's text
    Rect eRaceM;
    Rect eReiterinM;
    Rect ePferdM;
    Rect eTeamM;       // its row, also while the team row is hidden
    Rect PanelStrafe;  // separator line, then penalties (left) and rank (right)
    Rect FrameBrindlewerk;
    int SeparatorFontSize = 0;  // LabMin and LabSec
    int Thickness = 0;          // half bar width of every digit, and the gap between items
    // Digit3 ... Digit9, left to right; Digit9 (thousandths) is empty unless the board shows it.
    std::array<Rect, 7> Digits;
    Rect LabMin;
    Rect LabSec;
};

// The spectator board in a client area of width x height: six text rows of h = height / 12
// (the team row only while shown), the brand frame at the bottom, and the clock row centred in
// between with digits a tenth of the width wide (narrower where the row would not fit between the
// borders). `thousandths` adds a seventh digit after the hundredths. `measure` gives the
// separators' widths.
BoardLayout LayoutBoard(int width, int height, bool teamVisible,
                        const std::function<SeparatorWidths(int pointSize)>& measure,
                        bool thousandths = false);

// Where the spectator window goes when it is shown, and the display it counts as being on.
struct MonitorPlacement {
    Rect Bounds;
    int Monitor = 0;
};

// `screens` are the whole bounds of the displays present, in the system's order (the index is the
// "Monitor" setting). The monitor index is brought into the displays present. Full screen covers
// that display. Otherwise the window keeps `current` (left and top of its frame, client width
// and height), unless it is empty (first start) or its centre lies on no display (a projector
// was unplugged): then it takes half the display's size, centred on it.
MonitorPlacement PlaceOnMonitor(const Rect& current, int monitor, bool fullScreen,
                                const std::vector<Rect>& screens);
