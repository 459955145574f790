#include "files/ProtocolFile.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <vector>

#include <nlohmann/json.hpp>

#include "files/TextCodec.h"

namespace {

constexpr int SavedColumns = ColRang + 1;
constexpr char EndOfData = '\x1A';

// The line starting at pos; pos moves behind its end (CR LF, CR or LF).
std::string_view NextLine(std::string_view text, std::size_t& pos) {
    std::size_t end = pos;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
        ++end;
    }
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') {
        ++pos;
    }
    return line;
}

FileWriteResult ClearModifiedIfWritten(ResultTable& table, FileWriteResult result) {
    if (result.Ok()) {
        table.SetModified(false);
    }
    return result;
}

// TAB when the line holds one, else ";".
char SeparatorOf(std::string_view line) {
    return line.find('\t') != std::string_view::npos ? '\t' : ';';
}

std::vector<std::string> SplitFields(std::string_view line) {
    const char separator = SeparatorOf(line);
    std::vector<std::string> fields;
    while (!line.empty() && fields.size() < ResultTable::ColCount) {
        const std::size_t end = std::min(line.find(separator), line.size());
        fields.emplace_back(line.substr(0, end));
        line.remove_prefix(std::min(end + 1, line.size()));
    }
    return fields;
}

// The header line of a saved protocol or a start list: its first field names the start number
// ("Nr.", "Start-Nr."). A rider "Nr. 3 Carla" or a horse "Lucky Nr. 7" is no header.
bool IsHeaderLine(std::string_view line) {
    return TrimText(line.substr(0, line.find(SeparatorOf(line)))).ends_with("Nr.");
}

// The lines of the header row and then of the body rows in the given order.
std::string TextOfRows(const ResultTable& table, const std::vector<int>& bodyRows) {
    std::string text;
    auto addLine = [&](int row) {
        for (int col = 0; col < SavedColumns; ++col) {
            text += table.Cell(col, row);
            text += '\t';
        }
        text += "\r\n";
    };
    addLine(0);
    for (int row : bodyRows) {
        addLine(row);
    }
    return text;
}

// The body rows in start order, by the start position of column 10 as the start-order view
// sorts them, whatever order the table is shown in.
std::vector<int> StartOrderRows(const ResultTable& table) {
    std::vector<std::string_view> positions;
    for (int row = 1; row < table.RowCount(); ++row) {
        positions.push_back(table.Cell(ColStartPos, row));
    }
    std::vector<int> rows = StableSortOrder(positions, SortGrid1etSortStyle(ColStartPos), ',');
    for (int& row : rows) {
        ++row;
    }
    return rows;
}

}  // namespace

std::string ProtocolText(const ResultTable& table) {
    std::vector<int> shown(table.RowCount() - 1);
    std::iota(shown.begin(), shown.end(), 1);
    return TextOfRows(table, shown);
}

std::string EncodeProtocol(const ResultTable& table) {
    return EncodeFileText(ProtocolText(table));
}

std::string EncodeBackup(const ResultTable& table) {
    return EncodeFileText(TextOfRows(table, StartOrderRows(table)));
}

FileWriteResult WriteProtocolFile(ResultTable& table, const std::string& path) {
    return ClearModifiedIfWritten(table, WriteFileBytes(path, EncodeProtocol(table)));
}

FileWriteResult WriteBackupFile(ResultTable& table, const std::string& path) {
    return ClearModifiedIfWritten(table, ReplaceFileBytes(path, EncodeBackup(table)));
}

std::string RunningMarkerText(long pid, const std::optional<BackupOwner>& owner) {
    std::string text = std::to_string(pid) + "\n";
    if (owner) {
        const nlohmann::json record = {
            {"backup_of",
             {{"show", owner->ShowFile}, {"class", owner->ClassName}, {"unsure", owner->Unsure}}}};
        // Invalid UTF-8 in a name is replaced rather than thrown over.
        text += record.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    }
    return text;
}

std::optional<BackupOwner> BackupOwnerOf(std::string_view marker) {
    const std::size_t end = marker.find('\n');
    if (end == std::string_view::npos || TrimText(marker.substr(end + 1)).empty()) {
        return std::nullopt;
    }
    BackupOwner owner;
    owner.Unsure = true;
    const nlohmann::json record = nlohmann::json::parse(marker.substr(end + 1), nullptr, false);
    if (!record.is_object() || !record.contains("backup_of") || !record["backup_of"].is_object()) {
        return owner;
    }
    const nlohmann::json& of = record["backup_of"];
    if (of.value("show", nlohmann::json()).is_string() &&
        of.value("class", nlohmann::json()).is_string() &&
        of.value("unsure", nlohmann::json()).is_boolean()) {
        owner.ShowFile = of["show"].get<std::string>();
        owner.ClassName = of["class"].get<std::string>();
        owner.Unsure = of["unsure"].get<bool>();
    }
    return owner;
}

void ReadProtocolText(ResultTable& table, std::string_view bytes) {
    table.SetRowCount(2);
    table.SetRow(1, {});
    const std::string text = DecodeFileText(bytes.substr(0, bytes.find(EndOfData)));
    int row = 1;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::string_view line = NextLine(text, pos);
        if (IsHeaderLine(line) || TrimText(line).empty()) {
            continue;
        }
        if (table.RowCount() < row + 1) {
            table.SetRowCount(row + 1);
        }
        table.SetRow(row, SplitFields(line));
        ++row;
    }
}

std::size_t CountTextLines(std::string_view bytes) {
    // Line ends are the same bytes in Windows-1252 and UTF-8: counted without decoding.
    const std::string_view text = bytes.substr(0, bytes.find(EndOfData));
    std::size_t lines = 0;
    for (std::size_t pos = 0; pos < text.size(); ++lines) {
        NextLine(text, pos);
    }
    return lines;
}

std::vector<std::vector<std::string>> ReadTextRows(std::string_view bytes) {
    std::vector<std::vector<std::string>> rows;
    const std::string text = DecodeFileText(bytes.substr(0, bytes.find(EndOfData)));
    for (std::size_t pos = 0; pos < text.size();) {
        const std::string_view line = NextLine(text, pos);
        rows.push_back(TrimText(line).empty() ? std::vector<std::string>{} : SplitFields(line));
    }
    return rows;
}
