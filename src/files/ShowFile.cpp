#include "files/ShowFile.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>

#include "files/ClassRulesReader.h"
#include "results/StartList.h"

using nlohmann::json;

namespace {

// A key of an object or an index of a list, on the way from the top to a value.
struct PathStep {
    std::string Key;
    int Index = -1;
};
using Path = std::vector<PathStep>;

std::string PathText(const Path& path) {
    std::string text;
    for (const PathStep& step : path) {
        if (step.Index >= 0) {
            text += "[" + std::to_string(step.Index) + "]";
        } else {
            text += (text.empty() ? "" : ".") + step.Key;
        }
    }
    return text;
}

// Finds where a value of a text that parsed as JSON begins, for the line of a message.
class Locator {
public:
    explicit Locator(std::string_view text) : text_(text) {}

    // The line (from 1) of the value at path, or of the deepest part of it that exists.
    int LineOf(const Path& path) {
        pos_ = 0;
        SkipBlanks();
        std::size_t found = pos_;
        for (const PathStep& step : path) {
            if (!Enter(step)) {
                break;
            }
            found = pos_;
        }
        return 1 + static_cast<int>(std::count(text_.begin(), text_.begin() + found, '\n'));
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && std::string_view(" \t\r\n").find(text_[pos_]) != npos) {
            ++pos_;
        }
    }
    std::string ReadString() {
        std::string raw;
        ++pos_;  // the opening quote
        while (pos_ < text_.size() && text_[pos_] != '"') {
            if (text_[pos_] == '\\') {
                raw += text_[pos_++];
            }
            if (pos_ < text_.size()) {
                raw += text_[pos_++];
            }
        }
        ++pos_;
        // Keys with escapes are compared as written; the program's keys have none.
        return raw;
    }
    void SkipValue() {
        SkipBlanks();
        if (pos_ >= text_.size()) {
            return;
        }
        const char first = text_[pos_];
        if (first == '"') {
            ReadString();
        } else if (first == '{' || first == '[') {
            int depth = 0;
            do {
                const char c = text_[pos_];
                if (c == '"') {
                    ReadString();
                    continue;
                }
                depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
                ++pos_;
            } while (depth > 0 && pos_ < text_.size());
        } else {
            while (pos_ < text_.size() &&
                   std::string_view(",}] \t\r\n").find(text_[pos_]) == npos) {
                ++pos_;
            }
        }
    }
    // Moves to the member or element named by step inside the value at pos_.
    bool Enter(const PathStep& step) {
        SkipBlanks();
        if (pos_ >= text_.size() || (text_[pos_] != '{' && text_[pos_] != '[')) {
            return false;
        }
        const bool object = text_[pos_] == '{';
        ++pos_;
        for (int index = 0;; ++index) {
            SkipBlanks();
            if (pos_ >= text_.size() || text_[pos_] == '}' || text_[pos_] == ']') {
                return false;
            }
            bool match = index == step.Index;
            if (object) {
                match = ReadString() == step.Key;
                SkipBlanks();
                ++pos_;  // the colon
            }
            SkipBlanks();
            if (match) {
                return true;
            }
            SkipValue();
            SkipBlanks();
            if (pos_ < text_.size() && text_[pos_] == ',') {
                ++pos_;
            }
        }
    }

    static constexpr std::size_t npos = std::string_view::npos;
    std::string_view text_;
    std::size_t pos_ = 0;
};

// A show file nests a few levels deep (a class, its payout, a table in it); a file nested far
// deeper is none, and would take the program's stack with it (copies and writers of the value
// recurse through every level). The reader stops at the first level beyond.
constexpr int MaxShowFileDepth = 64;
struct NestedTooDeep {};

// A fault in the file's content, with the place it was found.
struct ShowFault {
    Path Where;
    std::string What;
};

class Reader {
public:
    std::string Text(const json& object, Path path, const std::string& key, bool required) {
        path.push_back({key});
        const auto found = object.find(key);
        if (found == object.end()) {
            if (required) {
                throw ShowFault{path, "fehlt"};
            }
            return {};
        }
        if (!found->is_string()) {
            throw ShowFault{path, "muss ein Text sein"};
        }
        return found->get<std::string>();
    }
    std::int64_t Whole(const json& object, Path path, const std::string& key, std::int64_t fallback,
                       std::int64_t highest) {
        path.push_back({key});
        const auto found = object.find(key);
        if (found == object.end()) {
            return fallback;
        }
        if (!found->is_number_integer() || found->get<std::int64_t>() < 0 ||
            found->get<std::int64_t>() > highest) {
            throw ShowFault{path,
                            "muss eine ganze Zahl von 0 bis " + std::to_string(highest) + " sein"};
        }
        return found->get<std::int64_t>();
    }
};

// YYYY-MM-DD naming a day of the calendar (no 2026-02-30).
bool IsIsoDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    int fields[3] = {0, 0, 0};
    const std::size_t starts[3] = {0, 5, 8};
    const std::size_t lengths[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i) {
        for (std::size_t k = starts[i]; k < starts[i] + lengths[i]; ++k) {
            if (text[k] < '0' || text[k] > '9') {
                return false;
            }
            fields[i] = fields[i] * 10 + (text[k] - '0');
        }
    }
    return std::chrono::year_month_day{std::chrono::year{fields[0]},
                                       std::chrono::month{static_cast<unsigned>(fields[1])},
                                       std::chrono::day{static_cast<unsigned>(fields[2])}}
        .ok();
}

// A team is a few riders; more totals than that never count for one.
constexpr std::int64_t MaxTeamBest = 100;

bool IsPlainRelativePath(const std::string& file) {
    const std::filesystem::path path(file);
    if (file.empty() || path.is_absolute()) {
        return false;
    }
    return std::none_of(path.begin(), path.end(), [](const auto& part) { return part == ".."; });
}

ShowClass ReadClass(const json& object, const Path& path) {
    Reader read;
    if (!object.is_object()) {
        throw ShowFault{path, "muss ein Objekt sein"};
    }
    ShowClass item;
    item.Json = object;
    item.Name = read.Text(object, path, "name", true);
    if (item.Name.empty()) {
        Path where = path;
        where.push_back({"name"});
        throw ShowFault{where, "darf nicht leer sein"};
    }
    item.Race = read.Text(object, path, "race", false);
    if (item.Race.empty()) {
        item.Race = std::string(StartList::Races[0]);
    } else if (std::find(StartList::Races.begin(), StartList::Races.end(), item.Race) ==
               StartList::Races.end()) {
        Path where = path;
        where.push_back({"race"});
        throw ShowFault{where, "unbekannte Disziplin \"" + item.Race + "\""};
    }
    item.File = read.Text(object, path, "file", true);
    if (!IsPlainRelativePath(item.File)) {
        Path where = path;
        where.push_back({"file"});
        throw ShowFault{where, "muss ein Dateiname im Turnierordner sein"};
    }
    item.PenaltySeconds = static_cast<int>(read.Whole(object, path, "penalty_seconds", 5, 60));
    if (const auto draw = object.find("draw"); draw != object.end()) {
        Path where = path;
        where.push_back({"draw"});
        if (!draw->is_object()) {
            throw ShowFault{where, "muss ein Objekt sein"};
        }
        item.Draw.DragEvery = static_cast<int>(read.Whole(*draw, where, "drag_every", 0, 10000));
        item.Draw.HorseGap = static_cast<int>(read.Whole(*draw, where, "horse_gap", 0, 10000));
        if (draw->contains("seed")) {
            item.Draw.Seed = static_cast<std::uint64_t>(
                read.Whole(*draw, where, "seed", 0, std::numeric_limits<std::int64_t>::max()));
        }
        if (const auto scratched = draw->find("scratched"); scratched != draw->end()) {
            where.push_back({"scratched"});
            if (!scratched->is_array() ||
                !std::all_of(scratched->begin(), scratched->end(),
                             [](const json& name) { return name.is_string(); })) {
                throw ShowFault{where, "muss eine Liste von Texten sein"};
            }
            item.Draw.Scratched = scratched->get<std::vector<std::string>>();
        }
    }
    if (const auto team = object.find("team"); team != object.end()) {
        Path where = path;
        where.push_back({"team"});
        if (!team->is_object()) {
            throw ShowFault{where, "muss ein Objekt wie {\"best\": 3} sein"};
        }
        where.push_back({"best"});
        const auto best = team->find("best");
        if (best == team->end()) {
            throw ShowFault{where, "fehlt"};
        }
        if (!best->is_number_integer() || best->get<std::int64_t>() < 1 ||
            best->get<std::int64_t>() > MaxTeamBest) {
            throw ShowFault{
                where, "muss eine ganze Zahl von 1 bis " + std::to_string(MaxTeamBest) + " sein"};
        }
        item.TeamBest = static_cast<int>(best->get<std::int64_t>());
    }
    item.RunsFrom = read.Text(object, path, "runs_from", false);
    if (const auto rounds = object.find("rounds"); rounds != object.end()) {
        Path where = path;
        where.push_back({"rounds"});
        if (!rounds->is_array() || rounds->empty() ||
            !std::all_of(rounds->begin(), rounds->end(),
                         [](const json& name) { return name.is_string(); })) {
            throw ShowFault{where, "muss eine Liste von Klassennamen sein"};
        }
        item.Rounds = rounds->get<std::vector<std::string>>();
        if (object.contains("runs_from")) {
            throw ShowFault{where, "eine Klasse mit Runden hat keine Läufe aus einer anderen"};
        }
    }
    return item;
}

bool ThousandthsOf(const ShowClass& item) {
    const auto found = item.Json.find("thousandths");
    return found != item.Json.end() && found->is_boolean() && found->get<bool>();
}

// "J → K → J" when taking from `source` leads back to class `taker`; empty otherwise. The classes
// named are checked to exist before they are followed.
std::string TakingCircle(const ShowData& show, int taker, int source) {
    std::vector<int> path{taker, source};
    std::vector<std::size_t> next{0, 0};
    while (path.size() > 1) {
        const ShowClass& at = show.Classes.at(static_cast<std::size_t>(path.back()));
        const std::vector<std::string> names = SourcesOf(at);
        if (path.back() == taker) {
            std::string circle;
            for (const int index : path) {
                circle += (circle.empty() ? "" : " → ") +
                          show.Classes.at(static_cast<std::size_t>(index)).Name;
            }
            return circle;
        }
        if (next.back() >= names.size() || path.size() > show.Classes.size() + 1) {
            path.pop_back();
            next.pop_back();
            continue;
        }
        const int further = FindShowClass(show, names[next.back()++]);
        if (further >= 0) {
            path.push_back(further);
            next.push_back(0);
        }
    }
    return {};
}

// A class that takes its results from others names classes of the show (with runs of their own or
// taken in turn, never in a circle), timed to the same resolution.
void CheckTakenClasses(const ShowData& show) {
    for (std::size_t i = 0; i < show.Classes.size(); ++i) {
        const ShowClass& item = show.Classes[i];
        const auto check = [&](const std::string& name, Path where) {
            const int source = FindShowClass(show, name);
            if (source < 0) {
                throw ShowFault{where, "Klasse \"" + name + "\" gibt es im Turnier nicht"};
            }
            const ShowClass& taken = show.Classes[static_cast<std::size_t>(source)];
            if (static_cast<std::size_t>(source) == i) {
                throw ShowFault{where, "Klasse \"" + name + "\" kann nicht aus sich selbst zählen"};
            }
            if (const std::string circle = TakingCircle(show, static_cast<int>(i), source);
                !circle.empty()) {
                throw ShowFault{where, "die Klassen zählen im Kreis: " + circle};
            }
            if (ThousandthsOf(taken) != ThousandthsOf(item)) {
                throw ShowFault{where, "\"thousandths\" von \"" + item.Name + "\" (" +
                                           (ThousandthsOf(item) ? "true" : "false") +
                                           ") muss dem von \"" + name + "\" (" +
                                           (ThousandthsOf(taken) ? "true" : "false") +
                                           ") gleichen"};
            }
        };
        const Path path{{"classes"}, {{}, static_cast<int>(i)}};
        if (!item.RunsFrom.empty()) {
            Path where = path;
            where.push_back({"runs_from"});
            check(item.RunsFrom, where);
        }
        for (std::size_t k = 0; k < item.Rounds.size(); ++k) {
            Path where = path;
            where.push_back({"rounds"});
            where.push_back({{}, static_cast<int>(k)});
            check(item.Rounds[k], where);
            if (std::find(item.Rounds.begin(), item.Rounds.begin() + static_cast<long>(k),
                          item.Rounds[k]) != item.Rounds.begin() + static_cast<long>(k)) {
                throw ShowFault{where,
                                "Runde \"" + item.Rounds[k] + "\" steht zweimal in der Liste"};
            }
        }
    }
}

// "office": {"fee_per_rider": 10, "fee_per_horse": 25.5}, both in euros and optional.
OfficeFees ReadOfficeFees(const json& root) {
    OfficeFees fees;
    const auto office = root.find("office");
    if (office == root.end()) {
        return fees;
    }
    if (!office->is_object()) {
        throw ShowFault{{{"office"}}, "muss ein Objekt sein"};
    }
    for (const auto& [key, cents] : {std::pair{"fee_per_rider", &fees.PerRiderCents},
                                     std::pair{"fee_per_horse", &fees.PerHorseCents}}) {
        const auto found = office->find(key);
        if (found == office->end()) {
            continue;
        }
        std::string error;
        const std::optional<std::int64_t> read = ReadMoneyCents(*found, key, error);
        if (!read) {
            // The reader names the key first; the place says it already.
            throw ShowFault{{{"office"}, {key}}, error.substr(error.find(": ") + 2)};
        }
        *cents = *read;
    }
    return fees;
}

ShowData ReadShow(const json& root) {
    Reader read;
    if (!root.is_object()) {
        throw ShowFault{{}, "die Datei muss ein JSON-Objekt sein"};
    }
    ShowData show;
    show.Json = root;
    if (const auto head = root.find("show"); head != root.end()) {
        const Path where{{"show"}};
        if (!head->is_object()) {
            throw ShowFault{where, "muss ein Objekt sein"};
        }
        show.Head.Name = read.Text(*head, where, "name", false);
        show.Head.Date = read.Text(*head, where, "date", false);
        show.Head.Place = read.Text(*head, where, "place", false);
        show.Head.Arena = read.Text(*head, where, "arena", false);
        if (!show.Head.Date.empty() && !IsIsoDate(show.Head.Date)) {
            throw ShowFault{{{"show"}, {"date"}}, "muss ein Datum wie 2026-05-17 sein"};
        }
    }
    const auto classes = root.find("classes");
    if (classes == root.end() || !classes->is_array() || classes->empty()) {
        throw ShowFault{{{"classes"}}, "muss eine Liste mit mindestens einer Klasse sein"};
    }
    for (std::size_t i = 0; i < classes->size(); ++i) {
        const Path where{{"classes"}, {{}, static_cast<int>(i)}};
        ShowClass item = ReadClass(classes->at(i), where);
        for (const ShowClass& earlier : show.Classes) {
            if (earlier.Name == item.Name) {
                throw ShowFault{where, "Klasse \"" + item.Name + "\" steht zweimal in der Liste"};
            }
            if (earlier.File == item.File) {
                throw ShowFault{where, "Datei \"" + item.File + "\" gehört schon zur Klasse \"" +
                                           earlier.Name + "\""};
            }
        }
        show.Classes.push_back(std::move(item));
    }
    CheckTakenClasses(show);
    show.Office = ReadOfficeFees(root);
    show.OpenClass = read.Text(root, {}, "open_class", false);
    if (FindShowClass(show, show.OpenClass) < 0) {
        show.OpenClass = show.Classes.front().Name;
    }
    return show;
}

// The message for a fault of the file's content, with its line.
std::string FaultText(std::string_view text, const ShowFault& fault) {
    const int line = Locator(text).LineOf(fault.Where);
    const std::string where = PathText(fault.Where);
    return "Turnierdatei, Zeile " + std::to_string(line) + (where.empty() ? "" : ", " + where) +
           ": " + fault.What;
}

// Why a file of the show folder may not be read or written: a link, not a file, or outside the
// folder through a linked folder on its way. Empty when it is a file in the folder or not there
// yet (or the system cannot tell).
std::string FolderFileFault(const std::filesystem::path& folder, const std::string& file) {
    namespace fs = std::filesystem;
    const fs::path path = folder / file;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    std::string what;
    if (fs::is_symlink(status)) {
        what = "ist ein Link";
    } else if (fs::exists(status) && !fs::is_regular_file(status)) {
        what = "ist keine Datei";
    } else {
        const fs::path inside = fs::weakly_canonical(folder, error);
        const fs::path parent =
            error ? fs::path() : fs::weakly_canonical(path.parent_path(), error);
        const fs::path relative = parent.lexically_relative(inside);
        if (!error && (relative.empty() || *relative.begin() == "..")) {
            what = "liegt außerhalb des Turnierordners";
        }
    }
    return what.empty() ? what
                        : "\"" + file + "\" " + what +
                              " – Klassendateien und ihre Änderungsprotokolle müssen Dateien im "
                              "Turnierordner sein";
}

// The first class whose file or change log may not be used, as a fault of the class's "file".
std::optional<ShowFault> FolderFault(const ShowData& show, const std::filesystem::path& folder) {
    for (std::size_t i = 0; i < show.Classes.size(); ++i) {
        const std::string& file = show.Classes[i].File;
        for (const std::string& name : {file, ClassLogFile(file)}) {
            if (std::string what = FolderFileFault(folder, name); !what.empty()) {
                return ShowFault{{{"classes"}, {{}, static_cast<int>(i)}, {"file"}}, what};
            }
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<ShowData> ParseShowText(std::string_view text, std::string& error) {
    json root;
    try {
        root = json::parse(text.begin(), text.end(),
                           [](int depth, json::parse_event_t event, const json&) {
                               if ((event == json::parse_event_t::object_start ||
                                    event == json::parse_event_t::array_start) &&
                                   depth >= MaxShowFileDepth) {
                                   throw NestedTooDeep{};
                               }
                               return true;
                           });
    } catch (const NestedTooDeep&) {
        error = "Turnierdatei ist zu tief verschachtelt (mehr als " +
                std::to_string(MaxShowFileDepth) + " Ebenen) – keine Turnierdatei";
        return std::nullopt;
    } catch (const json::parse_error& fault) {
        const std::size_t at = std::min<std::size_t>(fault.byte, text.size());
        const int line = 1 + static_cast<int>(std::count(
                                 text.begin(), text.begin() + static_cast<long>(at), '\n'));
        error = "Turnierdatei ist kein gültiges JSON (Zeile " + std::to_string(line) + ")";
        return std::nullopt;
    }
    try {
        return ReadShow(root);
    } catch (const ShowFault& fault) {
        error = FaultText(text, fault);
        return std::nullopt;
    }
}

std::optional<ShowData> ReadShowFile(const std::string& path, std::string& error) {
    std::error_code link;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, link))) {
        error = "Turnierdatei ist ein Link, keine Datei im Turnierordner: " + path;
        return std::nullopt;
    }
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        error = "Turnierdatei nicht lesbar: " + path;
        return std::nullopt;
    }
    std::optional<ShowData> show = ParseShowText(*bytes, error);
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (show) {
        if (const std::optional<ShowFault> fault =
                FolderFault(*show, folder.empty() ? "." : folder)) {
            error = FaultText(*bytes, *fault);
            return std::nullopt;
        }
    }
    return show;
}

std::string ClassLogFile(const std::string& classFile) {
    return classFile + ".log";
}

std::string ShowText(const ShowData& show) {
    json root = show.Json;
    json& head = root["show"];
    if (!head.is_object()) {
        head = json::object();
    }
    head["name"] = show.Head.Name;
    head["date"] = show.Head.Date;
    head["place"] = show.Head.Place;
    head["arena"] = show.Head.Arena;
    json classes = json::array();
    for (const ShowClass& item : show.Classes) {
        json object = item.Json.is_object() ? item.Json : json::object();
        object["name"] = item.Name;
        object["race"] = item.Race;
        object["file"] = item.File;
        object["penalty_seconds"] = item.PenaltySeconds;
        json& draw = object["draw"];
        if (!draw.is_object()) {
            draw = json::object();
        }
        draw["drag_every"] = item.Draw.DragEvery;
        draw["horse_gap"] = item.Draw.HorseGap;
        if (item.Draw.Seed) {
            draw["seed"] = *item.Draw.Seed;
            draw["scratched"] = item.Draw.Scratched;
        } else {
            draw.erase("seed");
            draw.erase("scratched");
        }
        if (item.TeamBest > 0) {
            json& team = object["team"];
            if (!team.is_object()) {
                team = json::object();
            }
            team["best"] = item.TeamBest;
        }
        classes.push_back(std::move(object));
    }
    root["classes"] = std::move(classes);
    root["open_class"] = show.OpenClass;
    return root.dump(2) + "\n";
}

FileWriteResult WriteShowFile(const ShowData& show, const std::string& path) {
    return ReplaceFileBytes(path, ShowText(show));
}

std::vector<std::string> SourcesOf(const ShowClass& item) {
    std::vector<std::string> names = item.Rounds;
    if (!item.RunsFrom.empty()) {
        names.push_back(item.RunsFrom);
    }
    return names;
}

int FindShowClass(const ShowData& show, std::string_view name) {
    for (std::size_t i = 0; i < show.Classes.size(); ++i) {
        if (show.Classes[i].Name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}
