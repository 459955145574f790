#include "files/Loading.h"

#include <algorithm>
#include <optional>

#include "files/FileIo.h"
#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

namespace {

// Control bytes no start list or protocol holds (TAB, CR, LF, form feed and the end-of-data
// byte 0x1A may appear): a picture, a program or a document of a word processor.
bool IsText(std::string_view bytes) {
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

}  // namespace

std::string ReloadFile(const std::string& path, ResultTable& table, StartList& starters) {
    const FileKind kind = LoadKind(path);
    if (kind == FileKind::None) {
        return "Dateityp wird nicht unterstützt: " + path;
    }
    // The whole file is in hand before the table is touched.
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        return "Datei kann nicht gelesen werden: " + path;
    }
    // A workbook saved under another name (".txt", or a zip named ".xls") loads as what it is.
    if (IsWorkbookContent(*bytes) || kind == FileKind::Spreadsheet) {
        std::string error = LoadWorkbook(table, path, *bytes, starters.DecimalSeparator());
        if (!error.empty()) {
            return error;
        }
    } else {
        if (!IsText(*bytes)) {
            return "Keine Starterliste und kein Protokoll (keine Textdatei): " + path;
        }
        // Read aside first: a file without a single starter must not empty a full table.
        ResultTable read = table;
        ReadProtocolText(read, *bytes);
        if (!HoldsAStarter(read)) {
            return "Keine Starter gefunden: " + path;
        }
        table = std::move(read);
    }
    starters.RebuildAfterLoad();
    return {};
}

std::string LoadChosenFile(const std::string& path, ResultTable& table, StartList& starters,
                           Ranking& ranking, const ITextMeasure& measure) {
    std::string error = ReloadFile(path, table, starters);
    if (!error.empty()) {
        return error;
    }
    table.FitColumnWidths(measure, false);
    table.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
    ranking.RankAndSort();
    return {};
}
