#pragma once

#include <string>

// The video overlay for a streaming program's browser source ("/overlay"): a transparent page that
// reads the announcer's data and shows the rider on course, the horse and the running clock, then
// the run's time, penalties, place and division. The same script serves the broker's overlay in
// assets/board.
std::string OverlayPage();
