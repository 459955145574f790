#include "ui/TimeBoard.h"

#include <QLabel>

#include "results/ResultTable.h"
#include "results/StartList.h"
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

QString BoardHeading(const BoardTexts& texts, const std::string& className) {
    const bool both = !className.empty() && !texts.race.empty() &&
                      AsciiLower(TrimText(className)) != AsciiLower(TrimText(texts.race));
    return QString::fromStdString(both                ? className + " · " + texts.race
                                  : className.empty() ? texts.race
                                                      : className);
}

QString BoardRider(const BoardTexts& texts) {
    return QString::fromStdString(
        texts.startNumber.empty() ? texts.rider : texts.startNumber + " " + texts.rider);
}
