#include "core/Publication.h"

#include "files/ClassRulesReader.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

// The live results of a class's table under its rules: divisions and payouts where it has them.
LiveSnapshot ClassSnapshot(const ResultTable& table, const ClassRules& rules, char decimalSeparator,
                           LiveBoard board) {
    StandingContext context;
    context.SystemSeparator = decimalSeparator;
    return MakeLiveSnapshot(MakeStanding(table, rules, context), std::move(board),
                            table.ColVisible(ColTeam));
}

}  // namespace

void Publication::Publish(const std::function<LiveSnapshot()>& make, const std::string& showName) {
    // The network gets its own copy of the table after each change, never the live table.
    const bool brokerRunning = BrokerRunning();
    if (!live_.Running() && !brokerRunning) {
        return;
    }
    LiveSnapshot snapshot = make();
    if (live_.Running()) {
        live_.Publish(snapshot);
    }
    if (brokerRunning) {
        broker_->Publish({showName, std::move(snapshot)});
    }
}

void Publication::ApplyLiveSettings(const Settings& settings) {
    live_.Stop();
    if (settings.LiveResults) {
        const std::string error = live_.Start(settings.LivePort, settings.LiveAddress);
        if (!error.empty()) {
            operator_.ShowError(error);
        }
    }
}

void Publication::ApplyBrokerSettings(const Settings& settings,
                                      const std::function<LiveSnapshot()>& make,
                                      const std::string& showName) {
    if (broker_ == nullptr) {
        return;
    }
    broker_->Stop();
    brokerMessage_.clear();
    if (settings.Mqtt) {
        broker_->Start({true, settings.MqttHost, settings.MqttPort, settings.MqttTls,
                        settings.MqttCaFile, settings.MqttUser, settings.MqttPassword,
                        settings.MqttPrefix, settings.Arena});
        broker_->Publish({showName, make()});
    }
}

bool Publication::Poll() {
    if (live_.Running()) {
        live_.Alive();
    }
    if (broker_ == nullptr) {
        return false;
    }
    // The message stands while the trouble lasts and goes when the broker is back; the timing
    // goes on either way.
    std::string message = broker_->Running() ? broker_->Status().Message : std::string();
    if (message == brokerMessage_) {
        return false;
    }
    brokerMessage_ = std::move(message);
    return true;
}

std::string Publication::LiveAddress() const {
    return live_.Running() ? live_.AddressText() : std::string();
}

void Publication::Stop() {
    live_.Stop();
    if (broker_ != nullptr) {
        broker_->Stop();
    }
}

std::vector<LiveClass> Publication::Classes(const Show* show, char decimalSeparator,
                                            const std::string& arena) const {
    std::vector<LiveClass> classes;
    if (show == nullptr) {
        return classes;
    }
    classResults_.resize(static_cast<std::size_t>(show->ClassCount()));
    for (int index = 0; index < show->ClassCount(); ++index) {
        const ShowClass& item = show->Data().Classes.at(static_cast<std::size_t>(index));
        LiveClass& listed =
            classes.emplace_back(LiveClass{item.Name, item.Race, false, nullptr, {}});
        if (index == show->OpenIndex()) {
            listed.open = true;
            continue;
        }
        // Run at another station: its file here holds the start list only.
        const auto runsAt = item.Json.find("arena");
        if (runsAt != item.Json.end() && runsAt->is_string() && *runsAt != arena) {
            listed.arena = runsAt->get<std::string>();
            continue;
        }
        // Asked of the file each time: the class files change only through the program, but
        // a start list taken into the show writes several at once.
        ClassResults& cached = classResults_[static_cast<std::size_t>(index)];
        const std::string file = show->ClassFile(index);
        std::error_code error;
        const auto written = std::filesystem::last_write_time(file, error);
        const std::uintmax_t size = error ? 0 : std::filesystem::file_size(file, error);
        if (!cached.json || cached.file != file || cached.written != written ||
            cached.size != size || cached.settings != item.Json) {
            // A class whose file cannot be read is listed without results; the file stays as
            // it is, and the operator hears of it when the class is opened.
            ResultTable table;
            if (TakesResults(item) && error) {
                // An average no change has made yet: made here from its sources' files.
                DerivedTable made;
                MakeTakenTable(
                    *show, index,
                    [&](int source, ResultTable& read) {
                        return ReadClassTable(*show, source, read, decimalSeparator);
                    },
                    decimalSeparator, made);
                table = std::move(made.Table);
            } else {
                ReadClassTable(*show, index, table, decimalSeparator);
            }
            const ClassRules rules = ReadShowClassRules(item).Rules;
            LiveSnapshot snapshot =
                ClassSnapshot(table, rules, decimalSeparator, {item.Race, {}, {}, {}, false});
            snapshot.announcer.className = item.Name;
            snapshot.penaltySeconds = item.PenaltySeconds;
            cached = {file, written, size, item.Json,
                      std::make_shared<const std::string>(LiveClassJson(snapshot))};
        }
        listed.json = cached.json;
    }
    return classes;
}
