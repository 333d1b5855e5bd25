#pragma once
#include <windows.h>

#include "settings/key_store.h"

namespace melkrin {

// The key store in the registry under HKEY_LOCAL_MACHINE. Every key is opened
// in the 32-bit view (KEY_WOW64_32KEY), where the installers of the program and
// of the game write, so a 64-bit build sees what a 32-bit one sees.
class RegistryKeyStore final : public KeyStore {
public:
    explicit RegistryKeyStore(HKEY root = HKEY_LOCAL_MACHINE) : root_(root) {}
    ~RegistryKeyStore() override;
    RegistryKeyStore(const RegistryKeyStore&) = delete;
    RegistryKeyStore& operator=(const RegistryKeyStore&) = delete;

    bool openKey(const std::string& path, bool create) override;
    bool keyExists(const std::string& path) override;
    StoredValue readValue(const std::string& name) override;
    bool writeString(const std::string& name, const std::string& text) override;

private:
    void close();

    HKEY root_;
    HKEY current_ = nullptr;
};

}  // namespace melkrin
