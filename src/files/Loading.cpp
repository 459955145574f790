#include "files/Loading.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "files/FileIo.h"
#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

namespace {

// Control bytes no start list or protocol holds (TAB, CR, LF, form feed and the end-of-data
// byte 0x1A may appear): a picture, a program or a document of a word processor.
bool IsText(std::string_view bytes) {
    // A PNG picture's signature holds the end-of-data byte on purpose, to stop a text viewer.
    if (bytes.starts_with("\x89PNG")) {
        return false;
    }
    // The reader stops at the end-of-data byte: whatever an old editor left after it is no part
    // of the list.
    bytes = bytes.substr(0, bytes.find('\x1A'));
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\x1A';
    });
}

bool HoldsAStarter(const ResultTable& table) {
    for (int row = 1; row < table.RowCount(); ++row) {
        const auto& cells = table.Row(row);
        if (std::any_of(cells.begin(), cells.end(),
                        [](const std::string& cell) { return !TrimText(cell).empty(); })) {
            return true;
        }
    }
    return false;
}

std::string ListTooLarge(const std::string& limit, const std::string& path) {
    return "Die Datei ist zu groß für eine Starterliste (mehr als " + limit + "): " + path;
}

}  // namespace

ListFile ReadListFile(const std::string& path) {
    std::optional<std::string> bytes = ReadFileBytes(path, MaxListFileBytes);
    if (!bytes) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error) &&
            std::filesystem::file_size(path, error) > MaxListFileBytes) {
            return {{}, ListTooLarge(std::to_string(MaxListFileBytes >> 20) + " MB", path)};
        }
        return {{}, "Datei kann nicht gelesen werden: " + path};
    }
    // A workbook's readers keep to their own limits as they read.
    if (!IsWorkbookContent(*bytes) && LoadKind(path) != FileKind::Spreadsheet &&
        CountTextLines(*bytes) > MaxListLines) {
        return {{}, ListTooLarge(std::to_string(MaxListLines) + " Zeilen", path)};
    }
    return {std::move(*bytes), {}};
}

LoadedTable ReadChosenFile(const std::string& path, const ResultTable& current,
                           char decimalSeparator) {
    LoadedTable loaded{{}, current};
    const FileKind kind = LoadKind(path);
    if (kind == FileKind::None) {
        loaded.Error = "Dateityp wird nicht unterstützt: " + path;
        return loaded;
    }
    // The whole file is in hand before anything is read into a table.
    const ListFile file = ReadListFile(path);
    if (!file.Error.empty()) {
        loaded.Error = file.Error;
        return loaded;
    }
    const std::string& bytes = file.Bytes;
    // A workbook saved under another name (".txt", or a zip named ".xls") loads as what it is.
    if (IsWorkbookContent(bytes) || kind == FileKind::Spreadsheet) {
        loaded.Error = LoadWorkbook(loaded.Table, path, bytes, decimalSeparator);
    } else if (!IsText(bytes)) {
        loaded.Error = "Keine Starterliste und kein Protokoll (keine Textdatei): " + path;
    } else {
        ReadProtocolText(loaded.Table, bytes);
        // A file without a single starter must not empty a full table.
        if (!HoldsAStarter(loaded.Table)) {
            loaded.Error = "Keine Starter gefunden: " + path;
        }
    }
    if (loaded.Error.empty()) {
        NumberStartPositions(loaded.Table);
    }
    return loaded;
}
