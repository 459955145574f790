#pragma once

#include <optional>

// The options that run without a window:
//   corralix [--race NAME] --export OUT [--export OUT ...] INPUT
//   corralix --help
// Returns the exit code when the program is to end, nothing when the windows are to start.
// Call first thing in main, before a QApplication exists.
std::optional<int> RunCommandLine(int argc, char* argv[]);
