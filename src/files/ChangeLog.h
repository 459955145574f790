#pragma once

#include <string>
#include <vector>

#include "files/FileIo.h"
#include "results/ResultTable.h"

// One cell of a starter that a change gave another text.
struct CellChange {
    std::string Column;  // the column's header
    std::string Old;
    std::string New;
};

// What one change did to one starter's row (rows are matched by their start position).
struct RowChange {
    std::string Position;
    std::string StartNumber;
    std::string Rider;
    std::vector<CellChange> Cells;
};

// The starters whose cells differ between two states of a class's table, in start order. The
// place column is left out: places follow from the totals.
std::vector<RowChange> TableChanges(const ResultTable& before, const ResultTable& after);

// The change log's lines of one change, readable for an appeal:
//   2026-10-03 14:02:11.123 | Eintrag | Pos. 4, Nr. 12, Anna Berg | Laufzeit "" -> "15,23"; ...
// `what` names the change ("Eintrag", "Korrektur", "Abgemeldet", "Rückgängig", ...), `detail`
// adds what the table does not show (the run's edge stamps, the file loaded); a change that
// touched no starter still gets one line.
std::string ChangeLogText(const std::string& wallTime, const std::string& what,
                          const std::string& detail, const std::vector<RowChange>& changes);

// Appends text to the log at path and forces it to the disk before returning, so a result file
// replaced afterwards is always explained by the log. Creates the file when missing; a link is
// refused, never followed.
FileWriteResult AppendChangeLog(const std::string& path, const std::string& text,
                                const WriteCall& write = ::write);

// The local wall time of a log line: the day ("2026-10-03") and the time to the millisecond
// ("2026-10-03 14:02:11.123").
struct WallTime {
    std::string Day;
    std::string Text;
};
WallTime LocalWallTime();

// What a class's change log says of its last run: the start position of the last entry that no
// later undo took back ("" when none), and the stamps that entry was timed with.
struct LoggedEntry {
    std::string Position;
    std::string Detail;
};
LoggedEntry LastLoggedEntry(std::string_view logText);
