#pragma once

#include <string>

class ResultTable;

// The table as an ".xls" workbook: a BIFF8 workbook stream of one worksheet in a compound file.
// Throws std::runtime_error when the table has more rows than the format holds.
std::string XlsBytes(const ResultTable& table);
