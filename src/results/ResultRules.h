#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The rules that decide a result: whether a row is disqualified, what time a text means and
// whether two times are equal. Ranking, sorting, live results, reports and workbooks all ask
// here, so the table, the grandstand and the printed list never disagree.

class ResultTable;

// A DQ or total cell that disqualifies: "DQ" in any case, blanks around it allowed.
bool IsDisqualified(std::string_view cell);
// A body row is disqualified when its DQ cell or its total says so; it then has no place and
// sorts with the disqualified, whatever time its total holds.
bool IsDisqualifiedRow(const ResultTable& table, int row);

// The reason text of a starter who scratched.
inline constexpr const char* ScratchedText = "Abgemeldet";
// A reason cell that scratches its starter: "Abgemeldet" in any case, blanks around it allowed.
bool IsScratched(std::string_view reasonCell);

// Milliseconds of a time text in any form the table may hold: seconds alone ("15"), with one
// to three decimals after ',' or '.' ("15,0", "15.23", "15,234"), and with minutes in front
// ("1:05,23", "12:05,234"); blanks around it allowed. Nothing for a text that is no time
// (empty, "DQ", a word, a sign): such a total is shown as typed and ranks after every time.
std::optional<std::int64_t> ReadTotal(std::string_view text);

// What one penalty adds to the run time unless the class says otherwise.
inline constexpr int DefaultPenaltySeconds = 5;

// The total of a run: its time plus the penalties, each worth penaltySeconds.
std::int64_t RunTotalMs(std::int64_t runMs, int penalties, int penaltySeconds);

// What a penalties cell adds, as spectators read it: "+5 s" for one penalty worth 5 s, "+10 s"
// for two; empty for none and for a cell that is no count of penalties.
std::string PenaltyTimeText(std::string_view penalties, int penaltySeconds);

// How fine the times of a class are told apart.
enum class Resolution { Hundredths, Thousandths };

// The time cut (never rounded) to the resolution.
std::int64_t CutToResolution(std::int64_t ms, Resolution resolution);

// Whether two times share a place: equal once cut to the resolution ("15" and "15,00").
bool SameTotal(std::int64_t a, std::int64_t b, Resolution resolution);

// Order key of a run time or total: times (cut to the resolution) first, then disqualified,
// then texts that are no time, then empty cells.
std::int64_t TotalOrderKey(std::string_view text, Resolution resolution);

// -1, 0 or 1 as a orders before, with or after b by TotalOrderKey.
int CompareTotals(std::string_view a, std::string_view b, Resolution resolution);
