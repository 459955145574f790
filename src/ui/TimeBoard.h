#pragma once

#include <QColor>
#include <array>

#include "timing/TimingView.h"

class QLabel;
class TDigit;

// What the main window's and the spectator window's time boards share.

// Sets a label's text colour; runs on every clock tick, so only a real change touches the palette.
void SetTextColour(QLabel* label, Rgb colour);

// Shows the run clock: the six digits (tens of minutes to hundredths) and the two separators.
// Only what changed repaints. UI thread only.
void ShowClock(const TimingView& view, const std::array<TDigit*, 6>& digits, QLabel* minutes,
               QLabel* seconds);
