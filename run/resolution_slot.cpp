#include "run/resolution_slot.h"

namespace melkrin {

// The small differences between the columns are what earlier reports and logs
// show (blanks around the sign, "Widescreen" versus "(HD WideScreen)"); keep them.
const std::array<ResolutionSlot, 10> kResolutionSlots = {{
    {0, "640", "640", "480", "START SS2 in 640 \xD7 480", "Resolution: 640 \xD7 480...",
     "640\xD7" "480 successful. More to come...", "Resolution: 640\xD7" "480"},
    {1, "800", "800", "600", "START SS2 in 800 \xD7 600", "Resolution: 800 \xD7 600...",
     "800\xD7" "600 successful. More to come...", "Resolution: 800\xD7" "600"},
    {2, "1024", "1024", "768", "START SS2 in 1024 \xD7 768", "Resolution: 1024 \xD7 768...",
     "1024\xD7" "768 successful. More to come...", "Resolution: 1024\xD7" "768"},
    {3, "1280", "1280", "1024", "START SS2 in 1280 \xD7 1024", "Resolution: 1280 \xD7 1024...",
     "1280\xD7" "1024 successful. More to come...", "Resolution: 1280\xD7" "1024"},
    {4, "1600", "1600", "1200", "START SS2 in 1600 \xD7 1200", "Resolution: 1600 \xD7 1200...",
     "1600\xD7" "1200 successful. More to come...", "Resolution: 1600\xD7" "1200"},
    {5, "2048", "2048", "1536", "START SS2 in 2048 \xD7 1536", "Resolution: 2048 \xD7 1536...",
     "2048\xD7" "1536 successful. More to come...", "Resolution: 2048\xD7" "1536"},
    {6, "hdw1", "1280", "768", "START SS2 in 1280 \xD7 768 HD Widescreen", "Resolution: 1280 \xD7 768...",
     "1280\xD7" "768 (HD WideScreen) successful. More to come...", "Resolution: 1280\xD7" "768 (HD WideScreen)"},
    {7, "hdw2", "1920", "1080", "START SS2 in 1920 \xD7 1080 HD Widescreen", "Resolution: 1920 \xD7 1080...",
     "1920\xD7" "1080 (HD WideScreen) successful. More to come...", "Resolution: 1920\xD7" "1080 (HD WideScreen)"},
    {8, "hdw3", "1920", "1200", "START SS2 in 1920 \xD7 1200 HD Widescreen", "Resolution: 1920 \xD7 1200...",
     "1920\xD7" "1200 (HD WideScreen) successful. More to come...", "Resolution: 1920\xD7" "1200 (HD WideScreen)"},
    {9, "custom", "", "", "", "", "", ""},
}};

std::string customStartLine(const std::string& width, const std::string& height) {
    return "START SS2 " + width + " \xD7 " + height + " (Custom)...";
}

std::string customStatusText(const std::string& width, const std::string& height) {
    return "Resolution: " + width + " \xD7 " + height + " (Custom)...";
}

std::string customSuccessLine(const std::string& width, const std::string& height) {
    return width + "\xD7" + height + " (Custom) successful";
}

std::string customHeading(const std::string& width, const std::string& height) {
    return "Resolution: " + width + " \xD7 " + height + " (Custom)";
}

std::string gameCommandLine(const std::string& demoFileName, const std::string& width, const std::string& height) {
    return "Sam2.exe +demo \"content/serioussam2/demos/" + demoFileName +
           "\" +bmk_bBenchmarkDemos 1 +sam_demo 1 +sam_bBootSequence 0 +fullscreen 1 +width " + width +
           " +height " + height + " +bmk_bAutoQuit 1";
}

}  // namespace melkrin
