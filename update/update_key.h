#pragma once
// The public key that every update information file must be signed with.
// A release build names the maker's key (build option
// MELKRIN_UPDATE_PUBLIC_KEY_HEX); without it the development key of the
// repository is compiled in, which only the tests and the demo may use.
#include <array>
#include <cstdint>

namespace melkrin::update {

std::array<std::uint8_t, 64> updatePublicKey();
bool usesDevelopmentKey();

// What the about page and the debug log say in a build that trusts the
// development key, so that such a build is never mistaken for a release.
inline constexpr const char* kDevelopmentKeyNote = "development build: trusts the test signing key";

}  // namespace melkrin::update
