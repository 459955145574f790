#pragma once

#include <QPixmap>

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
