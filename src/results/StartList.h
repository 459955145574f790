#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class ITextMeasure;
class ResultTable;

// Where the current starter's run goes: a row of the table, or a new row after the last one.
struct EntryTarget {
    int Row = -1;  // RowCount() of the table for a new row
    // The new row's cells: the start number and the typed rider, horse and team.
    std::vector<std::string> NewRow;
    // The start position the row is given; empty when it has one.
    std::string Position;
};

// Prepares a table just read, before it replaces the one on screen: each row's start position
// is its place in the file.
void NumberStartPositions(ResultTable& table);

// What the time boards show of the current starter. The main window's labels (eRaceT,
// eReiterinT, ePferdT, eTeamT) and the spectator window's (…M) show the same texts.
struct BoardTexts {
    std::string race;         // eRaceT
    std::string startNumber;  // shown before the rider
    std::string rider;        // eReiterinT
    std::string horse;        // ePferdT
    std::string team;         // eTeamT; kept, not updated, while hidden
    bool teamVisible = true;
};

// The current starter and the entry fields above the result table: the start-number list
// cbStNr, the step buttons, rider/horse/team fields, event type, team switch and the board
// texts they are mirrored onto. The window renders this state and forwards its events here.
// It reads the table and keeps its current row and column widths; it never writes a cell.
class StartList {
public:
    static constexpr int MinusStep = -1;
    static constexpr int PlusStep = 1;
    static constexpr std::string_view MinusCaption = "<<";
    static constexpr std::string_view PlusCaption = ">>";
    static constexpr std::string_view MinusHint = "Vorheriger";
    static constexpr std::string_view PlusHint = "Nächster";
    static constexpr std::array<std::string_view, 5> Races = {
        "Barrel Racing", "Pole Bending", "Mixed Race", "Flag Race", "Keyhole Race"};

    // The measure fits column widths; it must outlive this object. decimalSeparator is the
    // system's, for loaders that turn numbers into cell texts.
    StartList(ResultTable& table, const ITextMeasure& measure, char decimalSeparator);

    // Start-number list cbStNr: its items and selected index (-1 = no current starter).
    const std::vector<std::string>& StNrItems() const { return stNrItems_; }
    int StNrIndex() const { return stNrIndex_; }
    // Each item's starter's name, for the list to show beside the number.
    std::vector<std::string> StNrNames() const;
    // The item a typed start number picks: the item that is exactly that number (ignoring
    // blanks and ASCII case), else the first that begins with it; -1 when none.
    int FindStNr(std::string_view typed) const;
    // The current start number; empty without a current starter.
    std::string StNrText() const;
    // The current starter's row: the row holding the starter's start position, so starters
    // sharing a start number keep rows of their own; -1 without a current starter.
    int StarterRow() const;
    // The row the current starter's result is entered into. Without a current starter (no start
    // list, or past the last starter) it is the first wholly empty body row, else a new row at the
    // end carrying the typed rider, horse and team: an entry never lands on another starter's
    // result. The row gets a start position when it has none.
    EntryTarget EntryRow() const;
    // First status panel: "position:count"; empty until the first starter is chosen.
    const std::string& PositionText() const { return positionText_; }
    bool MinusEnabled() const { return minusEnabled_; }
    bool PlusEnabled() const { return plusEnabled_; }
    // cmd_SORT, cmd_SAVE, cmd_PRINT, cmd_EXCEL, cmd_HTML, Cmd_Clear and Cmd_Edit.
    bool ToolCommandsEnabled() const { return toolCommandsEnabled_; }
    // The system's decimal separator, for loaders that turn numbers into cell texts.
    char DecimalSeparator() const { return decimalSeparator_; }

    const std::string& Reiterin() const { return eReiterin_; }
    const std::string& Pferd() const { return ePferd_; }
    const std::string& Team() const { return eTeam_; }
    bool TeamEnabled() const { return teamTicked_; }
    bool TeamTicked() const { return teamTicked_; }
    int RaceIndex() const { return raceIndex_; }
    std::string_view RaceText() const { return Races[raceIndex_]; }
    const BoardTexts& Board() const { return board_; }

    // Selects the item at index. With a starter selected: position panel, the starter's row and
    // fields, step buttons. Any other index leaves no current starter: the fields and boards are
    // emptied, so they never show a starter who is not the current one.
    void GoToPosition(int index);
    // The operator picked item index in cbStNr: shows that starter; panel and step buttons follow.
    void cbStNrChange(int index);
    // Both step buttons; bNumerPlus also when clicked in code while disabled. Past the last
    // starter there is none; "<<" comes back to the last one.
    void bNumerClick(int step);

    // Field texts changed (typed or set in code); each mirrors onto the boards.
    void eReiterinChange(std::string text);
    void ePferdChange(std::string text);
    void eTeamChange(std::string text);
    void cbRaceChange(int index);
    // The team switch was clicked to ticked or cleared.
    void cbTeamClick(bool ticked);

    // After a start list or protocol was put into the table (its start positions numbered):
    // the list of start numbers, fitted widths, the first starter.
    void RebuildAfterLoad();

private:
    void ShowChosenStarter();
    void ShowNoStarter();

    ResultTable& table_;
    const ITextMeasure& measure_;
    char decimalSeparator_;
    std::vector<std::string> stNrItems_;
    int stNrIndex_ = -1;
    std::string positionText_;
    bool minusEnabled_ = false;
    bool plusEnabled_ = false;
    bool toolCommandsEnabled_ = false;
    std::string eReiterin_;
    std::string ePferd_;
    std::string eTeam_;
    int raceIndex_ = 0;
    bool teamTicked_ = true;
    BoardTexts board_;
};
