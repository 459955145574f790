#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>

// What a lookup of one value found.
enum class ReadStatus { Absent, WrongType, Ok };

// A per-user key of named values, each a 32-bit integer or a string. Values are asked for by the
// type the program keeps them as, because a text-only store can tell "12" from "abc" but not an
// integer 12 from the string "12".
class ISettingsStore {
public:
    virtual ~ISettingsStore() = default;
    // `value` is only changed when the result is Ok.
    virtual ReadStatus ReadInteger(std::string_view name, std::int32_t& value) = 0;
    virtual ReadStatus ReadString(std::string_view name, std::string& value) = 0;
    // False when the value could not be taken. A store kept in a file may hold written values
    // back until Flush.
    virtual bool WriteInteger(std::string_view name, std::int32_t value) = 0;
    virtual bool WriteString(std::string_view name, std::string_view value) = 0;
    // Stores every value written so far; false when they did not all reach the store.
    virtual bool Flush() { return true; }
};

// Keeps the values in memory with their types; writes always succeed.
class MemorySettingsStore : public ISettingsStore {
public:
    ReadStatus ReadInteger(std::string_view name, std::int32_t& value) override;
    ReadStatus ReadString(std::string_view name, std::string& value) override;
    bool WriteInteger(std::string_view name, std::int32_t value) override;
    bool WriteString(std::string_view name, std::string_view value) override;

private:
    template <typename T>
    ReadStatus Read(std::string_view name, T& value) const;

    std::map<std::string, std::variant<std::int32_t, std::string>, std::less<>> values_;
};
