#include "run/result_log.h"

#include <algorithm>

namespace melkrin {
namespace {

constexpr std::string_view kMarker = "AVERAGE: ";
constexpr std::size_t kWindow = 6;

bool removed(char c) {
    switch (c) {
        case ' ': case '=': case ':':
        case 'F': case 'f': case 'P': case 'p': case 'S': case 's': case 'E': case 'e':
            return true;
        default:
            return false;
    }
}

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// The first "Average: " in any letter case; ASCII letters only, as the game
// writes it. The colon is rare in a log, so the scan jumps from colon to
// colon and looks at the letters before it only there; the marker that
// starts first is the one whose colon comes first.
std::size_t findMarker(std::string_view text) {
    constexpr std::size_t kColon = 7;  // "AVERAGE" before it, a blank after it
    for (std::size_t colon = text.find(':', kColon); colon != std::string_view::npos;
         colon = text.find(':', colon + 1)) {
        if (colon + 1 >= text.size() || text[colon + 1] != ' ') continue;
        const std::size_t at = colon - kColon;
        std::size_t k = 0;
        while (k < kColon && upper(text[at + k]) == kMarker[k]) ++k;
        if (k == kColon) return at;
    }
    return std::string_view::npos;
}

}  // namespace

// The log is read as the text editor of the game's era saw it: up to the first
// NUL, every line break (CR LF, LF or CR) as CR LF, and a last line without
// one ended by CR LF. The marker holds no line break, so it is found in the
// bytes as they are; only the few bytes of the window are brought into that
// form. One pass and no copy of the log: a log of any size is read in
// linear time.
std::string readDemoResult(std::string_view logBytes) {
    const auto nul = logBytes.find('\0');
    if (nul != std::string_view::npos) logBytes = logBytes.substr(0, nul);
    const auto at = findMarker(logBytes);
    if (at == std::string_view::npos) return {};

    const std::string_view rest = logBytes.substr(at + kMarker.size());
    std::string window;
    std::size_t i = 0;
    while (window.size() < kWindow && i < rest.size()) {
        const char c = rest[i++];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i < rest.size() && rest[i] == '\n') ++i;
            window += "\r\n";
        } else {
            window.push_back(c);
        }
    }
    if (i == rest.size() && !rest.empty() && rest.back() != '\r' && rest.back() != '\n') window += "\r\n";
    // A marker at the very end of a log without a final break ends its line too.
    if (rest.empty()) window = "\r\n";
    window.resize(std::min(window.size(), kWindow));

    std::string result;
    for (char c : window)
        if (!removed(c)) result.push_back(c);
    return result;
}

}  // namespace melkrin
