#include "settings/base64.h"

namespace melkrin {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int sextet(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

}  // namespace

std::string decodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    unsigned group = 0;
    int count = 0;
    for (unsigned char c : text) {
        const int value = sextet(c);
        if (value < 0) continue;
        group = (group << 6) | static_cast<unsigned>(value);
        if (++count == 4) {
            out.push_back(static_cast<char>((group >> 16) & 0xFF));
            out.push_back(static_cast<char>((group >> 8) & 0xFF));
            out.push_back(static_cast<char>(group & 0xFF));
            group = 0;
            count = 0;
        }
    }
    if (count == 3) {
        group <<= 6;
        out.push_back(static_cast<char>((group >> 16) & 0xFF));
        out.push_back(static_cast<char>((group >> 8) & 0xFF));
    } else if (count == 2) {
        group <<= 12;
        out.push_back(static_cast<char>((group >> 16) & 0xFF));
    }
    return out;
}

std::string encodeBase64(std::string_view bytes) {
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned group = (static_cast<unsigned char>(bytes[i]) << 16) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                               static_cast<unsigned char>(bytes[i + 2]);
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(kAlphabet[(group >> 6) & 63]);
        out.push_back(kAlphabet[group & 63]);
    }
    const std::size_t rest = bytes.size() - i;
    if (rest) {
        unsigned group = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) group |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out.push_back(kAlphabet[(group >> 18) & 63]);
        out.push_back(kAlphabet[(group >> 12) & 63]);
        out.push_back(rest == 2 ? kAlphabet[(group >> 6) & 63] : '=');
        out.push_back('=');
    }
    return out;
}

}  // namespace melkrin
