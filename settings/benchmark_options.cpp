#include "settings/benchmark_options.h"

namespace melkrin::decode {

std::optional<int> exactLevel(const std::string& text, int lowest, int highest) {
    for (int level = lowest; level <= highest; ++level)
        if (text == std::to_string(level)) return level;
    return std::nullopt;
}

}  // namespace melkrin::decode
