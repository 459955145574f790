#include "files/Loading.h"

#include "files/FileKind.h"
#include "files/ProtocolFile.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

void ReloadFile(const std::string& path, ResultTable& table, StartList& starters) {
    if (LoadKind(path) == FileKind::Protocol && ReadProtocolFile(table, path)) {
        starters.RebuildAfterLoad();
    }
}

void LoadChosenFile(const std::string& path, ResultTable& table, StartList& starters,
                    Ranking& ranking, const ITextMeasure& measure) {
    ReloadFile(path, table, starters);
    table.FitColumnWidths(measure, false);
    table.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
    ranking.RankAndSort();
}
