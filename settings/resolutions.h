#pragma once
// The nine fixed resolutions, in their one order: the order of their stored
// flags, of the items on the resolution page and of the slots a run visits.
// Every place that names one of them (store key, item caption, display mode
// text, the run's log, status and report texts) derives it from this table.
#include <array>
#include <string>

namespace melkrin {

struct FixedResolution {
    const char* key;  // the settings value that holds its flag
    const char* width;
    const char* height;
    bool wide;  // an HD widescreen size: the run's texts say so
};

inline constexpr std::array<FixedResolution, 9> kFixedResolutions = {{
    {"640", "640", "480", false},
    {"800", "800", "600", false},
    {"1024", "1024", "768", false},
    {"1280", "1280", "1024", false},
    {"1600", "1600", "1200", false},
    {"2048", "2048", "1536", false},
    {"hdw1", "1280", "768", true},
    {"hdw2", "1920", "1080", true},
    {"hdw3", "1920", "1200", true},
}};

// The item's caption: width, " \xD7 " (the multiplication sign), height.
inline std::string resolutionCaption(const FixedResolution& resolution) {
    return std::string(resolution.width) + " \xD7 " + resolution.height;
}

}  // namespace melkrin
