#pragma once
// The ten resolution choices of a run, in the order a run visits them, with
// their texts. "\xD7" is the multiplication sign of the 8-bit files.
#include <array>
#include <string>

namespace melkrin {

struct ResolutionSlot {
    int index;
    const char* key;
    const char* width;   // empty for the custom slot
    const char* height;
    const char* startLine;    // debug log, before the game starts
    const char* statusText;   // progress panel
    const char* successLine;  // debug log, after a run that is not the last
    const char* heading;      // report heading
};

inline constexpr int kCustomSlot = 9;
extern const std::array<ResolutionSlot, 10> kResolutionSlots;

// The custom slot's texts for the given width and height texts.
std::string customStartLine(const std::string& width, const std::string& height);
std::string customStatusText(const std::string& width, const std::string& height);
std::string customSuccessLine(const std::string& width, const std::string& height);
std::string customHeading(const std::string& width, const std::string& height);

// The one line of the batch file that starts the game for a demo and a size.
std::string gameCommandLine(const std::string& demoFileName, const std::string& width, const std::string& height);

}  // namespace melkrin
