#pragma once
// The ten resolution choices of a run, in the order a run visits them: the
// nine fixed resolutions (settings/resolutions.h), then the custom size.
// "\xD7" is the multiplication sign of the 8-bit files.
#include <string>

namespace melkrin {

inline constexpr int kCustomSlot = 9;

struct ResolutionSlot {
    int index;
    std::string key;  // the run's record of the slot playing; "custom" for the custom one
    std::string width;
    std::string height;
    std::string startLine;    // debug log, before the game starts
    std::string statusText;   // progress panel
    std::string successLine;  // debug log, after the game ended
    std::string heading;      // report heading
};

// Slot 0 to 9; the custom size's width and height texts are used by slot 9 only.
ResolutionSlot resolutionSlot(int index, const std::string& customWidth, const std::string& customHeight);

// The one line of the batch file that starts the game for a demo and a size.
std::string gameCommandLine(const std::string& demoFileName, const std::string& width, const std::string& height);

}  // namespace melkrin
