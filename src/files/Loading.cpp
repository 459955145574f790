#include "files/Loading.h"

#include <optional>

#include "files/FileIo.h"
#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

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
