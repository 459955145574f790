#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "files/Workbook.h"

// The first sheet of an ".xlsx" workbook, a zip of XML parts; see ReadWorkbook. The error text
// says what is wrong without naming the file.
WorkbookRows ReadXlsx(std::string_view bytes, char decimalSeparator);

// Every cell of the first sheet that holds something, wherever it is: numbers as stored, other
// cells as their text. Nothing when the workbook cannot be read.
std::optional<std::vector<KeptCell>> ReadXlsxCells(std::string_view bytes, char decimalSeparator);
