#pragma once

#include <QList>

#include "core/KeyCommands.h"

class Competition;
class QAction;
class QWidget;

// Puts the whole key table on a window: one action per key command, acting wherever the focus
// is in that window and forwarding to the competition, which decides whether it is enabled.
// Every window of the program installs it, so the keys work whichever window is in front.
QList<QAction*> InstallKeyCommands(QWidget* window, Competition& competition);

// A text field keeps some command keys for itself (Ctrl+E moves to the end, Ctrl+B one character
// back). Installed on a field, this hands every key of `actions` to its command instead, except
// Ctrl+A, which selects the field's text.
void LeaveCommandKeysToCommands(QWidget* field, const QList<QAction*>& actions);
