#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "results/ClassRules.h"

// The jackpot settings of one class as read from its object in the show file.
struct ClassRulesReading {
    ClassRules Rules;
    // Empty when the settings were read; else why not, in German, naming the key.
    std::string Error;
    bool Ok() const { return Error.empty(); }
};

// Reads "thousandths", "divisions" and "payout" of a class object; other keys are not looked at.
// Missing keys give the plain class (hundredths, no divisions, no money); within "payout" the
// missing keys take the defaults (no fees kept, full payback, the default share tables, three
// places, money of unreached places unpaid). Settings that do not add up are refused.
ClassRulesReading ReadClassRules(const nlohmann::json& classObject);

// An amount of euros in the show file as whole cents; empty (with the message naming key) for
// anything else: no number, negative, above 1e9 or finer than a cent.
std::optional<std::int64_t> ReadMoneyCents(const nlohmann::json& value, const std::string& key,
                                           std::string& error);

struct ShowClass;
// The rules of a class of a show: its settings as above and what its draw recorded.
ClassRulesReading ReadShowClassRules(const ShowClass& item);
