#include "results/StartList.h"

#include <algorithm>
#include <cstdlib>

#include "results/ResultTable.h"

void NumberStartPositions(ResultTable& table) {
    for (int row = 1; row < table.RowCount(); ++row) {
        table.SetCell(ColStartPos, row, std::to_string(row));
    }
}

StartList::StartList(ResultTable& table, const ITextMeasure& measure, char decimalSeparator)
    : table_(table), measure_(measure), decimalSeparator_(decimalSeparator) {
    board_.race = std::string(RaceText());
}

std::string StartList::StNrText() const {
    return stNrIndex_ < 0 ? std::string() : stNrItems_[stNrIndex_];
}

int StartList::StarterRow() const {
    if (stNrIndex_ < 0) {
        return -1;
    }
    const int row = table_.FindStartPosition(std::to_string(stNrIndex_ + 1));
    return row >= 0 ? row : table_.FindRow(StNrText());
}

EntryTarget StartList::EntryRow() const {
    EntryTarget target;
    int row = StarterRow();
    if (row < 0 && stNrIndex_ < 0) {
        for (int body = 1; body < table_.RowCount() && row < 0; ++body) {
            const auto& cells = table_.Row(body);
            const bool empty = std::all_of(cells.begin(), cells.end(), [](const std::string& cell) {
                return TrimText(cell).empty();
            });
            row = empty ? body : -1;
        }
    }
    if (row < 0) {
        row = table_.RowCount();
        target.NewRow = {StNrText(), eReiterin_, ePferd_, eTeam_};
    }
    if (row == table_.RowCount() || TrimText(table_.Cell(ColStartPos, row)).empty()) {
        int last = 0;
        for (int body = 1; body < table_.RowCount(); ++body) {
            last = std::max(last, std::atoi(table_.Cell(ColStartPos, body).c_str()));
        }
        target.Position = std::to_string(last + 1);
    }
    target.Row = row;
    return target;
}

void StartList::GoToPosition(int index) {
    const int count = static_cast<int>(stNrItems_.size());
    if (index < 0 || index >= count) {
        ShowNoStarter();
        return;
    }
    stNrIndex_ = index;
    positionText_ = std::to_string(stNrIndex_ + 1) + ":" + std::to_string(count);
    ShowChosenStarter();
    minusEnabled_ = stNrIndex_ > 0;
    plusEnabled_ = stNrIndex_ < count - 1;
}

void StartList::cbStNrChange(int index) {
    if (index < 0 || index >= static_cast<int>(stNrItems_.size())) {
        return;
    }
    GoToPosition(index);
}

std::vector<std::string> StartList::StNrNames() const {
    const int count = static_cast<int>(stNrItems_.size());
    std::vector<std::string> names(stNrItems_.size());
    for (int row = 1; row < table_.RowCount(); ++row) {
        const int position = std::atoi(table_.Cell(ColStartPos, row).c_str());
        if (position >= 1 && position <= count) {
            names[position - 1] = table_.Cell(ColName, row);
        }
    }
    return names;
}

int StartList::FindStNr(std::string_view typed) const {
    const std::string wanted = AsciiLower(TrimText(typed));
    if (wanted.empty()) {
        return -1;
    }
    int first = -1;
    for (int i = 0; i < static_cast<int>(stNrItems_.size()); ++i) {
        const std::string number = AsciiLower(TrimText(stNrItems_[i]));
        if (number == wanted) {
            return i;
        }
        if (first < 0 && number.starts_with(wanted)) {
            first = i;
        }
    }
    return first;
}

void StartList::ShowChosenStarter() {
    const int row = StarterRow();
    if (row < 0) {
        return;
    }
    table_.SetCurrentRow(row);
    eReiterinChange(table_.Cell(ColName, row));
    ePferdChange(table_.Cell(ColPferd, row));
    eTeamChange(table_.Cell(ColTeam, row));
}

void StartList::ShowNoStarter() {
    const int count = static_cast<int>(stNrItems_.size());
    stNrIndex_ = -1;
    positionText_ = count > 0 ? "-:" + std::to_string(count) : std::string();
    eReiterinChange({});
    ePferdChange({});
    eTeamChange({});
    minusEnabled_ = count > 0;
    plusEnabled_ = false;
}

void StartList::bNumerClick(int step) {
    const int count = static_cast<int>(stNrItems_.size());
    // With no current starter (past the last one) "<<" returns to the last starter.
    const int from = stNrIndex_ < 0 ? count : stNrIndex_;
    if (from + step >= 0) {
        GoToPosition(from + step);
    }
}

void StartList::eReiterinChange(std::string text) {
    eReiterin_ = std::move(text);
    board_.startNumber = StNrText();
    board_.rider = eReiterin_;
}

void StartList::ePferdChange(std::string text) {
    ePferd_ = std::move(text);
    board_.startNumber = StNrText();
    board_.horse = ePferd_;
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
    table_.FitColumnWidths(measure_, true);
    GoToPosition(0);
    toolCommandsEnabled_ = !stNrItems_.empty();
    // Result columns without a heading get theirs back, at their usual width.
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
