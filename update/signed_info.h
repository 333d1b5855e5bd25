#pragma once
// The signature of the update information file. Its last line is
// "#signature=" followed by 128 hexadecimal digits: an ECDSA P-256 signature
// (r then s, 32 bytes each) over the SHA-256 of every byte before that line.
// Every listed file carries "#<key>.sha256=" and "#<key>.size=" beside its
// URL key. Older programs ignore these keys; this one refuses a file
// without them, because downloads it cannot check would run as administrator.
// "#<key>.optional=1" marks a listed file the update may do without.
// "#help=" with "#help.sha256=" and "#help.size=" names the help file, which
// the help item fetches; a file without it still serves the update.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "update/update_info.h"

namespace melkrin::update {

using Signature = std::array<std::uint8_t, 64>;

// The one step the platform does: ECDSA P-256 over SHA-256 with the public
// key compiled into the program.
class SignatureVerifier {
public:
    virtual ~SignatureVerifier() = default;
    virtual bool verify(std::string_view message, const Signature& signature) = 0;
};

inline constexpr const char* kSignatureKey = "#signature=";

struct CheckedFile {
    std::string key;
    std::string url;
    std::string sha256;  // 64 lower-case hexadecimal digits
    std::uint64_t size = 0;
    bool optional = false;  // "#<key>.optional=1": the rest may be installed without it
};

enum class InfoVerdict {
    Trusted,       // signed by our key, every file with its hash and size
    Unsigned,      // no signature line
    Malformed,     // a signature line that is not one, or bytes behind it
    BadSignature,  // not signed by our key, or changed since
    FileUnchecked, // a listed file (or the help file) without a well-formed hash or size
    RepeatedKey,   // a key named twice: which of the two counts would be a guess
};

struct SignedInfo {
    InfoVerdict verdict = InfoVerdict::Unsigned;
    std::string signedText;  // the bytes before the signature line
    std::vector<CheckedFile> files;
    std::optional<CheckedFile> help;  // key "help"; only in a trusted file
};

SignedInfo checkSignedInfo(std::string_view body, SignatureVerifier& verifier);

// Whether a downloaded body is the listed file.
bool matchesListedFile(std::string_view bytes, const CheckedFile& file);

// 128 hexadecimal digits as raw r||s; nothing for anything else.
[[nodiscard]] std::optional<Signature> parseSignatureHex(std::string_view hex);
// 64 bytes X then Y from 128 hexadecimal digits (the compiled-in key).
[[nodiscard]] std::optional<std::array<std::uint8_t, 64>> parsePublicKeyHex(std::string_view hex);

}  // namespace melkrin::update
