#pragma once

#include <string_view>

#include "files/Workbook.h"

// The first sheet of an ".xlsx" workbook, a zip of XML parts; see ReadWorkbook. The error text
// says what is wrong without naming the file.
WorkbookRows ReadXlsx(std::string_view bytes, char decimalSeparator);
