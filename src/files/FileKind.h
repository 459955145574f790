#pragma once

#include <string_view>

// What the save and load commands do with a chosen file, by its extension.
enum class FileKind { None, Protocol, Spreadsheet, HtmlReport };

// ".TXT" protocol, ".XLS" and ".XLSX" workbook, ".HTML" report (any case); else nothing.
FileKind SaveKind(std::string_view path);
// ".TXT" protocol, ".XLS" and ".XLSX" workbook (any case); else nothing. What a chosen file
// holds is decided by its content when it is read.
FileKind LoadKind(std::string_view path);
