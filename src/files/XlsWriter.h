#pragma once

#include <string>

#include "files/Report.h"

class ResultTable;

// The table as an ".xls" workbook: a BIFF8 workbook stream of one worksheet in a compound file,
// with the computed columns of extra from WorkbookExtraColumn on. Throws std::runtime_error
// when the table has more rows than the format holds.
std::string XlsBytes(const ResultTable& table, const ReportExtraCells& extra = {});
