#pragma once

#include <string>
#include <string_view>

// The extension from the last dot of the file name on, in lower case (".txt"); empty when none.
std::string FileExtension(std::string_view path);

// What the save and load commands do with a chosen file, by its extension.
enum class FileKind { None, Protocol, Spreadsheet, HtmlReport };

// ".TXT" protocol, ".XLS" and ".XLSX" workbook, ".HTML" report (any case); else nothing.
FileKind SaveKind(std::string_view path);
// ".TXT" protocol, ".XLS" workbook (any case); else, ".XLSX" included, nothing.
FileKind LoadKind(std::string_view path);
