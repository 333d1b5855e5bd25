#pragma once
#include <array>
#include <cstdint>

#include "update/signed_info.h"

namespace melkrin::update {

// ECDSA P-256 over SHA-256 through Windows CNG, with one public key.
class CngSignatureVerifier final : public SignatureVerifier {
public:
    explicit CngSignatureVerifier(const std::array<std::uint8_t, 64>& publicKey) : key_(publicKey) {}
    bool verify(std::string_view message, const Signature& signature) override;

private:
    std::array<std::uint8_t, 64> key_;
};

}  // namespace melkrin::update
