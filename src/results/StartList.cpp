#include "results/StartList.h"

#include "results/Ranking.h"
#include "results/ResultTable.h"

StartList::StartList(ResultTable& table, Ranking& ranking, const ITextMeasure& measure)
    : table_(table), ranking_(ranking), measure_(measure) {
    board_.race = std::string(RaceText());
}

std::string StartList::StNrText() const {
    return stNrIndex_ < 0 ? std::string() : stNrItems_[stNrIndex_];
}

void StartList::GoToPosition(int index) {
    const int count = static_cast<int>(stNrItems_.size());
    stNrIndex_ = index >= 0 && index < count ? index : -1;
    if (stNrIndex_ < 0) {
        return;
    }
    positionText_ = std::to_string(stNrIndex_ + 1) + ":" + std::to_string(count);
    ShowChosenStarter();
    minusEnabled_ = stNrIndex_ > 0;
    plusEnabled_ = stNrIndex_ < count - 1;
}

void StartList::cbStNrChange(int index) {
    stNrIndex_ = index >= 0 && index < static_cast<int>(stNrItems_.size()) ? index : -1;
    ShowChosenStarter();
}

void StartList::ShowChosenStarter() {
    if (stNrIndex_ < 0) {
        return;
    }
    const int row = table_.FindRow(StNrText());
    if (row < 0) {
        return;
    }
    table_.SetCurrentRow(row);
    eReiterinChange(table_.Cell(ColName, row));
    ePferdChange(table_.Cell(ColPferd, row));
    eTeamChange(table_.Cell(ColTeam, row));
}

void StartList::bNumerClick(int step) {
    const int index = stNrIndex_ + step;
    if (index != -1) {
        GoToPosition(index);
    }
}

void StartList::eReiterinChange(std::string text) {
    eReiterin_ = std::move(text);
    board_.rider = eReiterin_;
}

void StartList::ePferdChange(std::string text) {
    ePferd_ = std::move(text);
    board_.horse = StNrText() + " " + ePferd_;
}

void StartList::eTeamChange(std::string text) {
    eTeam_ = std::move(text);
    if (board_.teamVisible) {
        board_.team = eTeam_;
    }
}

void StartList::cbRaceChange(int index) {
    if (index < 0 || index >= static_cast<int>(Races.size())) {
        return;
    }
    raceIndex_ = index;
    board_.race = std::string(RaceText());
}

void StartList::cbTeamClick(bool ticked) {
    teamTicked_ = ticked;
    board_.teamVisible = ticked;
    if (ticked) {
        table_.FitColumnWidths(measure_, true);
    } else {
        table_.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    }
    table_.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
}

void StartList::RebuildAfterLoad() {
    stNrItems_ = table_.Column(ColNr);
    stNrItems_.erase(stNrItems_.begin());
    for (int row = 1; row < table_.RowCount(); ++row) {
        table_.SetCell(ColStartPos, row, std::to_string(row));
    }
    table_.FitColumnWidths(measure_, true);
    GoToPosition(0);
    toolCommandsEnabled_ = !stNrItems_.empty();
    ranking_.cmd_SORTClick();
    for (int col = ColLaufzeit; col <= ColStartPos; ++col) {
        if (TrimText(table_.Cell(col, 0)).empty()) {
            table_.RestoreHeaderColumn(col);
        }
    }
    if (!teamTicked_) {
        table_.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    }
    table_.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
}
