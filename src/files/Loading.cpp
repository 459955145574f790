#include "files/Loading.h"

#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

std::string ReloadFile(const std::string& path, ResultTable& table, StartList& starters) {
    if (LoadKind(path) != FileKind::Protocol) {
        return "Dateityp wird nicht unterstützt: " + path;
    }
    if (!ReadProtocolFile(table, path)) {
        return "Datei kann nicht gelesen werden: " + path;
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
