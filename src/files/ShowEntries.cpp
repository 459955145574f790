#include "files/ShowEntries.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>

#include "files/FileKind.h"
#include "files/Loading.h"
#include "files/ProtocolFile.h"
#include "files/Workbook.h"
#include "results/ResultTable.h"

namespace {

enum Field { Number, Rider, Horse, Team, Member, FieldCount };

// The field a column title names; nothing for a title the list does not know.
std::optional<Field> FieldOfTitle(std::string_view title) {
    const std::string text = AsciiLower(TrimText(title));
    if (text.ends_with("nr.") || text == "nr" || text == "startnummer") {
        return Number;
    }
    if (text == "name" || text == "reiter" || text == "reiterin" || text == "reiter/in") {
        return Rider;
    }
    if (text == "pferd") {
        return Horse;
    }
    if (text == "team") {
        return Team;
    }
    if (text == "mitglied" || text == "mitgliedsnummer") {
        return Member;
    }
    return std::nullopt;
}

bool IsClassTitle(std::string_view title) {
    return AsciiLower(TrimText(title)) == "klasse";
}

// The fields of a line with "," between them; a field in double quotes may hold commas, and two
// double quotes in it stand for one.
std::vector<std::string> SplitCommaFields(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"' && quoted && i + 1 < line.size() && line[i + 1] == '"') {
            fields.back() += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// The rows of the file with their line numbers; the error when it cannot be read.
struct Rows {
    std::vector<std::vector<std::string>> Cells;
    std::string Error;
};

Rows ReadRows(const std::string& path, char decimalSeparator) {
    const ListFile file = ReadListFile(path);
    if (!file.Error.empty()) {
        return {{}, file.Error};
    }
    const std::string& bytes = file.Bytes;
    if (IsWorkbookContent(bytes) || LoadKind(path) == FileKind::Spreadsheet) {
        WorkbookRows sheet = ReadWorkbook(path, bytes, decimalSeparator);
        Rows rows{{}, std::move(sheet.Error)};
        for (const SheetRow& row : sheet.Rows) {
            rows.Cells.emplace_back(row.begin(), row.end());
        }
        return rows;
    }
    if (std::any_of(bytes.begin(), bytes.end(), [](char c) { return c == '\0'; })) {
        return {{}, "Keine Starterliste (keine Textdatei): " + path};
    }
    Rows rows{ReadTextRows(bytes), {}};
    // A CSV file written with "," between the fields (a spreadsheet's default outside Germany).
    const auto header = std::find_if(rows.Cells.begin(), rows.Cells.end(),
                                     [](const auto& cells) { return !cells.empty(); });
    if (header != rows.Cells.end() && header->size() == 1 &&
        header->front().find(',') != std::string::npos) {
        for (std::vector<std::string>& cells : rows.Cells) {
            std::string line;
            for (const std::string& cell : cells) {
                line += (line.empty() ? "" : ";") + cell;
            }
            cells = line.empty() ? std::vector<std::string>{} : SplitCommaFields(line);
        }
    }
    return rows;
}

}  // namespace

ShowEntryList ReadShowEntries(const std::string& path, char decimalSeparator) {
    ShowEntryList list;
    Rows rows = ReadRows(path, decimalSeparator);
    if (!rows.Error.empty()) {
        list.Error = std::move(rows.Error);
        return list;
    }
    const auto header = std::find_if(rows.Cells.begin(), rows.Cells.end(),
                                     [](const auto& cells) { return !cells.empty(); });
    if (header == rows.Cells.end()) {
        return list;
    }
    const auto classColumn = std::find_if(header->begin(), header->end(), IsClassTitle);
    list.HasClassColumn = classColumn != header->end();
    if (!list.HasClassColumn) {
        return list;
    }
    // Columns by their titles; those left follow in the usual order.
    std::array<int, FieldCount> column;
    column.fill(-1);
    std::vector<int> untitled;
    for (int col = 0; col < static_cast<int>(header->size()); ++col) {
        const std::optional<Field> field = FieldOfTitle((*header)[static_cast<std::size_t>(col)]);
        if (field && column[*field] < 0) {
            column[*field] = col;
        } else if (col != classColumn - header->begin()) {
            untitled.push_back(col);
        }
    }
    auto next = untitled.begin();
    for (int& col : column) {
        if (col < 0 && next != untitled.end()) {
            col = *next++;
        }
    }
    const auto cell = [](const std::vector<std::string>& cells, long col) {
        return col >= 0 && col < static_cast<long>(cells.size())
                   ? std::string(TrimText(cells[static_cast<std::size_t>(col)]))
                   : std::string();
    };
    const std::string file = std::filesystem::path(path).filename().string();
    for (auto row = header + 1; row != rows.Cells.end(); ++row) {
        const int line = static_cast<int>(row - rows.Cells.begin()) + 1;
        if (std::all_of(row->begin(), row->end(),
                        [](const std::string& text) { return TrimText(text).empty(); })) {
            continue;
        }
        ShowEntry entry{cell(*row, classColumn - header->begin()),
                        cell(*row, column[Number]),
                        cell(*row, column[Rider]),
                        cell(*row, column[Horse]),
                        cell(*row, column[Team]),
                        cell(*row, column[Member]),
                        line};
        if (entry.ClassName.empty() || entry.Rider.empty()) {
            list.Error = file + ", Zeile " + std::to_string(line) + ": " +
                         (entry.ClassName.empty() ? "keine Klasse" : "kein Name") +
                         " angegeben. Die Startliste wurde nicht übernommen.";
            list.Entries.clear();
            return list;
        }
        list.Entries.push_back(std::move(entry));
    }
    return list;
}
