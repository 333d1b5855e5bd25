#pragma once
// An in-memory KeyStore: keys by absolute path, values by name. Values can be
// given another type, and writes can be made to fail.
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "settings/key_store.h"

namespace melkrin::testing {

class MemoryKeyStore : public KeyStore {
public:
    using Values = std::map<std::string, StoredValue>;

    bool openKey(const std::string& path, bool create) override {
        ++opens;
        if (!keys.count(path)) {
            if (!create) {
                current.reset();
                return false;
            }
            keys[path];
        }
        current = path;
        return true;
    }
    bool keyExists(const std::string& path) override { return keys.count(path) != 0; }
    StoredValue readValue(const std::string& name) override {
        if (!current) return {};
        const auto& values = keys[*current];
        const auto it = values.find(name);
        return it == values.end() ? StoredValue{} : it->second;
    }
    bool writeString(const std::string& name, const std::string& text) override {
        if (!current || failingWrites.count(name)) return false;
        keys[*current][name] = StoredValue{ValueKind::String, text};
        writes.push_back(name + "=" + text);
        if (journal) journal->push_back("set " + name + "=" + text);
        return true;
    }

    // Test set-up helpers.
    void addKey(const std::string& path) { keys[path]; }
    void set(const std::string& path, const std::string& name, const std::string& text) {
        keys[path][name] = StoredValue{ValueKind::String, text};
    }
    void setOtherType(const std::string& path, const std::string& name) {
        keys[path][name] = StoredValue{ValueKind::Other, {}};
    }
    std::optional<std::string> get(const std::string& path, const std::string& name) const {
        const auto key = keys.find(path);
        if (key == keys.end()) return std::nullopt;
        const auto value = key->second.find(name);
        if (value == key->second.end() || value->second.kind != ValueKind::String) return std::nullopt;
        return value->second.text;
    }

    std::map<std::string, Values> keys;
    std::optional<std::string> current;
    std::set<std::string> failingWrites;
    std::vector<std::string> writes;
    std::vector<std::string>* journal = nullptr;  // shared with other doubles: the order of effects
    int opens = 0;
};

}  // namespace melkrin::testing
