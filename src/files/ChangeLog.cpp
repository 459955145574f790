#include "files/ChangeLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>

namespace {

std::map<std::string, int> RowsByPosition(const ResultTable& table) {
    std::map<std::string, int> rows;
    for (int row = 1; row < table.RowCount(); ++row) {
        rows.emplace(table.Cell(ColStartPos, row), row);
    }
    return rows;
}

long PositionNumber(const std::string& position) {
    return std::strtol(position.c_str(), nullptr, 10);
}

}  // namespace

std::vector<RowChange> TableChanges(const ResultTable& before, const ResultTable& after) {
    const std::map<std::string, int> oldRows = RowsByPosition(before);
    const std::map<std::string, int> newRows = RowsByPosition(after);
    std::map<std::string, int> positions;
    for (const auto& [position, row] : oldRows) {
        positions.emplace(position, row);
    }
    for (const auto& [position, row] : newRows) {
        positions.emplace(position, row);
    }
    std::vector<std::pair<long, RowChange>> changes;
    static const std::array<std::string, ResultTable::ColCount> none{};
    for (const auto& entry : positions) {
        const std::string& position = entry.first;
        const auto oldRow = oldRows.find(position);
        const auto newRow = newRows.find(position);
        const auto& oldCells = oldRow == oldRows.end() ? none : before.Row(oldRow->second);
        const auto& newCells = newRow == newRows.end() ? none : after.Row(newRow->second);
        RowChange change;
        for (int col = 0; col < ColRang; ++col) {
            if (TrimText(oldCells[col]) != TrimText(newCells[col])) {
                change.Cells.push_back({after.Cell(col, 0), oldCells[col], newCells[col]});
            }
        }
        if (change.Cells.empty()) {
            continue;
        }
        const auto& shown = newRow == newRows.end() ? oldCells : newCells;
        change.Position = position;
        change.StartNumber = shown[ColNr];
        change.Rider = shown[ColName];
        changes.emplace_back(PositionNumber(position), std::move(change));
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<RowChange> rows;
    for (auto& [position, change] : changes) {
        rows.push_back(std::move(change));
    }
    return rows;
}

std::string ChangeLogText(const std::string& wallTime, const std::string& what,
                          const std::string& detail, const std::vector<RowChange>& changes) {
    const std::string head = wallTime + " | " + what + (detail.empty() ? "" : " (" + detail + ")");
    if (changes.empty()) {
        return head + "\n";
    }
    std::string text;
    for (const RowChange& change : changes) {
        text += head + " | Pos. " + std::string(TrimText(change.Position)) + ", Nr. " +
                std::string(TrimText(change.StartNumber)) + ", " +
                std::string(TrimText(change.Rider)) + " |";
        const char* separator = " ";
        for (const CellChange& cell : change.Cells) {
            text += separator + std::string(TrimText(cell.Column)) + " \"" + cell.Old + "\" -> \"" +
                    cell.New + "\"";
            separator = "; ";
        }
        text += "\n";
    }
    return text;
}

FileWriteResult AppendChangeLog(const std::string& path, const std::string& text,
                                const WriteCall& write) {
    // Never through a link: the log of a class stays in its show folder.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return {FileWriteStatus::NotCreated, std::strerror(errno)};
    }
    std::string_view rest = text;
    int error = 0;
    while (!rest.empty() && error == 0) {
        const ssize_t written = write(fd, rest.data(), rest.size());
        if (written < 0 && errno != EINTR) {
            error = errno;
        } else if (written == 0) {
            error = EIO;
        } else if (written > 0) {
            rest.remove_prefix(static_cast<std::size_t>(written));
        }
    }
    if (error == 0) {
        error = SyncFile(fd);
    }
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        return {FileWriteStatus::WriteFailed, std::strerror(error)};
    }
    return {};
}

WallTime LocalWallTime() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    ::localtime_r(&seconds, &local);
    char day[16];
    char clock[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    std::strftime(clock, sizeof clock, "%H:%M:%S", &local);
    char text[48];
    std::snprintf(text, sizeof text, "%s %s.%03lld", day, clock, static_cast<long long>(millis));
    return {day, text};
}

LoggedEntry LastLoggedEntry(std::string_view logText) {
    // 2026-10-03 14:02:11.123 | Eintrag (Lichtschranke Start 1, Stopp 2) | Pos. 4, Nr. 12, ...
    LoggedEntry entry;
    std::vector<LoggedEntry> entries;
    std::size_t from = 0;
    while (from < logText.size()) {
        std::size_t end = logText.find('\n', from);
        if (end == std::string_view::npos) {
            end = logText.size();
        }
        const std::string_view line = logText.substr(from, end - from);
        from = end + 1;
        const std::size_t whatAt = line.find(" | ");
        const std::size_t rowAt =
            whatAt == std::string_view::npos ? whatAt : line.find(" | Pos. ", whatAt + 3);
        if (rowAt == std::string_view::npos) {
            continue;
        }
        const std::string_view what = line.substr(whatAt + 3, rowAt - whatAt - 3);
        const std::string_view rest = line.substr(rowAt + 8);
        const std::string position(rest.substr(0, rest.find(',')));
        const bool entered = what.starts_with("Eintrag") || what.starts_with(
                                                                "\xC3\x9C"
                                                                "berschrieben nach R\xC3\xBC"
                                                                "ckfrage");
        if (entered) {
            const std::size_t open = what.find(" (");
            entries.push_back(
                {position, open == std::string_view::npos
                               ? std::string()
                               : std::string(what.substr(open + 2, what.size() - open - 3))});
        } else if (what.starts_with("R\xC3\xBC"
                                    "ckg\xC3\xA4"
                                    "ngig") &&
                   !entries.empty() && entries.back().Position == position) {
            entries.pop_back();
        }
    }
    return entries.empty() ? entry : entries.back();
}
