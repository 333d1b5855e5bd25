#include "update/update_key.h"

#include <stdexcept>

#include "update/signed_info.h"

#ifndef MELKRIN_UPDATE_PUBLIC_KEY_HEX
#error "the build names the update public key (MELKRIN_UPDATE_PUBLIC_KEY_HEX)"
#endif
#ifndef MELKRIN_UPDATE_KEY_IS_DEVELOPMENT
#define MELKRIN_UPDATE_KEY_IS_DEVELOPMENT 1
#endif

namespace melkrin::update {

std::array<std::uint8_t, 64> updatePublicKey() {
    const auto key = parsePublicKeyHex(MELKRIN_UPDATE_PUBLIC_KEY_HEX);
    if (!key) throw std::logic_error("the compiled-in update key is not 128 hexadecimal digits");
    return *key;
}

bool usesDevelopmentKey() { return MELKRIN_UPDATE_KEY_IS_DEVELOPMENT != 0; }

}  // namespace melkrin::update
