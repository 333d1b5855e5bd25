#pragma once
// Access to the program's settings key and the other keys it reads below
// HKEY_LOCAL_MACHINE. Every value is a string; a missing value reads as "".
#include <string>

#include "settings/key_store.h"

namespace melkrin {

class SettingsStore {
public:
    explicit SettingsStore(KeyStore& keys) : keys_(keys) {}

    // Opens the key by its absolute path and makes it current; false when it
    // does not exist and create is off.
    bool open(const std::string& path, bool create);
    bool keyExists(const std::string& path);
    bool valueExists(const std::string& name);
    // "" for a missing value; throws "Invalid data type for '<name>'" for a
    // value that is not a string.
    std::string readString(const std::string& name);
    // Throws "Failed to set data for '<name>'" when the write fails.
    void writeString(const std::string& name, const std::string& text);

private:
    KeyStore& keys_;
};

}  // namespace melkrin
