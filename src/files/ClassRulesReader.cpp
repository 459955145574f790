#include "files/ClassRulesReader.h"

#include "files/ShowFile.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <numeric>
#include <optional>
#include <string>

namespace {

using nlohmann::json;

// A refusal: the key path and what is wrong with it.
struct Refusal {
    std::string Text;
};

// A number of the file in units of 1/scale as an exact integer; refuses negative numbers and
// finer steps than the unit, so "0,5 s" is 500 ms and "12,345" euro is no amount of cents.
std::int64_t Fixed(const json& value, std::int64_t scale, const std::string& key,
                   const char* unitName) {
    if (!value.is_number())
        throw Refusal{key + ": eine Zahl erwartet"};
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()
                ? value.get<std::uint64_t>() > 1'000'000'000u
                : value.get<std::int64_t>() < 0 || value.get<std::int64_t>() > 1'000'000'000)
            throw Refusal{key + ": die Zahl ist negativ oder zu groß"};
        return value.get<std::int64_t>() * scale;
    }
    const double number = value.get<double>();
    if (!std::isfinite(number) || number < 0 || number > 1e9)
        throw Refusal{key + ": die Zahl ist negativ oder zu groß"};
    const double scaled = number * static_cast<double>(scale);
    const double whole = std::round(scaled);
    if (std::fabs(scaled - whole) > 1e-6)
        throw Refusal{key + ": genauer als auf " + unitName + " angegeben"};
    return static_cast<std::int64_t>(whole);
}

int Share(const json& value, const std::string& key) {
    const std::int64_t share = Fixed(value, 100, key, "ein Hundertstel Prozent");
    if (share > FullShare)
        throw Refusal{key + ": mehr als 100 Prozent"};
    return static_cast<int>(share);
}

// A list of shares that adds up to 100 % and has count entries.
std::vector<int> ShareList(const json& value, std::size_t count, const std::string& key,
                           const char* perWhat) {
    if (!value.is_array())
        throw Refusal{key + ": eine Liste von Prozenten erwartet"};
    if (value.size() != count)
        throw Refusal{key + ": " + std::to_string(value.size()) + " Anteile für " +
                      std::to_string(count) + " " + perWhat};
    std::vector<int> shares;
    for (std::size_t i = 0; i < value.size(); ++i)
        shares.push_back(Share(value[i], key + "[" + std::to_string(i) + "]"));
    const std::int64_t sum = std::accumulate(shares.begin(), shares.end(), std::int64_t{0});
    if (sum != FullShare)
        throw Refusal{key + ": die Anteile ergeben " + ShareText(sum, ',') + " statt 100 Prozent"};
    return shares;
}

std::vector<int> Offsets(const json& value) {
    std::vector<int> offsets;
    if (value.is_null())
        return offsets;
    if (!value.is_array())
        throw Refusal{"divisions: eine Liste von Sekunden erwartet, z. B. [0.5, 1.0, 1.5]"};
    if (value.size() > ClassRules::MaxDivisions - 1)
        throw Refusal{"divisions: höchstens " + std::to_string(ClassRules::MaxDivisions) +
                      " Divisionen, also " + std::to_string(ClassRules::MaxDivisions - 1) +
                      " Abstände"};
    for (std::size_t i = 0; i < value.size(); ++i) {
        const std::string key = "divisions[" + std::to_string(i) + "]";
        const std::int64_t ms = Fixed(value[i], 1000, key, "die Millisekunde");
        if (ms > 3'600'000)
            throw Refusal{key + ": mehr als eine Stunde Abstand"};
        if (ms <= (offsets.empty() ? 0 : offsets.back()))
            throw Refusal{key + ": jeder Abstand muss größer als 0 und größer als der vorige sein"};
        offsets.push_back(static_cast<int>(ms));
    }
    return offsets;
}

PayoutRules Payout(const json& value, int divisions) {
    if (!value.is_object())
        throw Refusal{"payout: ein Objekt mit entry_fee, office_fee, ... erwartet"};
    PayoutRules rules;
    const auto money = [&](const char* key, std::int64_t& cents) {
        if (value.contains(key))
            cents = Fixed(value[key], 100, std::string("payout.") + key, "den Cent");
    };
    money("entry_fee", rules.EntryFeeCents);
    money("office_fee", rules.OfficeFeeCents);
    money("added", rules.AddedCents);
    if (rules.OfficeFeeCents > rules.EntryFeeCents)
        throw Refusal{"payout.office_fee: größer als entry_fee"};
    if (value.contains("payback_percent"))
        rules.PaybackShare = Share(value["payback_percent"], "payout.payback_percent");

    const auto count = static_cast<std::size_t>(divisions);
    rules.DivisionShares =
        value.contains("division_percent")
            ? ShareList(value["division_percent"], count, "payout.division_percent", "Divisionen")
            : DefaultShares(divisions);

    rules.PlacesPaid.assign(count, DefaultPlacesPaid);
    if (value.contains("places")) {
        const json& places = value["places"];
        const auto placeCount = [](const json& v, const std::string& key) {
            if (!v.is_number_integer() || v.get<std::int64_t>() < 1 || v.get<std::int64_t>() > 50)
                throw Refusal{key + ": eine ganze Zahl von 1 bis 50 erwartet"};
            return static_cast<int>(v.get<std::int64_t>());
        };
        if (places.is_array()) {
            if (places.size() != count)
                throw Refusal{"payout.places: " + std::to_string(places.size()) + " Zahlen für " +
                              std::to_string(count) + " Divisionen"};
            for (std::size_t i = 0; i < count; ++i)
                rules.PlacesPaid[i] =
                    placeCount(places[i], "payout.places[" + std::to_string(i) + "]");
        } else {
            rules.PlacesPaid.assign(count, placeCount(places, "payout.places"));
        }
    }

    if (value.contains("place_percent")) {
        const json& table = value["place_percent"];
        if (!table.is_object())
            throw Refusal{
                "payout.place_percent: ein Objekt erwartet, z. B. {\"4\": [40, 30, 20, 10]}"};
        for (const auto& [name, shares] : table.items()) {
            const std::string key = "payout.place_percent." + name;
            int places = 0;
            for (const char c : name) {
                if (c < '0' || c > '9' || places > 50)
                    throw Refusal{key + ": der Schlüssel ist keine Zahl von 1 bis 50"};
                places = places * 10 + (c - '0');
            }
            if (places < 1 || places > 50)
                throw Refusal{key + ": der Schlüssel ist keine Zahl von 1 bis 50"};
            rules.PlaceShares[places] =
                ShareList(shares, static_cast<std::size_t>(places), key, "Plätze");
        }
    }
    for (const int places : rules.PlacesPaid) {
        if (rules.PlaceShares.count(places) != 0)
            continue;
        if (DefaultShares(places).empty())
            throw Refusal{"payout.place_percent: keine Anteile für " + std::to_string(places) +
                          " bezahlte Plätze"};
        rules.PlaceShares[places] = DefaultShares(places);
    }

    if (value.contains("unplaced")) {
        const json& unplaced = value["unplaced"];
        if (unplaced == "unpaid")
            rules.Unplaced = UnplacedMoney::Unpaid;
        else if (unplaced == "split")
            rules.Unplaced = UnplacedMoney::Split;
        else
            throw Refusal{"payout.unplaced: \"unpaid\" oder \"split\" erwartet"};
    }
    return rules;
}

}  // namespace

ClassRulesReading ReadClassRules(const nlohmann::json& classObject) {
    ClassRulesReading reading;
    try {
        if (!classObject.is_object())
            throw Refusal{"Klasse: ein Objekt erwartet"};
        if (classObject.contains("thousandths")) {
            const json& thousandths = classObject["thousandths"];
            if (!thousandths.is_boolean())
                throw Refusal{"thousandths: true oder false erwartet"};
            reading.Rules.Thousandths = thousandths.get<bool>();
        }
        if (classObject.contains("divisions"))
            reading.Rules.DivisionOffsetsMs = Offsets(classObject["divisions"]);
        if (classObject.contains("payout") && !classObject["payout"].is_null()) {
            reading.Rules.Payout = Payout(classObject["payout"], reading.Rules.DivisionCount());
            reading.Rules.HasPayout = true;
        }
    } catch (const Refusal& refusal) {
        reading.Rules = ClassRules{};
        reading.Error = refusal.Text;
    }
    return reading;
}

std::optional<std::int64_t> ReadMoneyCents(const nlohmann::json& value, const std::string& key,
                                           std::string& error) {
    try {
        return Fixed(value, 100, key, "den Cent");
    } catch (const Refusal& refusal) {
        error = refusal.Text;
        return std::nullopt;
    }
}

ClassRulesReading ReadShowClassRules(const ShowClass& item) {
    ClassRulesReading reading = ReadClassRules(item.Json);
    if (reading.Ok()) {
        reading.Rules.Drawn = item.Draw.Seed.has_value();
        reading.Rules.ScratchedAtDraw = item.Draw.Scratched;
        reading.Rules.TeamBest = item.TeamBest;
    }
    return reading;
}
