#pragma once

#include <string>
#include <vector>

// One line of a start list for a whole show: a starter and the class they ride in.
struct ShowEntry {
    std::string ClassName;
    std::string Number;
    std::string Rider;
    std::string Horse;
    std::string Team;
    std::string Member;  // the rider's member number with the association ("Mitglied")
    int Line = 0;        // line of the text file or row of the sheet, from 1
};

struct ShowEntryList {
    // The list has a column "Klasse"; without one it is the start list of a single class.
    bool HasClassColumn = false;
    std::vector<ShowEntry> Entries;
    // Why the list cannot be taken; empty when it can.
    std::string Error;
};

// Reads a start list for the whole show: a text file (fields split at TAB or ";", ".txt" or
// ".csv") or a workbook whose first line names the columns, one of them "Klasse". The other
// columns are found by their titles ("Nr." or "Start-Nr.", "Name" or "Reiter", "Pferd",
// "Team", "Mitglied"); titles it does not know leave the columns in their usual order start number,
// rider, horse, team. A line without a class or a rider is refused with its line number.
ShowEntryList ReadShowEntries(const std::string& path, char decimalSeparator);
