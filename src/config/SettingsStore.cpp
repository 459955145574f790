#include "config/SettingsStore.h"

template <typename T>
ReadStatus MemorySettingsStore::Read(std::string_view name, T& value) const {
    const auto found = values_.find(name);
    if (found == values_.end()) {
        return ReadStatus::Absent;
    }
    const T* stored = std::get_if<T>(&found->second);
    if (stored == nullptr) {
        return ReadStatus::WrongType;
    }
    value = *stored;
    return ReadStatus::Ok;
}

ReadStatus MemorySettingsStore::ReadInteger(std::string_view name, std::int32_t& value) {
    return Read(name, value);
}

ReadStatus MemorySettingsStore::ReadString(std::string_view name, std::string& value) {
    return Read(name, value);
}

bool MemorySettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
    values_.insert_or_assign(std::string(name), value);
    return true;
}

bool MemorySettingsStore::WriteString(std::string_view name, std::string_view value) {
    values_.insert_or_assign(std::string(name), std::string(value));
    return true;
}
