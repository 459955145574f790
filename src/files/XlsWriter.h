#pragma once

#include <string>

#include "files/Report.h"

class ResultTable;
struct Standing;

// The table as an ".xls" workbook: a BIFF8 workbook stream of one worksheet in a compound file,
// every cell a text (FreeXL reads a time-formatted number back without its fraction), marked as
// the standing has the rows, with its division columns from WorkbookExtraColumn on. Throws
// std::runtime_error when the table has more rows than the format holds.
std::string XlsBytes(const ResultTable& table, const Standing& standing);
