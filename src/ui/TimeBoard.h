#pragma once

#include <QColor>
#include <array>

#include "timing/TimingView.h"

class QLabel;
class TDigit;

// What the main window's and the spectator window's time boards share.

// Sets a label's text colour; runs on every clock tick, so only a real change touches the palette.
void SetTextColour(QLabel* label, Rgb colour);

// Shows the run clock: the seven digits (tens of minutes to thousandths; the window shows the
// last only in a class timed to the thousandth) and the two separators. Only what changed
// repaints. UI thread only.
void ShowClock(const TimingView& view, const std::array<TDigit*, 7>& digits, QLabel* minutes,
               QLabel* seconds);
