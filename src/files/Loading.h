#pragma once

#include <cstddef>
#include <string>

#include "results/ResultTable.h"

// Reading a file the operator chose, before it replaces the table on screen.

// What a start list or protocol may hold, as a workbook may (MaxSheetRows): a show has hundreds
// or a few thousand starters, never millions. A text list beyond one of these is refused before
// it is split into rows; a file beyond the size is not even read.
inline constexpr std::size_t MaxListFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t MaxListLines = 10000;

// The bytes of a start list, protocol or workbook; Error is the message when it is not there, not
// a file, or (a text list) beyond the limits above.
struct ListFile {
    std::string Bytes;
    std::string Error;
};
ListFile ReadListFile(const std::string& path);

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
