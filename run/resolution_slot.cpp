#include "run/resolution_slot.h"

#include <stdexcept>

#include "settings/resolutions.h"

namespace melkrin {

static_assert(kFixedResolutions.size() == kCustomSlot, "the custom slot follows the fixed ones");

// The small differences between the texts are what earlier reports and logs
// show (blanks around the sign or none, "HD Widescreen" versus
// "(HD WideScreen)", "More to come" only after a fixed size); keep them.
ResolutionSlot resolutionSlot(int index, const std::string& customWidth, const std::string& customHeight) {
    if (index == kCustomSlot) {
        const std::string& w = customWidth;
        const std::string& h = customHeight;
        return {index,
                "custom",
                w,
                h,
                "START SS2 " + w + " \xD7 " + h + " (Custom)...",
                "Resolution: " + w + " \xD7 " + h + " (Custom)...",
                w + "\xD7" + h + " (Custom) successful",
                "Resolution: " + w + " \xD7 " + h + " (Custom)"};
    }
    if (index < 0 || index > kCustomSlot) throw std::out_of_range("no resolution slot " + std::to_string(index));

    const FixedResolution& fixed = kFixedResolutions[static_cast<std::size_t>(index)];
    const std::string spaced = resolutionCaption(fixed);
    const std::string joined = std::string(fixed.width) + "\xD7" + fixed.height;
    const std::string wide = fixed.wide ? " (HD WideScreen)" : "";
    return {index,
            fixed.key,
            fixed.width,
            fixed.height,
            "START SS2 in " + spaced + (fixed.wide ? " HD Widescreen" : ""),
            "Resolution: " + spaced + "...",
            joined + wide + " successful. More to come...",
            "Resolution: " + joined + wide};
}

std::string gameCommandLine(const std::string& demoFileName, const std::string& width, const std::string& height) {
    return "Sam2.exe +demo \"content/serioussam2/demos/" + demoFileName +
           "\" +bmk_bBenchmarkDemos 1 +sam_demo 1 +sam_bBootSequence 0 +fullscreen 1 +width " + width +
           " +height " + height + " +bmk_bAutoQuit 1";
}

}  // namespace melkrin
