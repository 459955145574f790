#pragma once

#include <string>
#include <vector>

#include "results/ClassRules.h"
#include "results/ResultTable.h"

// One class that every view of the results is tried against: each row is a case where views
// used to disagree. Thousandths, divisions 0,5 s and 1 s behind the fastest, a payout.
//   start  Nr   total        what it tests
//   1      101  14,100 + DQ  DQ in the DQ cell only: no place, whatever its time
//   2      102  DQ           DQ in the total only
//   3      103  n.a.         a total that is no time: no place, no division
//   4      104  15,488       tied with 106 to the thousandth
//   5      105  (scratched)  never counted as next or left
//   6      106  10,488 + 1 penalty = 15,488
//   7      107  15,481       leads by 7 ms: cut to hundredths it ties with 104 and 106
//   8      108  1:02,300     a minute time
//   9      109  61:02,300    an hour-long text
//   10     110  (to run)
// Places: 107 1, 104 2, 106 2, 108 4, 109 5. Divisions: 1D from 15,481 (107 1, 104 2, 106 2),
// 2D from 15,981 (nobody), 3D from 16,481 (108 1, 109 2).
// A table holding the rows (cells from column 0) below its header.
inline ResultTable TableOfRows(const std::vector<std::vector<std::string>>& rows) {
    ResultTable table;
    table.SetRowCount(static_cast<int>(rows.size()) + 1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        table.SetRow(static_cast<int>(i) + 1, rows[i]);
    }
    return table;
}

inline ResultTable TrickyTable() {
    return TableOfRows({
        {"101", "Anna Adler", "Ace", "Nord", "14,100", "0", "DQ", "Tonne", "14,100", "", "1"},
        {"102", "Berta Bauer", "Bingo", "Nord", "15,000", "0", "", "Tor", "DQ", "", "2"},
        {"103", "Clara Zimmermann", "Cash", "Süd", "", "", "", "", "n.a.", "", "3"},
        {"104", "Dora Dietz", "Dandy", "Süd", "15,488", "0", "", "", "15,488", "", "4"},
        {"105", "Emil Ernst", "Echo", "Nord", "", "", "", "Abgemeldet", "", "", "5"},
        {"106", "Frieda Fuchs", "Fancy", "Süd", "10,488", "1", "", "", "15,488", "", "6"},
        {"107", "Greta Graf", "Gold", "Nord", "15,481", "0", "", "", "15,481", "", "7"},
        {"108", "Hanna Horn", "Hazel", "Süd", "57,300", "1", "", "", "1:02,300", "", "8"},
        {"109", "Ida Igel", "Indigo", "Nord", "61:02,300", "0", "", "", "61:02,300", "", "9"},
        {"110", "Jonas Jäger", "Joker", "Süd", "", "", "", "", "", "", "10"},
    });
}

inline ClassRules TrickyRules() {
    ClassRules rules;
    rules.Thousandths = true;
    rules.DivisionOffsetsMs = {500, 1000};
    rules.HasPayout = true;
    rules.Payout.EntryFeeCents = 5000;
    rules.Payout.DivisionShares = {5000, 3000, 2000};
    rules.Payout.PlacesPaid = {2, 2, 2};
    rules.Payout.PlaceShares = {{2, {6000, 4000}}};
    return rules;
}

// The start numbers in the order every ranked result list shows them.
inline std::vector<std::string> TrickyRankedNumbers() {
    return {"107", "104", "106", "108", "109", "101", "102", "103", "105", "110"};
}
