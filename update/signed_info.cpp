#include "update/signed_info.h"

#include "common/text.h"
#include "common/sha256.h"

namespace melkrin::update {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHex(std::string_view hex, std::uint8_t* out, std::size_t count) {
    if (hex.size() != count * 2) return false;
    for (std::size_t i = 0; i < count; ++i) {
        const int hi = hexDigit(hex[2 * i]);
        const int lo = hexDigit(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

// The start of the last line that begins with the signature key, npos when none.
std::size_t signatureLineStart(std::string_view body) {
    std::size_t at = body.rfind(kSignatureKey);
    while (at != std::string::npos) {
        if (at == 0 || body[at - 1] == '\n') return at;
        at = body.rfind(kSignatureKey, at - 1);
    }
    return std::string::npos;
}

bool wellFormedSize(const std::string& text, std::uint64_t& size) {
    if (text.empty() || text.size() > 15) return false;
    size = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        size = size * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return true;
}

// The entry of one file with its hash and size; nothing when either is missing or ill-formed.
std::optional<CheckedFile> checkedFile(std::string_view signedText, const std::string& key, std::string url) {
    CheckedFile file{key, std::move(url), toLower(infoValue(signedText, key + ".sha256")), 0};
    std::array<std::uint8_t, 32> digest;
    if (!parseHex(file.sha256, digest.data(), digest.size()) ||
        !wellFormedSize(infoValue(signedText, key + ".size"), file.size))
        return std::nullopt;
    return file;
}

}  // namespace

// The signature line has one spelling only (lower-case key and digits), so
// that no changed byte of the file can still pass.
std::optional<Signature> parseSignatureHex(std::string_view hex) {
    for (char c : hex)
        if (c >= 'A' && c <= 'F') return std::nullopt;
    Signature signature;
    if (!parseHex(hex, signature.data(), 64)) return std::nullopt;
    return signature;
}

std::optional<std::array<std::uint8_t, 64>> parsePublicKeyHex(std::string_view hex) {
    std::array<std::uint8_t, 64> key;
    if (!parseHex(hex, key.data(), 64)) return std::nullopt;
    return key;
}

SignedInfo checkSignedInfo(std::string_view body, SignatureVerifier& verifier) {
    SignedInfo info;
    const std::size_t line = signatureLineStart(body);
    if (line == std::string::npos) {
        info.verdict = InfoVerdict::Unsigned;
        return info;
    }
    std::string_view value = body.substr(line + std::string_view(kSignatureKey).size());
    // The line break after the signature is optional; nothing else may follow.
    if (endsWith(value, "\r\n")) value.remove_suffix(2);
    else if (endsWith(value, "\n")) value.remove_suffix(1);
    const std::optional<Signature> signature = parseSignatureHex(value);
    if (!signature) {
        info.verdict = InfoVerdict::Malformed;
        return info;
    }
    const std::string_view signedText = body.substr(0, line);
    if (!verifier.verify(signedText, *signature)) {
        info.verdict = InfoVerdict::BadSignature;
        return info;
    }
    // The signature line counts too: a second one inside the signed text
    // would otherwise pass unseen.
    if (repeatedKey(body)) {
        info.verdict = InfoVerdict::RepeatedKey;
        return info;
    }
    info.signedText = std::string(signedText);
    for (const auto& listed : listedFiles(signedText)) {
        auto file = checkedFile(signedText, listed.key, listed.url);
        if (!file) {
            info.verdict = InfoVerdict::FileUnchecked;
            info.files.clear();
            return info;
        }
        file->optional = infoValue(signedText, listed.key + ".optional") == "1";
        info.files.push_back(std::move(*file));
    }
    if (std::string url = infoValue(signedText, "help"); !url.empty()) {
        info.help = checkedFile(signedText, "help", std::move(url));
        if (!info.help) {
            info.verdict = InfoVerdict::FileUnchecked;
            info.files.clear();
            return info;
        }
    }
    info.verdict = InfoVerdict::Trusted;
    return info;
}

bool matchesListedFile(std::string_view bytes, const CheckedFile& file) {
    return bytes.size() == file.size && sha256Hex(bytes) == file.sha256;
}

}  // namespace melkrin::update
