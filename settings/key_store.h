#pragma once
// A registry-like key-value store below one fixed root, as a seam. Keys are
// absolute paths with a leading backslash ("\SOFTWARE\Quorvane\Melkrin").
#include <string>

namespace melkrin {

enum class ValueKind { Missing, String, Other };

struct StoredValue {
    ValueKind kind = ValueKind::Missing;
    std::string text;  // only for ValueKind::String
};

class KeyStore {
public:
    virtual ~KeyStore() = default;
    // Makes the key the current one. Without create, a missing key gives false
    // and leaves no key current.
    virtual bool openKey(const std::string& path, bool create) = 0;
    virtual bool keyExists(const std::string& path) = 0;
    // A value of the current key; Missing when no key is current.
    virtual StoredValue readValue(const std::string& name) = 0;
    // Creates or replaces a string value of the current key; false on failure.
    virtual bool writeString(const std::string& name, const std::string& text) = 0;
};

}  // namespace melkrin
