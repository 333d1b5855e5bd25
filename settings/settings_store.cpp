#include "settings/settings_store.h"

#include "common/errors.h"

namespace melkrin {

bool SettingsStore::open(const std::string& path, bool create) { return keys_.openKey(path, create); }

bool SettingsStore::keyExists(const std::string& path) { return keys_.keyExists(path); }

bool SettingsStore::valueExists(const std::string& name) {
    return keys_.readValue(name).kind != ValueKind::Missing;
}

std::string SettingsStore::readString(const std::string& name) {
    StoredValue value = keys_.readValue(name);
    switch (value.kind) {
        case ValueKind::Missing: return {};
        case ValueKind::String: return std::move(value.text);
        case ValueKind::Other: break;
    }
    throw MelkrinError(formatWith("Invalid data type for '%s'", name));
}

void SettingsStore::writeString(const std::string& name, const std::string& text) {
    if (!keys_.writeString(name, text)) throw MelkrinError(formatWith("Failed to set data for '%s'", name));
}

}  // namespace melkrin
