#include "settings/registry_key_store_win32.h"

#include <algorithm>
#include <vector>

namespace melkrin {
namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;

std::string relative(const std::string& path) {
    std::size_t start = 0;
    while (start < path.size() && path[start] == '\\') ++start;
    std::string sub = path.substr(start);
    while (!sub.empty() && sub.back() == '\\') sub.pop_back();
    return sub;
}

}  // namespace

RegistryKeyStore::~RegistryKeyStore() { close(); }

void RegistryKeyStore::close() {
    if (current_) RegCloseKey(current_);
    current_ = nullptr;
}

bool RegistryKeyStore::openKey(const std::string& path, bool create) {
    close();
    const std::string sub = relative(path);
    HKEY key = nullptr;
    LONG status;
    if (create) {
        status = RegCreateKeyExA(root_, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_READ | KEY_WRITE | kView, nullptr, &key, nullptr);
    } else {
        status = RegOpenKeyExA(root_, sub.c_str(), 0, KEY_READ | KEY_WRITE | kView, &key);
        // Without write rights the key can still be read; writes then fail
        // and report which value could not be set.
        if (status == ERROR_ACCESS_DENIED) status = RegOpenKeyExA(root_, sub.c_str(), 0, KEY_READ | kView, &key);
    }
    if (status != ERROR_SUCCESS) return false;
    current_ = key;
    return true;
}

bool RegistryKeyStore::keyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root_, relative(path).c_str(), 0, KEY_READ | kView, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

StoredValue RegistryKeyStore::readValue(const std::string& name) {
    StoredValue value;
    if (!current_) return value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(current_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return value;
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        value.kind = ValueKind::Other;
        return value;
    }
    std::vector<char> data(size + 1, '\0');
    LONG status;
    for (;;) {
        DWORD got = static_cast<DWORD>(data.size());
        status = RegQueryValueExA(current_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_MORE_DATA) {
            data.resize(got + 1);
            continue;
        }
        size = got;
        break;
    }
    if (status != ERROR_SUCCESS) return value;
    std::string text(data.data(), std::min<std::size_t>(size, data.size()));
    // The stored size counts the terminating NUL; cut at the first one.
    const auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    value.kind = ValueKind::String;
    value.text = std::move(text);
    return value;
}

bool RegistryKeyStore::writeString(const std::string& name, const std::string& text) {
    if (!current_) return false;
    return RegSetValueExA(current_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

}  // namespace melkrin
