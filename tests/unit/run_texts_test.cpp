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

TEST(ResolutionSlotTest, TextsDifferWhereTheOutputShowsIt) {
    ASSERT_EQ(kResolutionSlots.size(), 10u);
    const auto& s1 = kResolutionSlots[1];
    EXPECT_STREQ(s1.key, "800");
    EXPECT_STREQ(s1.startLine, "START SS2 in 800 \xD7 600");
    EXPECT_STREQ(s1.statusText, "Resolution: 800 \xD7 600...");
    EXPECT_STREQ(s1.successLine, "800\xD7" "600 successful. More to come...");
    EXPECT_STREQ(s1.heading, "Resolution: 800\xD7" "600");
    const auto& s6 = kResolutionSlots[6];
    EXPECT_STREQ(s6.key, "hdw1");
    EXPECT_STREQ(s6.startLine, "START SS2 in 1280 \xD7 768 HD Widescreen");
    EXPECT_STREQ(s6.statusText, "Resolution: 1280 \xD7 768...");
    EXPECT_STREQ(s6.successLine, "1280\xD7" "768 (HD WideScreen) successful. More to come...");
    EXPECT_STREQ(s6.heading, "Resolution: 1280\xD7" "768 (HD WideScreen)");
    const char* keys[] = {"640", "800", "1024", "1280", "1600", "2048", "hdw1", "hdw2", "hdw3", "custom"};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(kResolutionSlots[i].index, i);
        EXPECT_STREQ(kResolutionSlots[i].key, keys[i]);
    }
    EXPECT_STREQ(kResolutionSlots[8].width, "1920");
    EXPECT_STREQ(kResolutionSlots[8].height, "1200");

    EXPECT_EQ(customStartLine("1280", "720"), "START SS2 1280 \xD7 720 (Custom)...");
    EXPECT_EQ(customStatusText("1280", "720"), "Resolution: 1280 \xD7 720 (Custom)...");
    EXPECT_EQ(customSuccessLine("1280", "720"), "1280\xD7" "720 (Custom) successful");
    EXPECT_EQ(customHeading("1280", "720"), "Resolution: 1280 \xD7 720 (Custom)");
}

TEST(ResolutionSlotTest, GameCommandLine) {
    EXPECT_EQ(gameCommandLine("Demo_0001.dem", "800", "600"),
              "Sam2.exe +demo \"content/serioussam2/demos/Demo_0001.dem\" +bmk_bBenchmarkDemos 1 +sam_demo 1 "
              "+sam_bBootSequence 0 +fullscreen 1 +width 800 +height 600 +bmk_bAutoQuit 1");
}

}  // namespace
}  // namespace melkrin
