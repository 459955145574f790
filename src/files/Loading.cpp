#include "files/Loading.h"

#include <optional>
#include <string_view>

#include "files/FileIo.h"
#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

namespace {

// A text start list or protocol holds no control characters but TAB and line ends, up to the old
// end-of-data mark; anything else is a program, a picture or an archive.
bool LooksLikeText(std::string_view bytes) {
    for (const char byte : bytes.substr(0, bytes.find('\x1A'))) {
        if (static_cast<unsigned char>(byte) < 0x20 && byte != '\t' && byte != '\r' &&
            byte != '\n') {
            return false;
        }
    }
    return true;
}

}  // namespace

bool HoldsStarters(const ResultTable& table) {
    for (int row = 1; row < table.RowCount(); ++row) {
        if (!TrimText(table.Cell(ColNr, row)).empty() ||
            !TrimText(table.Cell(ColName, row)).empty()) {
            return true;
        }
    }
    return false;
}

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
    } else if (!LooksLikeText(*bytes)) {
        return "Die Datei ist keine Starterliste (sie enthält Binärdaten): " + path;
    } else {
        ReadProtocolText(table, *bytes);
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
