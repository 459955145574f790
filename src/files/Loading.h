#pragma once

#include <string>

class ITextMeasure;
class Ranking;
class ResultTable;
class StartList;

// What loading a file does to the table, apart from the open dialog. UI thread only.

// Loads the file chosen in the open dialog: a protocol or start list, or the first sheet of a
// workbook (".xls"/".xlsx", told apart by content; numbers come in with the ranking's decimal
// separator), then fits the widths of the visible columns, hides the start position again and
// assigns the places in the current view. Returns empty on success, else the message for the
// operator; the table is then exactly as it was.
std::string LoadChosenFile(const std::string& path, ResultTable& table, StartList& starters,
                           Ranking& ranking, const ITextMeasure& measure);

// Reads the last file again (right click on the load button), without fitting widths or assigning
// places. Returns like LoadChosenFile; a file that has gone away changes nothing.
std::string ReloadFile(const std::string& path, ResultTable& table, StartList& starters);
