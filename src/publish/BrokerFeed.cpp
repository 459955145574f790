#include "publish/BrokerFeed.h"

#include "files/Announcer.h"
#include "files/TextCodec.h"

namespace {

constexpr std::size_t MaxLevelBytes = 100;

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

}  // namespace

std::string TopicLevel(std::string_view text, std::string_view fallback) {
    std::string converted;
    if (!IsValidUtf8(text)) {
        converted = Cp1252ToUtf8(text);
        text = converted;
    }
    std::string level;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '/' || ch == '+' || ch == '#') {
            level += '-';
        } else if (c >= 0x20 && c != 0x7f) {
            level += ch;
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
    while (from <= prefix.size()) {
        const std::size_t slash = std::min(prefix.find('/', from), prefix.size());
        const std::string level = TopicLevel(prefix.substr(from, slash - from), "");
        if (!level.empty()) {
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

std::string ClassLevel(const LiveSnapshot& live) {
    const std::string& name = live.announcer.className;
    return TopicLevel(name.empty() ? live.board.race : name, "Klasse");
}

std::vector<BrokerMessage> BrokerMessages(const BrokerSnapshot& snapshot, std::string_view base,
                                          std::int64_t wallOffsetMs) {
    const std::string prefix = std::string(base) + "/";
    const AnnouncerSnapshot& announcer = snapshot.Live.announcer;
    std::vector<BrokerMessage> messages = {
        {prefix + "clock", AnnouncerClockJson(announcer, wallOffsetMs)},
        {prefix + "announcer", AnnouncerJson(announcer, std::nullopt, wallOffsetMs)},
        {prefix + "results/" + ClassLevel(snapshot.Live), LiveResultsJson(snapshot.Live)},
    };
    // The show's other classes as their files hold them, without the arena's board: a class
    // the arena has left no longer says who was at the gate when it was run.
    for (const LiveClass& item : snapshot.Live.classes) {
        if (!item.open && item.json) {
            messages.push_back({prefix + "results/" + TopicLevel(item.name, "Klasse"), *item.json});
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
