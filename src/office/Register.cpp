#include "office/Register.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <set>

#include "results/ResultTable.h"

namespace {

// A prepared statement that finalizes itself.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            statement_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool Ok() const { return statement_ != nullptr; }
    Statement& Bind(int index, std::string_view text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, sqlite3_int64 number) {
        sqlite3_bind_int64(statement_, index, number);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or the failure; a prepared statement that failed is an error.
    int Step() { return statement_ ? sqlite3_step(statement_) : SQLITE_ERROR; }
    void Reset() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    std::string Text(int col) const {
        const unsigned char* text = sqlite3_column_text(statement_, col);
        return text ? reinterpret_cast<const char*>(text) : std::string();
    }
    sqlite3_int64 Number(int col) const { return sqlite3_column_int64(statement_, col); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

constexpr const char* Schema =
    "CREATE TABLE IF NOT EXISTS rider(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
    "member TEXT NOT NULL DEFAULT '', phone TEXT NOT NULL DEFAULT '', "
    "email TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS horse(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, "
    "owner TEXT NOT NULL DEFAULT '');"
    "CREATE TABLE IF NOT EXISTS rides(rider INTEGER NOT NULL REFERENCES rider(id), "
    "horse INTEGER NOT NULL REFERENCES horse(id), PRIMARY KEY(rider, horse));";

// Lower case of ASCII and of the Latin-1 capitals in UTF-8 (C3 80 to C3 9E, not the sign ×).
std::string LowerLatin(std::string_view text) {
    std::string lower = AsciiLower(text);
    for (std::size_t i = 0; i + 1 < lower.size(); ++i) {
        const auto lead = static_cast<unsigned char>(lower[i]);
        const auto next = static_cast<unsigned char>(lower[i + 1]);
        if (lead == 0xC3 && next >= 0x80 && next <= 0x9E && next != 0x97) {
            lower[i + 1] = static_cast<char>(next + 0x20);
        }
    }
    return lower;
}

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == ',') {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace

std::string RiderNameKey(std::string_view name) {
    std::vector<std::string> words = Words(LowerLatin(name));
    std::sort(words.begin(), words.end());
    std::string key;
    for (const std::string& word : words) {
        key += (key.empty() ? "" : " ") + word;
    }
    return key;
}

std::vector<SpelledPair> SpelledTwice(const std::vector<std::string>& known,
                                      const std::vector<std::string>& added) {
    // Every spelling of each key, the list's own first.
    std::map<std::string, std::vector<std::string>> spellings;
    const auto note = [&](const std::string& name) {
        const std::string written(TrimText(name));
        if (written.empty()) {
            return;
        }
        std::vector<std::string>& list = spellings[RiderNameKey(written)];
        if (std::find(list.begin(), list.end(), written) == list.end()) {
            list.push_back(written);
        }
    };
    for (const std::string& name : added) {
        note(name);
    }
    std::set<std::string> fromList;
    for (const std::string& name : added) {
        fromList.insert(std::string(TrimText(name)));
    }
    for (const std::string& name : known) {
        note(name);
    }
    std::vector<SpelledPair> pairs;
    for (const auto& [key, names] : spellings) {
        for (std::size_t a = 0; a < names.size(); ++a) {
            for (std::size_t b = a + 1; b < names.size(); ++b) {
                if (fromList.count(names[a]) != 0 || fromList.count(names[b]) != 0) {
                    pairs.emplace_back(names[a], names[b]);
                }
            }
        }
    }
    return pairs;
}

std::string SpelledTwiceText(const std::vector<SpelledPair>& pairs) {
    if (pairs.empty()) {
        return {};
    }
    std::string text = "Gleicher Reiter, anders geschrieben? (nicht zusammengeführt):";
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        text += (i == 0 ? " \"" : "; \"") + pairs[i].first + "\" / \"" + pairs[i].second + "\"";
    }
    return text;
}

std::unique_ptr<Register> Register::Open(const std::string& path, std::string& error,
                                         bool readOnly) {
    sqlite3* db = nullptr;
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        error = "Reiterregister nicht zu öffnen: " + path + " (" +
                (db ? sqlite3_errmsg(db) : "kein Speicher") + ")";
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 2000);
    std::unique_ptr<Register> opened(new Register(db, path));
    // A write-ahead log synced at its checkpoints: a crash loses at most the last lists taken,
    // never the file, and loading a list does not wait for the disk.
    if (!readOnly &&
        (!opened->Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", error) ||
         !opened->Execute(Schema, error))) {
        return nullptr;
    }
    // A file that is no register (or another program's database) is refused on first read.
    Statement probe(db, "SELECT count(*) FROM rider, horse, rides LIMIT 1");
    if (!probe.Ok()) {
        error = "Keine Reiterregister-Datei: " + path + " (" + sqlite3_errmsg(db) + ")";
        return nullptr;
    }
    return opened;
}

Register::~Register() {
    sqlite3_close(db_);
}

bool Register::Execute(const char* sql, std::string& error) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        error = "Reiterregister " + path_ + ": " + (message ? message : "Fehler");
        sqlite3_free(message);
        return false;
    }
    return true;
}

RegisterOutcome Register::Add(const std::vector<RegisterLine>& lines) {
    RegisterOutcome outcome;
    std::vector<std::string> known;
    for (const RegisteredRider& rider : Riders()) {
        known.push_back(rider.Name);
    }
    if (!Execute("BEGIN IMMEDIATE", outcome.Error)) {
        return outcome;
    }
    Statement addRider(db_, "INSERT OR IGNORE INTO rider(name, member) VALUES(?1, ?2)");
    Statement fillMember(db_, "UPDATE rider SET member = ?2 WHERE name = ?1 AND member = ''");
    Statement addHorse(db_, "INSERT OR IGNORE INTO horse(name) VALUES(?1)");
    Statement addRide(db_,
                      "INSERT OR IGNORE INTO rides(rider, horse) SELECT rider.id, horse.id "
                      "FROM rider, horse WHERE rider.name = ?1 AND horse.name = ?2");
    bool ok = addRider.Ok() && fillMember.Ok() && addHorse.Ok() && addRide.Ok();
    std::vector<std::string> added;
    for (const RegisterLine& line : lines) {
        const std::string_view rider = TrimText(line.Rider);
        const std::string_view member = TrimText(line.Member);
        const std::string_view horse = TrimText(line.Horse);
        if (!ok || rider.empty()) {
            continue;
        }
        added.emplace_back(rider);
        ok = addRider.Bind(1, rider).Bind(2, member).Step() == SQLITE_DONE;
        outcome.NewRiders += sqlite3_changes(db_);
        addRider.Reset();
        ok = ok && fillMember.Bind(1, rider).Bind(2, member).Step() == SQLITE_DONE;
        fillMember.Reset();
        if (ok && !horse.empty()) {
            ok = addHorse.Bind(1, horse).Step() == SQLITE_DONE;
            outcome.NewHorses += sqlite3_changes(db_);
            addHorse.Reset();
            ok = ok && addRide.Bind(1, rider).Bind(2, horse).Step() == SQLITE_DONE;
            addRide.Reset();
        }
    }
    if (!ok) {
        outcome.Error = "Reiterregister " + path_ + ": " + sqlite3_errmsg(db_);
        std::string ignored;
        Execute("ROLLBACK", ignored);
        outcome.NewRiders = outcome.NewHorses = 0;
        return outcome;
    }
    if (!Execute("COMMIT", outcome.Error)) {
        std::string ignored;
        Execute("ROLLBACK", ignored);
        return outcome;
    }
    outcome.SpelledTwice = SpelledTwice(known, added);
    return outcome;
}

bool Register::SetContact(std::string_view rider, std::string_view phone, std::string_view email) {
    Statement update(db_, "UPDATE rider SET phone = ?2, email = ?3 WHERE name = ?1");
    return update.Bind(1, TrimText(rider))
                   .Bind(2, TrimText(phone))
                   .Bind(3, TrimText(email))
                   .Step() == SQLITE_DONE &&
           sqlite3_changes(db_) > 0;
}

std::vector<RegisteredRider> Register::Riders() const {
    std::vector<RegisteredRider> riders;
    Statement query(db_,
                    "SELECT rider.name, member, phone, email, horse.name FROM rider "
                    "LEFT JOIN rides ON rides.rider = rider.id "
                    "LEFT JOIN horse ON horse.id = rides.horse ORDER BY rider.name, horse.name");
    while (query.Step() == SQLITE_ROW) {
        if (riders.empty() || riders.back().Name != query.Text(0)) {
            riders.push_back({query.Text(0), query.Text(1), query.Text(2), query.Text(3), {}});
        }
        if (std::string horse = query.Text(4); !horse.empty()) {
            riders.back().Horses.push_back(std::move(horse));
        }
    }
    return riders;
}

std::vector<std::pair<std::string, std::string>> Register::Horses() const {
    std::vector<std::pair<std::string, std::string>> horses;
    Statement query(db_, "SELECT name, owner FROM horse ORDER BY name");
    while (query.Step() == SQLITE_ROW) {
        horses.emplace_back(query.Text(0), query.Text(1));
    }
    return horses;
}

std::string Register::MemberOf(std::string_view rider) const {
    Statement query(db_, "SELECT member FROM rider WHERE name = ?1");
    return query.Bind(1, TrimText(rider)).Step() == SQLITE_ROW ? query.Text(0) : std::string();
}
