#include "update/signature_verifier_win32.h"

#include <windows.h>
#include <bcrypt.h>

#include <vector>

#include "common/sha256.h"

namespace melkrin::update {
namespace {

class Provider {
public:
    explicit Provider(const wchar_t* algorithm) {
        if (BCryptOpenAlgorithmProvider(&h_, algorithm, nullptr, 0) < 0) h_ = nullptr;
    }
    ~Provider() {
        if (h_) BCryptCloseAlgorithmProvider(h_, 0);
    }
    Provider(const Provider&) = delete;
    Provider& operator=(const Provider&) = delete;
    BCRYPT_ALG_HANDLE get() const { return h_; }

private:
    BCRYPT_ALG_HANDLE h_ = nullptr;
};

}  // namespace

bool CngSignatureVerifier::verify(std::string_view message, const Signature& signature) {
    Provider ecdsa(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!ecdsa.get()) return false;

    std::vector<UCHAR> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key_.size());
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PUBLIC_P256_MAGIC;
    header->cbKey = 32;
    std::copy(key_.begin(), key_.end(), blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB));
    BCRYPT_KEY_HANDLE key = nullptr;
    if (BCryptImportKeyPair(ecdsa.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                            static_cast<ULONG>(blob.size()), 0) < 0)
        return false;
    // The hash is the same SHA-256 the rest of the update uses.
    auto digest = sha256Of(message);
    auto raw = signature;
    const NTSTATUS status = BCryptVerifySignature(key, nullptr, digest.data(), static_cast<ULONG>(digest.size()),
                                                  raw.data(), static_cast<ULONG>(raw.size()), 0);
    BCryptDestroyKey(key);
    return status >= 0;
}

}  // namespace melkrin::update
