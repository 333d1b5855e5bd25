// The game's log: any bytes the game (or a disk fault) leaves in "Sam2.log".
// The reader finds the figure in one pass; the plain model below reads the
// log the long way (lines split and joined again, all of it upper-cased) and
// must always agree with it.
#include "common/text.h"
#include "fuzz_support.h"
#include "run/result_log.h"

using namespace melkrin;

namespace {

std::string plainReading(std::string_view log) {
    const auto nul = log.find('\0');
    if (nul != std::string_view::npos) log = log.substr(0, nul);
    const std::string text = toCrLfFile(splitLines(log));
    std::string upper = text;
    for (auto& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    const auto at = upper.find("AVERAGE: ");
    if (at == std::string::npos) return {};
    std::string result;
    for (char c : std::string_view(text).substr(at + 9, 6))
        if (std::string_view(" =:FfPpSsEe").find(c) == std::string_view::npos) result.push_back(c);
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view log = fuzz::bytesOf(data, size);
    const std::string result = readDemoResult(log);
    fuzz::require(result == plainReading(log), "the reader and the plain model disagree");
    fuzz::require(result.size() <= 6, "the figure is longer than its window");
    return 0;
}
