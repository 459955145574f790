#include "core/Show.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "files/ClassRulesReader.h"
#include "files/Export.h"
#include "results/Draw.h"
#include "results/Jackpot.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

std::optional<Show> Show::Open(const std::string& path, std::string& error) {
    std::optional<ShowData> data = ReadShowFile(path, error);
    if (!data) {
        return std::nullopt;
    }
    // The jackpot settings of each class are checked now, not when the class is opened.
    for (std::size_t i = 0; i < data->Classes.size(); ++i) {
        const ClassRulesReading rules = ReadClassRules(data->Classes[i].Json);
        if (!rules.Ok()) {
            error = "Turnierdatei, classes[" + std::to_string(i) + "] (\"" + data->Classes[i].Name +
                    "\"): " + rules.Error;
            return std::nullopt;
        }
    }
    return Show(std::move(*data), path);
}

std::string Show::ClassFile(int index) const {
    return (std::filesystem::path(path_).parent_path() / data_.Classes.at(index).File).string();
}

std::string ReadClassTable(const Show& show, int index, ResultTable& table, char decimalSeparator) {
    const std::string path = show.ClassFile(index);
    if (!std::filesystem::exists(path)) {
        ResultTable empty;
        table = empty;
        return {};
    }
    const ClassRules rules = ReadShowClassRules(show.Data().Classes.at(index)).Rules;
    return ReadTableForExport(path, table, decimalSeparator, ResolutionOf(rules));
}

bool TakesResults(const ShowClass& item) {
    return !item.RunsFrom.empty() || !item.Rounds.empty();
}

std::string ResultsSource(const ShowClass& item) {
    std::string names = item.RunsFrom;
    for (const std::string& round : item.Rounds) {
        names += (names.empty() ? "" : ", ") + round;
    }
    return names;
}

std::vector<int> TakersOf(const ShowData& data, int index) {
    const std::string& name = data.Classes.at(static_cast<std::size_t>(index)).Name;
    std::vector<int> takers;
    for (std::size_t i = 0; i < data.Classes.size(); ++i) {
        const ShowClass& item = data.Classes[i];
        if (item.RunsFrom == name ||
            std::find(item.Rounds.begin(), item.Rounds.end(), name) != item.Rounds.end()) {
            takers.push_back(static_cast<int>(i));
        }
    }
    return takers;
}

std::string RunsEnteredIn(const ShowData& data, const ShowClass& item) {
    std::vector<std::string> names;
    const std::function<void(const ShowClass&)> follow = [&](const ShowClass& taker) {
        for (const std::string& name : SourcesOf(taker)) {
            const int index = FindShowClass(data, name);
            if (index < 0) {
                continue;
            }
            const ShowClass& source = data.Classes.at(static_cast<std::size_t>(index));
            if (TakesResults(source)) {
                follow(source);
            } else if (std::find(names.begin(), names.end(), name) == names.end()) {
                names.push_back(name);
            }
        }
    };
    follow(item);
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ", ") + name;
    }
    return text;
}

std::vector<int> DownstreamOf(const ShowData& data, int index) {
    std::vector<int> reached;
    std::vector<int> waiting = TakersOf(data, index);
    while (!waiting.empty()) {
        const int taker = waiting.back();
        waiting.pop_back();
        if (std::find(reached.begin(), reached.end(), taker) == reached.end()) {
            reached.push_back(taker);
            const std::vector<int> further = TakersOf(data, taker);
            waiting.insert(waiting.end(), further.begin(), further.end());
        }
    }
    // Each class after every class it takes from among them: the show file has no circles.
    std::vector<int> ordered;
    while (ordered.size() < reached.size()) {
        for (const int taker : reached) {
            if (std::find(ordered.begin(), ordered.end(), taker) != ordered.end()) {
                continue;
            }
            const ShowClass& item = data.Classes.at(static_cast<std::size_t>(taker));
            const bool ready = std::none_of(reached.begin(), reached.end(), [&](int other) {
                const std::string& name = data.Classes.at(static_cast<std::size_t>(other)).Name;
                const bool source =
                    item.RunsFrom == name ||
                    std::find(item.Rounds.begin(), item.Rounds.end(), name) != item.Rounds.end();
                return source && std::find(ordered.begin(), ordered.end(), other) == ordered.end();
            });
            if (ready) {
                ordered.push_back(taker);
            }
        }
    }
    return ordered;
}

std::string MakeTakenTable(const Show& show, int index, const ClassTableOf& tableOf,
                           char decimalSeparator, DerivedTable& made) {
    const ShowClass& item = show.Data().Classes.at(static_cast<std::size_t>(index));
    // A source that takes its results in turn is made fresh from its own sources, so that a
    // chain never reads a class file left behind by an earlier change.
    const auto read = [&](const std::string& name, ResultTable& table) {
        const int source = FindShowClass(show.Data(), name);
        std::string error;
        if (TakesResults(show.Data().Classes.at(static_cast<std::size_t>(source)))) {
            DerivedTable sub;
            error = MakeTakenTable(show, source, tableOf, decimalSeparator, sub);
            table = std::move(sub.Table);
        } else {
            error = tableOf(source, table);
        }
        return error.empty() ? error : "Klasse \"" + name + "\" nicht gelesen: " + error;
    };
    if (!item.RunsFrom.empty()) {
        ResultTable own;
        ResultTable source;
        std::string error = tableOf(index, own);
        if (error.empty()) {
            error = read(item.RunsFrom, source);
        }
        if (!error.empty()) {
            return error;
        }
        made = CarriedTable(own, source);
    } else {
        std::vector<Round> rounds;
        StandingContext context;
        context.SystemSeparator = decimalSeparator;
        for (const std::string& name : item.Rounds) {
            ResultTable table;
            if (std::string error = read(name, table); !error.empty()) {
                return error;
            }
            const ShowClass& round =
                show.Data().Classes.at(static_cast<std::size_t>(FindShowClass(show.Data(), name)));
            rounds.push_back({name, MakeStanding(table, ReadShowClassRules(round).Rules, context)});
        }
        made = AverageTable(rounds);
    }
    StandingContext context;
    context.SystemSeparator = decimalSeparator;
    const std::vector<std::string> places =
        PlaceColumn(MakeStanding(made.Table, ReadShowClassRules(item).Rules, context));
    for (int row = 1; row < made.Table.RowCount(); ++row) {
        made.Table.SetCell(ColRang, row, places.at(static_cast<std::size_t>(row)));
    }
    return {};
}

ClassDraw DrawClass(ResultTable& table, ShowClass& item, std::optional<std::uint64_t> seed) {
    ClassDraw report;
    // A new seed is short enough to be read out and typed again, and every seed fits the
    // show file's whole numbers.
    report.Seed = seed ? *seed : std::uint64_t{std::random_device{}()};
    const std::vector<DrawEntry> entries = DrawEntriesOf(table);
    report.Outcome = DrawStartOrder(entries, item.Draw.HorseGap, report.Seed);
    ApplyStartOrder(table, report.Outcome.Order);
    item.Draw.Seed = report.Seed;
    item.Draw.Scratched.clear();
    for (int row = 1; row < table.RowCount(); ++row) {
        if (RowScratched(table, row)) {
            item.Draw.Scratched.push_back(StarterKey(table, row));
        }
    }
    int ran = 0;
    for (const DrawEntry& entry : entries) {
        ran += entry.HasRun ? 1 : 0;
    }
    report.Text = "Klasse \"" + item.Name + "\" ausgelost mit Startwert " +
                  std::to_string(report.Seed) + ": " + std::to_string(entries.size()) + " Starter";
    if (ran > 0) {
        report.Text += ", " + std::to_string(ran) + " mit Ergebnis bleiben vorn";
    }
    report.Text += DrawGapNote(report.Outcome, item.Draw.HorseGap);
    return report;
}

int AddShowClass(ShowData& data, const std::string& folder, const std::string& name,
                 const std::string& race) {
    // Characters a file name cannot hold or that would leave the show folder.
    std::string stem;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        stem += byte < 0x20 || c == '/' || c == '\\' || c == ':' ? '_' : c;
    }
    if (stem.empty() || stem.front() == '.') {
        stem = "Klasse" + stem;
    }
    std::string file = stem + ".txt";
    // Never a file of another class, nor one lying in the folder already.
    const auto taken = [&](const std::string& candidate) {
        return std::filesystem::exists(std::filesystem::path(folder) / candidate) ||
               std::any_of(data.Classes.begin(), data.Classes.end(),
                           [&](const ShowClass& item) { return item.File == candidate; });
    };
    for (int n = 2; taken(file); ++n) {
        file = stem + "-" + std::to_string(n) + ".txt";
    }
    ShowClass item;
    item.Name = name;
    item.Race = race;
    item.File = file;
    data.Classes.push_back(std::move(item));
    return static_cast<int>(data.Classes.size()) - 1;
}

namespace {

std::string StarterKey(std::string_view rider, std::string_view horse) {
    return AsciiLower(TrimText(rider)) + '\n' + AsciiLower(TrimText(horse));
}

}  // namespace

NewStarters NewStartersOf(const ResultTable& table, const std::vector<ShowEntry>& entries) {
    NewStarters result;
    std::set<std::string> known;
    for (int row = 1; row < table.RowCount(); ++row) {
        known.insert(StarterKey(table.Cell(ColName, row), table.Cell(ColPferd, row)));
    }
    std::map<std::string, std::vector<int>> lines;
    for (const ShowEntry& entry : entries) {
        const std::string key = StarterKey(entry.Rider, entry.Horse);
        std::vector<int>& seen = lines[key];
        seen.push_back(entry.Line);
        if (seen.size() == 2) {
            result.Doubled.push_back(entry.Rider + " / " + entry.Horse);
        }
        if (known.contains(key)) {
            result.Known += seen.size() == 1 ? 1 : 0;
        } else if (seen.size() == 1) {
            result.Added.push_back(entry);
        }
    }
    // The lines of each doubled starter, for the message.
    for (std::string& doubled : result.Doubled) {
        const std::string rider = doubled.substr(0, doubled.find(" / "));
        const std::string horse = doubled.substr(doubled.find(" / ") + 3);
        std::string text;
        for (int line : lines[StarterKey(rider, horse)]) {
            text += (text.empty() ? "" : ", ") + std::to_string(line);
        }
        doubled += " (Zeilen " + text + ")";
    }
    return result;
}

bool HasStarters(const ResultTable& table) {
    for (int row = 1; row < table.RowCount(); ++row) {
        const auto& cells = table.Row(row);
        if (std::any_of(cells.begin(), cells.begin() + ColStartPos,
                        [](const std::string& cell) { return !TrimText(cell).empty(); })) {
            return true;
        }
    }
    return false;
}

std::vector<int> AddStarters(ResultTable& table, const std::vector<ShowEntry>& starters, int fixed,
                             int horseGap, std::optional<std::uint64_t> seed) {
    std::vector<std::array<std::string, ResultTable::ColCount>> rows;
    if (HasStarters(table)) {
        // The class's own order first, numbered as it stands.
        std::vector<int> same(DrawEntriesOf(table).size());
        std::iota(same.begin(), same.end(), 0);
        ApplyStartOrder(table, same);
        for (int row = 1; row < table.RowCount(); ++row) {
            rows.push_back(table.Row(row));
        }
    }
    for (const ShowEntry& starter : starters) {
        std::array<std::string, ResultTable::ColCount> cells;
        cells[ColNr] = starter.Number;
        cells[ColName] = starter.Rider;
        cells[ColPferd] = starter.Horse;
        cells[ColTeam] = starter.Team;
        cells[ColStartPos] = std::to_string(rows.size() + 1);
        rows.push_back(std::move(cells));
    }
    table.SetRowCount(static_cast<int>(rows.size()) + 1);
    table.SetBodyRows(std::move(rows));
    table.SetModified(true);
    const std::vector<DrawEntry> entries = DrawEntriesOf(table);
    std::vector<int> order(entries.size());
    std::iota(order.begin(), order.end(), 0);
    if (seed) {
        order = LateEntryOrder(entries, fixed, static_cast<int>(starters.size()), horseGap, *seed);
        ApplyStartOrder(table, order);
    }
    return order;
}
