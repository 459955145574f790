#include "ui/TimeBoard.h"

#include <QLabel>

#include "ui/TDigit.h"

void SetTextColour(QLabel* label, Rgb colour) {
    const QColor wanted = QColor::fromRgb(colour);
    if (label->palette().color(QPalette::WindowText) == wanted) {
        return;
    }
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, wanted);
    label->setPalette(palette);
}

void ShowClock(const TimingView& view, const std::array<TDigit*, 7>& digits, QLabel* minutes,
               QLabel* seconds) {
    const std::array<const DigitLook*, 7> looks = {&view.Digit3, &view.Digit4, &view.Digit5,
                                                   &view.Digit6, &view.Digit7, &view.Digit8,
                                                   &view.Digit9};
    for (std::size_t i = 0; i < digits.size(); ++i) {
        digits[i]->SetValue(looks[i]->Value);
        digits[i]->SetColorOn(QColor::fromRgb(looks[i]->ColorOn));
    }
    SetTextColour(minutes, view.LabMinColor);
    SetTextColour(seconds, view.LabSecColor);
}
