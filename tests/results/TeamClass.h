#pragma once

#include <string>
#include <vector>

#include "TrickyClass.h"
#include "results/ClassRules.h"
#include "results/ResultTable.h"

// A team class: teams of three, the two best valid totals count.
//   Nord   1 Anna 15,00   2 Bert DQ      3 Carl 14,50        29,50 (the DQ does not count)
//   Süd    4 Dana 14,80   5 Emil n.a.    6 Finn scratched    14,80, one valid total only
//   West   7 Gabi 14,70   8 Hans 14,80   9 Ines 16,00        29,50, tied with Nord
//   Ost   10 Jana 15,10  11 Kurt 15,20  12 Lena to run       30,30
//   Mitte 13 Mara to run                                     nothing counts yet
//         14 Olga 13,90 (no team)
// Teams: Nord 1, West 1, Ost 3, Süd 4 (1 of 2 counted), Mitte without a place.
inline ResultTable TeamTable() {
    return TableOfRows({
        {"1", "Anna", "Ace", "Nord", "15,00", "0", "", "", "15,00", "", "1"},
        {"2", "Bert", "Bingo", "Nord", "13,00", "0", "DQ", "Tonne", "13,00", "", "2"},
        {"3", "Carl", "Cash", "Nord", "14,50", "0", "", "", "14,50", "", "3"},
        {"4", "Dana", "Dandy", "Süd", "14,80", "0", "", "", "14,80", "", "4"},
        {"5", "Emil", "Echo", "Süd", "", "", "", "", "n.a.", "", "5"},
        {"6", "Finn", "Fancy", "Süd", "", "", "", "Abgemeldet", "", "", "6"},
        {"7", "Gabi", "Gold", "West", "9,70", "1", "", "", "14,70", "", "7"},
        {"8", "Hans", "Hazel", "West", "14,80", "0", "", "", "14,80", "", "8"},
        {"9", "Ines", "Indigo", "West", "16,00", "0", "", "", "16,00", "", "9"},
        {"10", "Jana", "Joker", "Ost", "15,10", "0", "", "", "15,10", "", "10"},
        {"11", "Kurt", "Kiwi", "Ost", "15,20", "0", "", "", "15,20", "", "11"},
        {"12", "Lena", "Lotte", "Ost", "", "", "", "", "", "", "12"},
        {"13", "Mara", "Mokka", "Mitte", "", "", "", "", "", "", "13"},
        {"14", "Olga", "Opal", "", "13,90", "0", "", "", "13,90", "", "14"},
    });
}

inline ClassRules TeamRules() {
    ClassRules rules;
    rules.TeamBest = 2;
    return rules;
}
