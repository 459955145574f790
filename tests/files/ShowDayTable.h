#pragma once

#include <string>

#include "results/ResultTable.h"

// A show-day table: German letters, DQ and unrun rows, blanks, a text long enough to be split
// across records, the team column hidden and many distinct texts.
inline ResultTable ShowDayTable(int starters) {
    ResultTable table;
    table.SetRowCount(starters + 1);
    for (int i = 1; i <= starters; ++i) {
        const std::string nr = std::to_string(i);
        switch (i % 3) {
            case 0:
                table.SetRow(i, {nr, "Jürgen Weiß " + nr, "Äskulap", "Team Süd", "16,02", "1", "",
                                 "", "21,02", "1"});
                break;
            case 1:
                table.SetRow(i, {nr, "Anna Müller", "Blitz " + nr, " ", "15,00", "0", "DQ",
                                 "Tonne umgeworfen", "DQ"});
                break;
            default:
                table.SetRow(i, {nr, "Zoë Øster", "Ölgemälde"});
        }
    }
    table.SetCell(ColGrund, 1, std::string(6000, 'x') + "ß");
    table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    return table;
}
