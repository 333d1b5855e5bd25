#pragma once
// Shared pieces of the libFuzzer targets: a check that stops the fuzzer with
// a message (so a broken promise of a parser is a finding like a crash), and
// FuzzedDataProvider from clang's headers.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace melkrin::fuzz {

inline void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace melkrin::fuzz
