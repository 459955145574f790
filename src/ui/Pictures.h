#pragma once

#include <QPixmap>
#include <QPoint>
#include <QWidget>

// Light-barrier indicator pictures, 32 x 32.
enum PortPicture : int {
    PortLocked = 0,  // red disc with a white horizontal bar
    PortArmed = 1,   // green disc with a white vertical bar
    PortIdle = 2,    // plain grey disc
};

// The light-barrier indicator picture with the given index of the list above.
QPixmap ImageListPort(int index);

// The abort picture, 33 x 33: a red octagon with a white X.
QPixmap AbortPicture();

// The TV-mode picture, 154 x 28: the maker's name in two parts with a round lamp between them,
// where the display number is shown. TV mode off (0): red lamp; on (1): green lamp and lettering.
QPixmap BrindlewerkPicture(int tvMode);
// The lamp's centre in that picture.
inline constexpr QPoint BrindlewerkLamp{69, 15};

// Glyphs of the picture buttons, 32 x 32 on a transparent ground.
enum class Glyph {
    Help,      // cmd_F1_Help: white question mark on a blue disc
    Settings,  // cmd_F2_Settings: grey gear wheel
    Info,      // cmd_F3_Info: white "i" on a blue disc
    Clear,     // Cmd_Clear: red cross over a sheet
    Edit,      // Cmd_Edit: pencil over a sheet
    Sort,      // cmd_SORT: bars in rising order with a down arrow
    Save,      // cmd_SAVE: floppy disk
    Print,     // cmd_PRINT: printer
    Excel,     // cmd_EXCEL: green spreadsheet grid
    Html,      // cmd_HTML: globe
    Ok,        // sOK of the information window: green tick
};
QPixmap GlyphPicture(Glyph glyph);

// The light-barrier trigger pictures beside "ON" (0, CTS becoming active: a rising edge) and
// "OFF" (1, a falling edge), 41 x 16.
QPixmap TriggerPicture(int alg);

// The maker's logo of the information window, 238 x 65.
QPixmap MakerLogo();

// The strip behind the three small buttons at the top of the operator's controls, 16 x 39,
// drawn stretched: a brushed-silver band.
QPixmap ButtonStripPicture();

// A picture centred in its area and scaled to fit it, proportions kept, as the area grows and
// shrinks; an empty picture leaves the area empty.
class FittedPicture : public QWidget {
public:
    using QWidget::QWidget;
    void SetPicture(const QPixmap& picture);
    const QPixmap& Picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};
