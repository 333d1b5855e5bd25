// The game's log: any bytes the game (or a disk fault) leaves in "Sam2.log".
#include "fuzz_support.h"
#include "run/result_log.h"

using namespace melkrin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string result = readDemoResult(fuzz::bytesOf(data, size));
    // The figure comes from a six-character window with the unit letters,
    // blanks, "=" and ":" taken out.
    fuzz::require(result.size() <= 6, "the figure is longer than its window");
    fuzz::require(result.find_first_of(" =:FfPpSsEe") == std::string::npos, "a removed character stayed");
    fuzz::require(result.find('\0') == std::string::npos, "a NUL came through");
    return 0;
}
