#include "files/FileKind.h"

#include <string>

#include "results/ResultTable.h"

std::string FileExtension(std::string_view path) {
    const std::size_t name = path.find_last_of('/') + 1;  // npos + 1 == 0
    const std::size_t dot = path.find_last_of('.');
    return dot != std::string_view::npos && dot >= name ? AsciiLower(path.substr(dot)) : "";
}

FileKind SaveKind(std::string_view path) {
    const std::string extension = FileExtension(path);
    if (extension == ".txt") {
        return FileKind::Protocol;
    }
    if (extension == ".xls" || extension == ".xlsx") {
        return FileKind::Spreadsheet;
    }
    return extension == ".html" ? FileKind::HtmlReport : FileKind::None;
}

FileKind LoadKind(std::string_view path) {
    const std::string extension = FileExtension(path);
    if (extension == ".txt") {
        return FileKind::Protocol;
    }
    return extension == ".xls" ? FileKind::Spreadsheet : FileKind::None;
}
