#include "app/display_modes.h"

#include <algorithm>
#include <unordered_set>

#include "common/text.h"

namespace melkrin {

DisplayModeList buildDisplayModeList(DisplayModeSource& source) {
    DisplayModeList list;
    std::unordered_set<std::string> seen;
    unsigned width = 0;
    unsigned height = 0;
    for (unsigned n = 0; source.mode(n, width, height); ++n) {
        std::string text = displayModeEntry(std::to_string(width), std::to_string(height));
        if (seen.insert(text).second) list.push_back(std::move(text));
    }
    return list;
}

std::string displayModeEntry(const std::string& width, const std::string& height) {
    return width + " x " + height;
}

std::string displayModeText(const DisplayModeList& list) { return joinLines(list, kCrLf); }

}  // namespace melkrin
