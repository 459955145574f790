#pragma once

#include <QColor>
#include <QString>
#include <array>
#include <string>

#include "timing/TimingView.h"

class QLabel;
class TDigit;
struct BoardTexts;

// What the main window's and the spectator window's time boards share.

// Sets a label's text colour; runs on every clock tick, so only a real change touches the palette.
void SetTextColour(QLabel* label, Rgb colour);

// Shows the run clock: the seven digits (tens of minutes to thousandths; the window shows the
// last only in a class timed to the thousandth) and the two separators. Only what changed
// repaints. UI thread only.
void ShowClock(const TimingView& view, const std::array<TDigit*, 7>& digits, QLabel* minutes,
               QLabel* seconds);

// The board's heading: the open class of a show and its race (or the drag), so that two classes
// of one race can be told apart ("Open · Barrel Racing"); the race alone without a show.
QString BoardHeading(const BoardTexts& texts, const std::string& className);
// The rider's line: the start number before the rider ("7 Anna").
QString BoardRider(const BoardTexts& texts);
