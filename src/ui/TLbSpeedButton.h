#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QMenu>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <functional>
#include <optional>

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
// face from its colours. bsModern is the colour button (gradient from the light colour over the
// face colour a quarter down back to the light colour, rounded outline); bsNormal is a plain face
// with a bevel, which a flat button shows only under the mouse or while held down; bsEncarta is
// bsNormal whose caption turns bold instead of moving while down. A held button moves its caption
// and glyph one pixel right and down; a disabled one is never drawn down, shows no hover colour
// and writes its caption in #808080.
//
// Buttons with the same non-zero group index on one parent form a group in which at most one is
// down; a press puts a grouped button down, and with AllowAllUp a press on the down one puts it
// up again. A plain button (group 0) is down only while the mouse button is held.
class TLbSpeedButton : public QAbstractButton {
    Q_OBJECT
public:
    enum Style { bsNormal, bsEncarta, bsModern, bsOld, bsShape, bsQuicken };
    // Colour presets; lcsCustom uses the colours as set. The others are kept as a setting only:
    // no button of the program uses them, and they draw like lcsCustom.
    enum ColorStyle {
        lcsCustom,
        lcsGold,
        lcsChrome,
        lcsBlue,
        lcsRed,
        lcsUltraFlat1,
        lcsUltraFlat2,
        lcsUltraFlatXP,
        lcsAqua,
        lcsDefault,
        lcsQuicken
    };
    enum Layout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    // Full hover colour; the level falls to 0 when the mouse leaves (step by step with
    // SlowDecease).
    static constexpr int HoverFull = 8;

    explicit TLbSpeedButton(QWidget* parent = nullptr);

    // Caption, colours and enabled state; the button repaints only when the look changed.
    void SetLook(const ButtonLook& look);
    const ButtonLook& Look() const { return look_; }

    // The face colours one by one. Without a down or hover colour ("none", the default) the face
    // keeps Color while down or under the mouse.
    void SetColor(Rgb colour);
    void SetColorWhenDown(std::optional<Rgb> colour);
    void SetHotTrackColor(std::optional<Rgb> colour);
    void SetLightColor(Rgb colour);
    void SetShadowColor(Rgb colour);
    std::optional<Rgb> ColorWhenDown() const { return colorWhenDown_; }
    std::optional<Rgb> HotTrackColor() const { return hotTrackColor_; }
    void SetColorStyle(ColorStyle colorStyle);
    ColorStyle GetColorStyle() const { return colorStyle_; }

    void SetStyle(Style style);
    // A flat button shows its bevel only under the mouse or while down.
    void SetFlat(bool flat);
    // A transparent button paints no face: the parent shows through.
    void SetTransparent(bool transparent);
    // A strip of NumGlyphs pictures side by side: normal, disabled, down, under the mouse. A
    // strip of fewer pictures draws the normal one (greyed while disabled) for the missing ones.
    void SetGlyph(const QPixmap& glyph);
    void SetNumGlyphs(int count);
    void SetLayout(Layout layout);
    // Horizontal placement of caption and glyph: Qt::AlignLeft, AlignRight or AlignHCenter.
    void SetAlignment(Qt::Alignment alignment);
    // Without word wrap a caption too wide loses characters from its end.
    void SetWordWrap(bool wrap);
    // The caption's font while the mouse is over the button, when UseHotTrackFont is set.
    void SetHotTrackFont(const QFont& font);
    void SetUseHotTrackFont(bool use);
    // Shown below the button on a click, before the click's handlers run; a small arrow marks it.
    void SetPopupMenu(QMenu* menu);
    // Fades the hover colour out in 30 ms steps after the mouse left.
    void SetSlowDecease(bool slow);

    // The pressed state; putting a grouped button down puts the others of its group up.
    void SetDown(bool down);
    bool Down() const { return down_; }
    void SetGroupIndex(int index) { groupIndex_ = index; }
    int GroupIndex() const { return groupIndex_; }
    void SetAllowAllUp(bool allow) { allowAllUp_ = allow; }

    // A click issued by code: the popup menu, then the click handlers, enabled or not.
    void Click();

    bool Hover() const { return hover_; }
    int HoverLevel() const { return hoverLevel_; }
    QSize sizeHint() const override { return {100, 23}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    template <typename T>
    void ChangeAndUpdate(T& field, const T& value) {
        if (field != value) {
            field = value;
            update();
        }
    }
    // Picture number `index` of the glyph strip, in the widget's pixels; null past the strip.
    QPixmap GlyphPicture(int index) const;
    void Fade();

    ButtonLook look_;
    Rgb color_ = 0xF0F0F0;
    std::optional<Rgb> colorWhenDown_;
    std::optional<Rgb> hotTrackColor_;
    Rgb lightColor_ = 0xFFFFFF;
    Rgb shadowColor_ = 0x000000;
    ColorStyle colorStyle_ = lcsCustom;
    Style style_ = bsNormal;
    bool flat_ = false;
    bool transparent_ = false;
    QPixmap glyph_;
    int numGlyphs_ = 1;
    Layout layout_ = blGlyphLeft;
    Qt::Alignment alignment_ = Qt::AlignLeft;
    bool wordWrap_ = false;
    QFont hotTrackFont_;
    bool useHotTrackFont_ = false;
    QPointer<QMenu> popupMenu_;
    bool slowDecease_ = false;
    QTimer* fading_ = nullptr;
    bool down_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    // The mouse is over the button; set only on entering an enabled button.
    bool hover_ = false;
    int hoverLevel_ = 0;
};

// A colour button of the time board's controls (bSTART, bEintragen, bDq, b5sek, b_5sek): bsModern,
// bold Arial 19 pixels, caption centred. Its look comes from SetLook.
TLbSpeedButton* NewColourButton(QWidget* parent);

// A flat picture button (cmd_F1_Help, cmd_F2_Settings, cmd_F3_Info, the tool strip): no face, a
// light and shadow bevel only under the mouse or while down, the glyph centred. Make it
// checkable to have it stay down until clicked again.
TLbSpeedButton* NewGlyphButton(QWidget* parent, const QPixmap& glyph);
