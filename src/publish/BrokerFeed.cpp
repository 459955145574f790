#include "publish/BrokerFeed.h"

#include <algorithm>
#include <set>

#include "files/Announcer.h"
#include "files/TextCodec.h"

namespace {

constexpr std::size_t MaxLevelBytes = 100;
// A broker takes a topic of a few hundred levels at most (mosquitto: 200).
constexpr std::size_t MaxPrefixLevels = 10;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Cuts at most `limit` bytes without splitting a UTF-8 sequence.
void CutUtf8(std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return;
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    text.resize(end);
}

// C0 and C1 controls and DEL: a broker refuses a topic holding one.
bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

// The characters Unicode keeps for a program's own use, never for interchange: refused too.
bool IsNoncharacter(char32_t c) {
    return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

}  // namespace

std::string TopicLevel(std::string_view text, std::string_view fallback) {
    std::string converted;
    if (!IsValidUtf8(text)) {
        converted = Cp1252ToUtf8(text);
        text = converted;
    }
    std::string level;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t from = pos;
        const std::optional<char32_t> c = NextUtf8Char(text, pos);
        if (!c) {
            ++pos;  // not reached: the text is UTF-8 by now
        } else if (*c == '/' || *c == '+' || *c == '#') {
            level += '-';
        } else if (!IsControl(*c) && !IsNoncharacter(*c)) {
            level.append(text.substr(from, pos - from));
        }
    }
    CutUtf8(level, MaxLevelBytes);
    const auto first = level.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string(fallback);
    }
    level.erase(0, first);
    while (IsBlank(level.back())) {
        level.pop_back();
    }
    return level;
}

std::string TopicBase(std::string_view prefix, std::string_view show, std::string_view arena) {
    std::string base;
    std::size_t from = 0;
    std::size_t levels = 0;
    while (from <= prefix.size()) {
        const std::size_t slash = std::min(prefix.find('/', from), prefix.size());
        const std::string level = TopicLevel(prefix.substr(from, slash - from), "");
        if (!level.empty() && levels++ < MaxPrefixLevels) {
            base += level + "/";
        }
        from = slash + 1;
    }
    if (base.empty()) {
        base = "corralix/";
    }
    // A first level starting with '$' is the broker's own; readers of '#' would not see it.
    if (base.front() == '$') {
        base.front() = '-';
    }
    return base + TopicLevel(show, "Corralix") + "/" + TopicLevel(arena, "Arena");
}

std::map<std::string, std::string> ClassLevels(const std::vector<std::string>& names) {
    // The names making each level: the one that is its level as it stands first, then by bytes.
    std::map<std::string, std::vector<std::string>> byLevel;
    for (const std::string& name : std::set<std::string>(names.begin(), names.end())) {
        byLevel[TopicLevel(name, "Klasse")].push_back(name);
    }
    std::set<std::string> taken;
    for (auto& [level, sharing] : byLevel) {
        std::stable_partition(sharing.begin(), sharing.end(),
                              [&](const std::string& name) { return name == level; });
        taken.insert(level);
    }
    std::map<std::string, std::string> levels;
    for (const auto& [level, sharing] : byLevel) {
        levels[sharing.front()] = level;
        int n = 2;
        for (auto name = sharing.begin() + 1; name != sharing.end(); ++name) {
            std::string unique;
            do {
                const std::string suffix = "-" + std::to_string(n++);
                unique = level;
                CutUtf8(unique, MaxLevelBytes - suffix.size());
                unique += suffix;
            } while (!taken.insert(unique).second);
            levels[*name] = unique;
        }
    }
    return levels;
}

std::vector<BrokerMessage> BrokerMessages(const BrokerSnapshot& snapshot, std::string_view base,
                                          std::int64_t wallOffsetMs) {
    const std::string prefix = std::string(base) + "/";
    const AnnouncerSnapshot& announcer = snapshot.Live.announcer;
    // The class on the board by its name in a show, else by the race; each class its own topic.
    std::vector<std::string> names = {announcer.className.empty() ? snapshot.Live.board.race
                                                                  : announcer.className};
    for (const LiveClass& item : snapshot.Live.classes) {
        names.push_back(item.name);
    }
    const std::map<std::string, std::string> levels = ClassLevels(names);
    std::vector<BrokerMessage> messages = {
        {prefix + "clock", AnnouncerClockJson(announcer, wallOffsetMs)},
        {prefix + "announcer", AnnouncerJson(announcer, std::nullopt, wallOffsetMs)},
        {prefix + "results/" + levels.at(names.front()), LiveResultsJson(snapshot.Live)},
    };
    // The show's other classes as their files hold them, without the arena's board: a class
    // the arena has left no longer says who was at the gate when it was run.
    for (const LiveClass& item : snapshot.Live.classes) {
        if (!item.open && item.json) {
            messages.push_back({prefix + "results/" + levels.at(item.name), *item.json});
        }
    }
    return messages;
}

std::string BrokerStateText(BrokerState state, std::string_view host, int port) {
    // Short enough for the status bar beside the light barrier's readout.
    switch (state) {
        case BrokerState::Away:
            return "MQTT-Broker nicht erreichbar – Ergebnisse folgen";
        case BrokerState::Refused:
            return "MQTT-Broker lehnt Benutzer oder Passwort ab (F2)";
        case BrokerState::TlsFailed:
            return "MQTT: Zertifikat nicht anerkannt – CA-Datei prüfen (F2)";
        case BrokerState::Flooding:
            return "MQTT-Broker sendet zu viel – Verbindung getrennt";
        case BrokerState::Unreachable:
            return "MQTT-Broker " + std::string(host) + ":" + std::to_string(port) +
                   " antwortet nicht";
        case BrokerState::Off:
        case BrokerState::Connecting:
        case BrokerState::Connected:
            break;
    }
    return {};
}
