#pragma once
// SHA-256, fed in pieces: the update and its helper check every file with it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace melkrin {

class Sha256 {
public:
    Sha256();
    void add(std::string_view bytes);
    std::array<std::uint8_t, 32> finish();

private:
    void block(const std::uint8_t* p);
    std::array<std::uint32_t, 8> h_;
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0;
};

std::array<std::uint8_t, 32> sha256Of(std::string_view bytes);
std::string toHex(const std::uint8_t* bytes, std::size_t count);
std::string sha256Hex(std::string_view bytes);

}  // namespace melkrin
