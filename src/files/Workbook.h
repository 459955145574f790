#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/FileIo.h"
#include "files/Report.h"
#include "results/ResultTable.h"

struct Standing;

// Workbooks in and out: ".xls" (BIFF8) and ".xlsx", written and read without a spreadsheet
// program. UI thread only, like every access to the table.

enum class WorkbookFormat { Xls, Xlsx };

// Columns 0 to 9 are always written, whatever is hidden, so that a workbook loads back into the
// same columns.
inline constexpr int WorkbookColumns = ColRang + 1;

// The fill that marks a written cell, as the class's standing has the row: a row without a
// result gets white in column 7, a row with a result light green and a disqualified row light
// red in column 6 (sheet columns H and G).
enum class CellFill { None, White, LightGreen, LightRed };
CellFill WorkbookCellFill(const Standing& standing, int col, int row);

// A cell text as a workbook can hold it: control characters other than TAB and LF become
// blanks and the text is cut after 32767 characters.
std::string WorkbookCellText(std::string_view text);

// Computed columns (a jackpot class's division and place in it, see DivisionCells) start at
// column L, after column K, the last one a workbook is read back from: a workbook with them
// loads into the same table as one without.
inline constexpr int WorkbookExtraColumn = ResultTable::ColCount;

// The bytes of a fresh workbook of one sheet holding the whole table, thin borders on every cell
// of the block, the fill marks and a landscape page; the division columns of the standing after
// it. In an ".xlsx" whole numbers and every run time and total that is a time are number cells
// in a time format, the rest text; an ".xls" holds texts only. Throws std::runtime_error with
// the cause when the table does not fit the format.
std::string WorkbookBytes(const ResultTable& table, const Standing& standing,
                          WorkbookFormat format);

// A cell of a workbook the table is saved over, kept beside the table's block (sheet row and
// column from 0).
struct KeptCell {
    int Row = 0;
    int Col = 0;
    std::optional<double> Number;  // else the text
    std::string Text;
};

// Writes a workbook to path, the format by its extension (".xlsx", else ".xls"), replacing any
// file there atomically: the table's block from A1 marked as the standing has its rows, the
// division columns and, in an ".xlsx", the kept cells beside them. The caller clears the
// table's modified flag on success and shows Error otherwise.
FileWriteResult WriteWorkbookFile(const ResultTable& table, const Standing& standing,
                                  const std::string& path, const std::vector<KeptCell>& kept = {});

// What saving the table over the workbook already at path keeps of it: the cells of its first
// sheet outside the table it holds (the rows up to its end of data, columns A to K) and outside
// the block the table is written to. The rows of the old table never stay, so that no starter
// of it outlives the save. An ".xls" is written anew whole. LosesCells: something would be lost
// all the same (an ".xls" holding more than its table, further sheets, a workbook that cannot be
// read).
struct WorkbookOverwrite {
    std::vector<KeptCell> Kept;
    bool LosesCells = false;
};
WorkbookOverwrite ExistingWorkbook(const ResultTable& table, const std::string& path,
                                   char decimalSeparator);

// Writes a report (a list with its head and foot, not a table to load back) as an ".xlsx"
// workbook of one sheet, replacing any file there atomically.
FileWriteResult WriteReportWorkbook(const Report& report, const std::string& path);

// True when the bytes start like an ".xls" (compound file) or an ".xlsx" (zip) workbook.
bool IsWorkbookContent(std::string_view bytes);

using SheetRow = std::array<std::string, ResultTable::ColCount>;

// The first sheet's rows, up to the first whose columns B and C are both empty, columns A to K.
// Texts as the table shows them: numbers with the decimal separator given and no group
// separator ("12", "15,23"), dates as the reader gives them. Error is empty on success.
struct WorkbookRows {
    std::vector<SheetRow> Rows;
    std::string Error;
    // There are more sheets, or (".xls") the first one has cells beyond these rows and columns.
    bool MoreThanRows = false;
};

// What a start list may take while it is read: a show has hundreds or a few thousand starters,
// never millions. The readers check these as they read, and refuse a workbook beyond one of
// them with WorkbookTooLarge.
inline constexpr std::size_t MaxSheetRows = 10000;
inline constexpr std::size_t MaxUnpackedBytes = std::size_t{64} << 20;  // all XML parts together
inline constexpr std::size_t MaxSheetStrings = 200000;
inline constexpr std::size_t MaxSheetTextBytes = std::size_t{32} << 20;  // texts kept in memory
// "Die Arbeitsmappe ist zu groß für eine Starterliste (mehr als 10000 Zeilen)".
std::string WorkbookTooLarge(std::string_view limit);

// bytes: the file's whole content (already read from path); the type is decided by it.
WorkbookRows ReadWorkbook(const std::string& path, std::string_view bytes, char decimalSeparator);

// Replaces the table by the sheet: row 1 becomes the header, the others the body rows. Returns
// empty on success, else the message for the operator; the table is then exactly as it was.
std::string LoadWorkbook(ResultTable& table, const std::string& path, std::string_view bytes,
                         char decimalSeparator);

// Helpers shared by the readers of both formats.

// A number as the table shows it: up to 15 significant digits, no group separator, no trailing
// zeros ("12", "15,23").
std::string WorkbookNumberText(double value, char decimalSeparator);
// The data ends before the first row whose rider and horse cells (B and C) are both empty.
bool EndsSheetData(const SheetRow& row);
// The width of a written column in characters: its longest text plus a margin.
int WorkbookColumnWidth(const ResultTable& table, int col);
