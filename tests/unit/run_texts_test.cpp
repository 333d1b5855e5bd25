#include <gtest/gtest.h>

#include "run/resolution_slot.h"
#include "run/result_log.h"

namespace melkrin {
namespace {

TEST(ReadDemoResultTest, TakesTheSixCharactersAfterTheFirstMarker) {
    struct Case {
        std::string log;
        std::string figure;
    } cases[] = {
        {"Demo done\r\nAverage:  45.67\r\n", "45.67"},
        {"Average: 123.45 fps\r\n", "123.45"},
        {"Average: 61.2 FPS\r\n", "61.2"},
        {"Average: 1234.5\r\n", "1234.5"},
        {"Average: 123.456\r\n", "123.45"},                     // a longer figure loses its end
        {"AVERAGE: 77.1 F\r\n", "77.1"},                        // any case
        {"average: 12,5 fps\n", "12,5"},                        // the game's decimal separator stays
        {"Average: 50.0\r\nAverage: 99.9\r\n", "50.0\r\n"},     // the first counts; CR LF fall into the window
        {"Average: 42", "42\r\n"},                             // the last line gets its CR LF back
        {"x\rAverage: 3.5\ry", "3.5\r\ny"},                     // CR alone ends a line
        {"Average:  FPS\r\n", "\r\n"},
        {"Average: FPS = ", ""},                                // only removed characters
        {"no figure in this log\r\n", ""},                      // no marker
        {"", ""},
        {std::string("Average: 1\0Average: 2", 21), "1\r\n"},  // a NUL ends the text
        {"Average:", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(readDemoResult(c.log), c.figure) << c.log;
}

TEST(ResolutionSlotTest, EachSlotHasItsKeySizeAndTexts) {
    // As earlier logs and reports show them: blanks around the sign in the
    // start and status texts, none in the success lines and fixed headings.
    struct Case {
        const char* key;
        const char* width;
        const char* height;
        const char* startLine;
        const char* statusText;
        const char* successLine;
        const char* heading;
    } cases[] = {
        {"640", "640", "480", "START SS2 in 640 \xD7 480", "Resolution: 640 \xD7 480...",
         "640\xD7" "480 successful. More to come...", "Resolution: 640\xD7" "480"},
        {"800", "800", "600", "START SS2 in 800 \xD7 600", "Resolution: 800 \xD7 600...",
         "800\xD7" "600 successful. More to come...", "Resolution: 800\xD7" "600"},
        {"1024", "1024", "768", "START SS2 in 1024 \xD7 768", "Resolution: 1024 \xD7 768...",
         "1024\xD7" "768 successful. More to come...", "Resolution: 1024\xD7" "768"},
        {"1280", "1280", "1024", "START SS2 in 1280 \xD7 1024", "Resolution: 1280 \xD7 1024...",
         "1280\xD7" "1024 successful. More to come...", "Resolution: 1280\xD7" "1024"},
        {"1600", "1600", "1200", "START SS2 in 1600 \xD7 1200", "Resolution: 1600 \xD7 1200...",
         "1600\xD7" "1200 successful. More to come...", "Resolution: 1600\xD7" "1200"},
        {"2048", "2048", "1536", "START SS2 in 2048 \xD7 1536", "Resolution: 2048 \xD7 1536...",
         "2048\xD7" "1536 successful. More to come...", "Resolution: 2048\xD7" "1536"},
        {"hdw1", "1280", "768", "START SS2 in 1280 \xD7 768 HD Widescreen", "Resolution: 1280 \xD7 768...",
         "1280\xD7" "768 (HD WideScreen) successful. More to come...", "Resolution: 1280\xD7" "768 (HD WideScreen)"},
        {"hdw2", "1920", "1080", "START SS2 in 1920 \xD7 1080 HD Widescreen", "Resolution: 1920 \xD7 1080...",
         "1920\xD7" "1080 (HD WideScreen) successful. More to come...",
         "Resolution: 1920\xD7" "1080 (HD WideScreen)"},
        {"hdw3", "1920", "1200", "START SS2 in 1920 \xD7 1200 HD Widescreen", "Resolution: 1920 \xD7 1200...",
         "1920\xD7" "1200 (HD WideScreen) successful. More to come...",
         "Resolution: 1920\xD7" "1200 (HD WideScreen)"},
        {"custom", "1280", "720", "START SS2 1280 \xD7 720 (Custom)...", "Resolution: 1280 \xD7 720 (Custom)...",
         "1280\xD7" "720 (Custom) successful", "Resolution: 1280 \xD7 720 (Custom)"},
    };
    for (int i = 0; i <= kCustomSlot; ++i) {
        const Case& c = cases[i];
        const ResolutionSlot slot = resolutionSlot(i, "1280", "720");
        EXPECT_EQ(slot.index, i);
        EXPECT_EQ(slot.key, c.key);
        EXPECT_EQ(slot.width, c.width) << c.key;
        EXPECT_EQ(slot.height, c.height) << c.key;
        EXPECT_EQ(slot.startLine, c.startLine);
        EXPECT_EQ(slot.statusText, c.statusText);
        EXPECT_EQ(slot.successLine, c.successLine);
        EXPECT_EQ(slot.heading, c.heading);
    }
}

TEST(ResolutionSlotTest, GameCommandLine) {
    EXPECT_EQ(gameCommandLine("Demo_0001.dem", "800", "600"),
              "Sam2.exe +demo \"content/serioussam2/demos/Demo_0001.dem\" +bmk_bBenchmarkDemos 1 +sam_demo 1 "
              "+sam_bBootSequence 0 +fullscreen 1 +width 800 +height 600 +bmk_bAutoQuit 1");
}

}  // namespace
}  // namespace melkrin
