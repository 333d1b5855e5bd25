// The result file against its published schema, and the table's rows.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "common/text.h"
#include "run/result_reader.h"
#include "run/result_files.h"

namespace melkrin {
namespace {

const std::string kSource = std::string(MELKRIN_FIXTURES_DIR) + "/../..";

ResultRecord sampleRecord() {
    ResultRecord r;
    r.version = "1.2";
    r.startedAt = "2026-12-10T19:40:12";
    r.endedAt = "2026-12-10T19:44:50";
    r.reportFile = "result_10_12_2026_19_40_12.htm";
    r.note = "driver 1.2 \xD7 \"fast\", clock +5%";
    r.machine.operatingSystem = "Windows 7";
    r.machine.systemMemory = "4GB";
    r.machine.cpuName = "Test CPU";
    r.machine.cpuSpeed = 2100;
    r.machine.classAdapter.present = true;
    r.machine.classAdapter.driverDesc = "Test Adapter";
    r.resolutions = {"640x480", "800x600", "1280x720"};
    r.demoNumber = 2;
    r.quality.aaLevel = 2;
    r.quality.afLevel = std::nullopt;
    r.plan.untilStable = true;
    r.plan.count = 10;
    r.timeLimit = 600;
    SlotOutcome three{0, "640x480", "60.00", "", false, {{"59.00", 59.0, ""}, {"61.00", 61.0, ""}, {"60.00", 60.0, ""}},
                      passStatistics({59.0, 61.0, 60.0})};
    SlotOutcome one{1, "800x600", "61.25", "", false, {{"61.25", 61.25, ""}, {"", std::nullopt, "the game left no log"}},
                    passStatistics({61.25})};
    SlotOutcome none{9, "1280x720", "", "stopped after 5 s, the game's time limit", true,
                     {{"", std::nullopt, "stopped after 5 s, the game's time limit"}}, std::nullopt};
    r.slots = {three, one, none};
    return r;
}

// Runs the schema check over the text; its exit code and what it said.
int checkAgainstSchema(const std::string& text, std::string& said) {
    const std::string file = ::testing::TempDir() + "result_sample.json";
    const std::string out = ::testing::TempDir() + "result_check.txt";
    std::ofstream(file, std::ios::binary) << text;
    const std::string command = "/usr/bin/python3 '" + kSource + "/tests/tools/check_result_json.py' '" + kSource +
                                "/docs/result.schema.json' '" + file + "' >'" + out + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return status;
}

TEST(ResultFilesTest, TheJsonMatchesItsSchema) {
    const std::string text = resultJson(sampleRecord(), nullptr);
    std::string said;
    EXPECT_EQ(checkAgainstSchema(text, said), 0) << said << text;
    // The 8-bit note arrives as UTF-8 and quoted.
    EXPECT_NE(text.find("\"note\": \"driver 1.2 \xC3\x97 \\\"fast\\\", clock +5%\""), std::string::npos) << text;
    EXPECT_NE(text.find("\"passes\": \"until stable\""), std::string::npos);
    EXPECT_NE(text.find("\"filtering\": null"), std::string::npos);

    // The check can fail: a figure as a string, a miscounted statistics block, a foreign file.
    std::string broken = text;
    broken.replace(broken.find("\"fps\": 59.0"), 11, "\"fps\": \"59.0\"");
    EXPECT_NE(checkAgainstSchema(broken, said), 0);
    broken = text;
    broken.replace(broken.find("\"count\": 3"), 10, "\"count\": 2");
    EXPECT_NE(checkAgainstSchema(broken, said), 0);
    EXPECT_NE(said.find("count 2, figures 3"), std::string::npos) << said;
    EXPECT_NE(checkAgainstSchema("{\"format\": \"other\"}", said), 0);
}

// The history page reads back what the run writes: every figure, interval
// and option survives the round trip.
TEST(ResultFilesTest, TheHistoryPageReadsWhatTheRunWrites) {
    std::optional<HistoryRun> run;
    ASSERT_NO_THROW(run = parseResultFile(resultJson(sampleRecord(), nullptr)));
    EXPECT_EQ(run->startedAt, "2026-12-10T19:40:12");
    EXPECT_EQ(run->report, "result_10_12_2026_19_40_12.htm");
    EXPECT_EQ(run->note, "driver 1.2 \xC3\x97 \"fast\", clock +5%");
    EXPECT_EQ(run->processor, "Test CPU");
    EXPECT_EQ(run->passes, "until stable");
    EXPECT_EQ(run->timeLimit, 600);
    ASSERT_EQ(run->resolutions.size(), 3u);

    const HistoryResolution& three = run->resolutions[0];
    EXPECT_EQ(three.resolution, "640x480");
    ASSERT_EQ(three.passes.size(), 3u);
    EXPECT_EQ(three.passes[1].fps, 61.0);
    ASSERT_TRUE(three.statistics);
    EXPECT_EQ(three.statistics->count, 3);
    EXPECT_DOUBLE_EQ(three.statistics->mean, 60.0);
    ASSERT_TRUE(three.statistics->ci95Low && three.statistics->ci95High);
    // 60 -/+ t(0.975, 2) * 1 / sqrt(3)
    EXPECT_NEAR(*three.statistics->ci95Low, 57.5159, 1e-3);
    EXPECT_NEAR(*three.statistics->ci95High, 62.4841, 1e-3);

    const HistoryResolution& one = run->resolutions[1];
    ASSERT_EQ(one.passes.size(), 2u);
    EXPECT_FALSE(one.passes[1].fps);
    EXPECT_EQ(one.passes[1].reason, "the game left no log");
    ASSERT_TRUE(one.statistics);
    EXPECT_EQ(one.statistics->count, 1);
    EXPECT_FALSE(one.statistics->ci95Low);

    const HistoryResolution& none = run->resolutions[2];
    EXPECT_TRUE(none.stopped);
    EXPECT_FALSE(none.statistics);
}

TEST(ResultFilesTest, RowsQuoteWhatNeedsIt) {
    const std::string rows = resultsCsvRows(sampleRecord());
    const auto lines = splitLines(rows);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "2026-12-10T19:40:12,\"driver 1.2 \xD7 \"\"fast\"\", clock +5%\",2,640x480,medium,,on,Direct3D,3,3,"
              "60.0000,1.0000,1.6667,57.5157,62.4843,59.0000,61.0000,no,1.2,Test CPU,Test Adapter");
    EXPECT_TRUE(endsWith(rows, "\r\n"));
    // One figure: no spread; none: empty statistics, stopped.
    EXPECT_NE(lines[1].find(",800x600,medium,,on,Direct3D,2,1,61.2500,,,,,61.2500,61.2500,no,"), std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(",1280x720,medium,,on,Direct3D,1,0,,,,,,,,yes,"), std::string::npos) << lines[2];
    EXPECT_EQ(resultsCsvHeader(),
              "started,note,demo,resolution,antialiasing,filtering,hdr,renderer,passes,counted,mean,stdDev,"
              "stdDevPercent,ci95Low,ci95High,min,max,stopped,version,processor,videoCard\r\n");
}

TEST(ResultFilesTest, PathsBesideTheReport) {
    EXPECT_EQ(resultJsonPath("C:\\Out", "10_12_2026"), "C:\\Out\\result_10_12_2026.json");
    EXPECT_EQ(resultJsonPath("C:\\Out\\", "x"), "C:\\Out\\result_x.json");
    EXPECT_EQ(resultsCsvPath("C:\\Out\\"), "C:\\Out\\results.csv");
}

}  // namespace
}  // namespace melkrin
