#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QString>
#include <array>
#include <functional>

#include "timing/TimingView.h"

// One band of a vertical gradient: rows Top to Bottom - 1 in one colour.
struct GradientBand {
    int Top = 0;
    int Bottom = 0;
    Rgb Colour = 0;

    bool operator==(const GradientBand&) const = default;
};

// The 32 bands of a gradient from colour a at row top towards colour b, ending before row bottom.
// Band i has, per channel, trunc(a + i * (b - a) / 31) and starts at top + i * h div 31, one row
// plus h div 31 high (h = bottom - top), so neighbouring bands overlap by a row and none passes
// bottom.
std::array<GradientBand, 32> GradientBands(Rgb a, Rgb b, int top, int bottom);

// The face colour under the mouse: color blended towards hot by level / 8 per channel (level 8
// is hot itself, 0 color itself).
Rgb HoverBlend(Rgb color, Rgb hot, int level);

// The caption losing its last character until width() of it is at most `available` (down to the
// empty text). A character outside the basic plane goes as a whole.
QString CutCaption(QString caption, int available, const std::function<int(const QString&)>& width);

// The window's timing commands and its flat picture buttons: a push button that paints its own
// face from the colours of a ButtonLook. bsModern is the colour button (gradient from the light
// colour over the face colour a quarter down back to the light colour, rounded outline);
// bsNormal is a plain face with a bevel, which a flat button shows only under the mouse or while
// held down. A held button moves its caption and glyph one pixel right and down; a disabled one
// is never drawn down, shows no hover colour and writes its caption in #808080.
class TLbSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Style { bsNormal, bsModern };

    explicit TLbSpeedButton(QWidget* parent = nullptr);

    // Caption, colours and enabled state; the button repaints only when the look changed.
    void SetLook(const ButtonLook& look);
    const ButtonLook& Look() const { return look_; }

    void SetStyle(Style style);
    // A flat button shows its bevel only under the mouse or while down.
    void SetFlat(bool flat);
    // A transparent button paints no face: the parent shows through.
    void SetTransparent(bool transparent);
    // Picture left of the caption; a disabled button shows it greyed.
    void SetGlyph(const QPixmap& glyph);
    // Horizontal placement of caption and glyph: Qt::AlignLeft, AlignRight or AlignHCenter.
    void SetAlignment(Qt::Alignment alignment);

    bool Hover() const { return hover_; }
    QSize sizeHint() const override { return {100, 23}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    template <typename T>
    void ChangeAndUpdate(T& field, const T& value) {
        if (field != value) {
            field = value;
            update();
        }
    }

    ButtonLook look_;
    Style style_ = bsNormal;
    bool flat_ = false;
    bool transparent_ = false;
    QPixmap glyph_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    // The mouse is over the button; set only on entering an enabled button.
    bool hover_ = false;
};

// A colour button of the time board's controls (bSTART, bEintragen, bDq, b5sek, b_5sek): bsModern,
// bold Arial 19 pixels, caption centred. Its look comes from SetLook.
TLbSpeedButton* NewColourButton(QWidget* parent);

// A flat picture button (cmd_F1_Help, cmd_F2_Settings, cmd_F3_Info, the tool strip): no face, a
// light and shadow bevel only under the mouse or while down, the glyph centred. Make it
// checkable to have it stay down until clicked again.
TLbSpeedButton* NewGlyphButton(QWidget* parent, const QPixmap& glyph);
