#include "run/result_log.h"

#include "common/text.h"

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

}  // namespace

std::string readDemoResult(std::string_view logBytes) {
    // A NUL ends the text; the lines are joined again with CR LF.
    const auto nul = logBytes.find('\0');
    if (nul != std::string_view::npos) logBytes = logBytes.substr(0, nul);
    const std::string text = toCrLfFile(splitLines(logBytes));

    // Upper-casing ASCII letters only keeps every position where it was.
    std::string upper = text;
    for (auto& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const auto at = upper.find(kMarker);
    // Without the marker the log holds no figure: nothing is taken from it.
    if (at == std::string::npos) return {};

    std::string result;
    for (char c : std::string_view(text).substr(at + kMarker.size(), kWindow))
        if (!removed(c)) result.push_back(c);
    return result;
}

}  // namespace melkrin
