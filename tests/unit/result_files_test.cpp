// The result file against its published schema, and the table's rows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "common/errors.h"
#include "common/text.h"
#include "run/result_reader.h"
#include "run/result_files.h"
#include "run/run_facts.h"
#include "unit/schema_check.h"

namespace melkrin {
namespace {

using testing::checkAgainstSchema;

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
    r.slots[0].passes[0].startedAt = "2026-12-10T19:40:20";
    r.slots[0].passes[0].durationSeconds = 42.5;
    r.provenance.runId = "0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f0";
    r.provenance.utcOffset = "+01:00";
    r.provenance.programSha256 = std::string(64, 'a');
    r.provenance.gameFileVersion = "2.0.0.1";
    r.provenance.gameSha256 = std::string(64, 'b');
    r.provenance.demoSha256 = std::nullopt;
    r.provenance.configurationSha256 = std::string(64, 'c');
    return r;
}

// The record's text without the keys minor version 1 added: a 1.0 file.
std::string asVersion10(const std::string& text) {
    auto json = nlohmann::ordered_json::parse(text);
    for (const char* key : {"formatMinorVersion", "runId", "utcOffset", "programSha256", "game", "configurationSha256"})
        json.erase(key);
    json["options"].erase("demoSha256");
    for (auto& slot : json["resolutions"])
        for (auto& pass : slot["passes"]) {
            pass.erase("startedAt");
            pass.erase("durationSeconds");
        }
    return json.dump(2);
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

TEST(ResultFilesTest, TheNewKeysAreWrittenAndTheSchemaTellsTheVersionsApart) {
    const std::string text = resultJson(sampleRecord(), nullptr);
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ(json["formatVersion"], 1);
    EXPECT_EQ(json["formatMinorVersion"], 1);
    EXPECT_EQ(json["runId"], "0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f0");
    EXPECT_EQ(json["utcOffset"], "+01:00");
    EXPECT_EQ(json["game"]["fileVersion"], "2.0.0.1");
    EXPECT_TRUE(json["options"]["demoSha256"].is_null());
    EXPECT_EQ(json["resolutions"][0]["passes"][0]["startedAt"], "2026-12-10T19:40:20");
    EXPECT_EQ(json["resolutions"][0]["passes"][0]["durationSeconds"], 42.5);
    EXPECT_TRUE(json["resolutions"][0]["passes"][1]["durationSeconds"].is_null());

    std::string said;
    struct Case {
        const char* name;
        std::string text;
        bool valid;
    } cases[] = {
        {"a 1.0 file", asVersion10(text), true},
        {"a later minor version's keys", [&] {
             auto later = nlohmann::ordered_json::parse(text);
             later["formatMinorVersion"] = 7;
             later["somethingNew"] = {{"x", 1}};
             later["resolutions"][0]["passes"][0]["frameTimes"] = nlohmann::json::array();
             return later.dump();
         }(), true},
        {"1.1 without its run identity", [&] {
             auto broken = nlohmann::ordered_json::parse(text);
             broken.erase("runId");
             return broken.dump();
         }(), false},
        {"1.1 with a pass lacking its start", [&] {
             auto broken = nlohmann::ordered_json::parse(text);
             broken["resolutions"][1]["passes"][0].erase("startedAt");
             return broken.dump();
         }(), false},
        {"an upper-case hash", [&] {
             auto broken = nlohmann::ordered_json::parse(text);
             broken["programSha256"] = std::string(64, 'A');
             return broken.dump();
         }(), false},
        {"a major version 2", [&] {
             auto broken = nlohmann::ordered_json::parse(text);
             broken["formatVersion"] = 2;
             return broken.dump();
         }(), false},
    };
    for (const Case& c : cases) EXPECT_EQ(checkAgainstSchema(c.text, said) == 0, c.valid) << c.name << ": " << said;
}

TEST(ResultFilesTest, TheReaderTakesOlderAndLaterMinorVersionsAndRefusesAHigherMajor) {
    const std::string text = resultJson(sampleRecord(), nullptr);
    EXPECT_NO_THROW((void)parseResultFile(asVersion10(text)));
    auto later = nlohmann::ordered_json::parse(text);
    later["formatMinorVersion"] = 9;
    later["unknownKey"] = "ignored";
    later["options"]["unknownOption"] = {1, 2};
    later["machine"]["gpuTemperature"] = 71;
    later["resolutions"][0]["frameTimes"] = {16.6, 16.8};
    later["resolutions"][0]["passes"][0]["percentile1"] = 55.5;
    later["resolutions"][0]["statistics"]["median"] = 60.0;
    std::optional<HistoryRun> run;
    ASSERT_NO_THROW(run = parseResultFile(later.dump()));
    EXPECT_EQ(run->resolutions.size(), 3u);
    later["formatVersion"] = 2;
    EXPECT_THROW((void)parseResultFile(later.dump()), ResultFileRefused);
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

TEST(ResultFilesTest, RowsHoldEveryColumnInUtf8) {
    const std::string rows = resultsCsvRows(sampleRecord(), nullptr);
    const auto lines = splitLines(rows);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0],
              "2026-12-10T19:40:12+01:00,\"driver 1.2 \xC3\x97 \"\"fast\"\", clock +5%\",2,640x480,medium,,on,Direct3D,"
              "until stable,no,600,3,3,60.0000,1.0000,1.6667,57.5157,62.4843,59.0000,61.0000,no,"
              "59.0000,61.0000,60.0000,,,,,,,,1.2,Windows 7,Test CPU,4GB,Test Adapter,,2.0.0.1,"
              "0f1e2d3c-4b5a-4978-8695-a4b3c2d1e0f0");
    EXPECT_TRUE(endsWith(rows, "\r\n"));
    // One figure: no spread, the pass without a figure an empty cell; none: empty statistics, stopped.
    EXPECT_NE(lines[1].find(",800x600,medium,,on,Direct3D,until stable,no,600,2,1,61.2500,,,,,61.2500,61.2500,no,"
                            "61.2500,,,,,,,,,,1.2,"),
              std::string::npos)
        << lines[1];
    EXPECT_NE(lines[2].find(",1280x720,medium,,on,Direct3D,until stable,no,600,1,0,,,,,,,,yes,,,,,,,,,,,1.2,"),
              std::string::npos)
        << lines[2];
    // Every row has as many cells as the header (a note without commas, so that they can be counted).
    const auto cells = [](const std::string& line) { return std::count(line.begin(), line.end(), ',') + 1; };
    const std::string header = resultsCsvHeader();
    ResultRecord plain = sampleRecord();
    plain.note = "plain";
    for (const auto& line : splitLines(resultsCsvRows(plain, nullptr))) EXPECT_EQ(cells(line), cells(header)) << line;
    EXPECT_TRUE(startsWith(header, "started,note,demo,resolution,"));
    EXPECT_NE(header.find(",stopped,pass1,pass2,"), std::string::npos);
    EXPECT_NE(header.find(",pass10,version,system,processor,memory,videoCard,driverVersion,"), std::string::npos);
}

TEST(ResultFilesTest, TextsASpreadsheetWouldComputeAreNeutralised) {
    const struct {
        const char* text;
        const char* cell;
    } cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        {"-5 % new driver", "'-5 % new driver"},
        {"+5%", "'+5%"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tcmd", "'\tcmd"},
        {"\rcmd", "\"'\rcmd\""},
        {"a, b", "\"a, b\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"5 - 3 = 2", "5 - 3 = 2"},
        {"'quoted", "'quoted"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(csvTextField(c.text), c.cell) << c.text;

    // A note is a text cell wherever it starts; the numbers this program writes stay numbers.
    ResultRecord record = sampleRecord();
    record.note = "-5 % new driver";
    record.slots[0].statistics->ci95Low = -3.5;
    const std::string row = splitLines(resultsCsvRows(record, nullptr))[0];
    EXPECT_NE(row.find(",'-5 % new driver,2,"), std::string::npos) << row;
    EXPECT_NE(row.find(",-3.5000,"), std::string::npos) << row;
}

TEST(ResultFilesTest, ATableWithAnotherHeaderIsLeftAndAVersionedOneBegun) {
    const std::string ours = std::string(kUtf8Bom) + resultsCsvHeader() + "row\r\n";
    const std::string older = "started,note,demo,resolution,antialiasing\r\nrow\r\n";
    using T = CsvTarget;
    const struct {
        const char* name;
        std::optional<std::string> main, versioned;
        T target;
    } cases[] = {
        {"no table yet", std::nullopt, std::nullopt, T::Main},
        {"an empty table", std::string(), std::nullopt, T::Main},
        {"today's header", ours, std::nullopt, T::Main},
        {"today's header without the mark", resultsCsvHeader(), std::nullopt, T::Main},
        {"an older header", older, std::nullopt, T::Versioned},
        {"an older header, the versioned table there", older, ours, T::Versioned},
        {"both edited", older, older, T::Neither},
    };
    for (const auto& c : cases) EXPECT_EQ(chooseResultsCsv(c.main, c.versioned), c.target) << c.name;
    EXPECT_EQ(versionedResultsCsvPath("C:\\Out"), "C:\\Out\\results-1.1.csv");
}

TEST(ResultFilesTest, RunIdentityAndZoneTexts) {
    std::string bytes(16, '\xFF');
    EXPECT_EQ(uuidFromRandomBytes(bytes), "ffffffff-ffff-4fff-bfff-ffffffffffff");
    EXPECT_EQ(uuidFromRandomBytes(std::string(16, '\0')), "00000000-0000-4000-8000-000000000000");
    EXPECT_THROW((void)uuidFromRandomBytes("short"), MelkrinError);
    for (const auto& [minutes, text] : std::vector<std::pair<int, std::string>>{
             {60, "+01:00"}, {0, "+00:00"}, {-210, "-03:30"}, {345, "+05:45"}, {-720, "-12:00"}, {840, "+14:00"}})
        EXPECT_EQ(utcOffsetText(minutes), text) << minutes;
}

TEST(ResultFilesTest, PathsBesideTheReport) {
    EXPECT_EQ(resultJsonPath("C:\\Out", "10_12_2026"), "C:\\Out\\result_10_12_2026.json");
    EXPECT_EQ(resultJsonPath("C:\\Out\\", "x"), "C:\\Out\\result_x.json");
    EXPECT_EQ(resultsCsvPath("C:\\Out\\"), "C:\\Out\\results.csv");
}

}  // namespace
}  // namespace melkrin
