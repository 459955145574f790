#pragma once

#include <string>

#include "results/ResultTable.h"

// Reading a file the operator chose, before it replaces the table on screen.

// A file read whole: the table it holds, its start positions numbered by its rows, or why it
// could not be read.
struct LoadedTable {
    std::string Error;  // empty on success, else the message for the operator
    ResultTable Table;
};

// Reads the file chosen in the open dialog (or the last file again): a protocol or start list,
// or the first sheet of a workbook (".xls"/".xlsx", told apart by content; numbers come in with
// decimalSeparator). The table read starts from `current` (its header and column widths); a file
// that is gone, not a start list or without a single starter is refused with a message.
LoadedTable ReadChosenFile(const std::string& path, const ResultTable& current,
                           char decimalSeparator);
