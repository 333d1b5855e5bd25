#include "run/run_facts.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "common/errors.h"
#include "common/sha256.h"

namespace melkrin {

std::string uuidFromRandomBytes(const std::string& bytes) {
    if (bytes.size() != 16) throw MelkrinError("A run identity needs 16 random bytes.");
    std::string b = bytes;
    b[6] = static_cast<char>((b[6] & 0x0F) | 0x40);  // version 4: random
    b[8] = static_cast<char>((b[8] & 0x3F) | 0x80);  // the RFC 4122 variant
    const std::string hex = toHex(reinterpret_cast<const std::uint8_t*>(b.data()), b.size());
    return hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) + "-" +
           hex.substr(20);
}

std::string utcOffsetText(int minutes) {
    char text[16];
    const int magnitude = std::abs(minutes);
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', magnitude / 60 % 100, magnitude % 60);
    return text;
}

}  // namespace melkrin
