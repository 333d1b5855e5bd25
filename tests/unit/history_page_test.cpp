#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "common/text.h"
#include "memory_file_system.h"
#include "run/history_page.h"
#include "run/html_writer.h"

namespace melkrin {
namespace {

const char* const kFolder = "C:\\Results";

std::string fixture(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The results folder of tests/fixtures/history in memory: six runs (four of
// format 1.0, two of 1.1), four files that must be left out, and a JSON file
// of another name.
testing::MemoryFileSystem fixtureFolder() {
    testing::MemoryFileSystem files;
    files.addFolder(kFolder);
    for (const auto& entry : std::filesystem::directory_iterator(std::string(MELKRIN_FIXTURES_DIR) + "/history"))
        files.addFile(std::string(kFolder) + "\\" + entry.path().filename().string(), fixture(entry.path()));
    return files;
}

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// The part of the page between two markers.
std::string between(const std::string& page, const std::string& from, const std::string& to) {
    const auto start = page.find(from);
    if (start == std::string::npos) return {};
    const auto end = page.find(to, start + from.size());
    return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The run a file gives, or why it was refused.
struct Reading {
    std::optional<HistoryRun> run;
    std::string whyNot;
};

Reading readText(std::string_view text) {
    try {
        return {parseResultFile(text), {}};
    } catch (const ResultFileRefused& refused) {
        return {std::nullopt, refused.what()};
    }
}

std::string minimalRun(const std::string& resolutions) {
    return R"({"format":"melkrin-result","formatVersion":1,"startedAt":"2026-12-10T19:40:12","resolutions":)" +
           resolutions + "}";
}

TEST(HistoryPageTest, ReadsOrRefusesResultFiles) {
    const std::string stats = R"({"count":2,"mean":60.1,"stdDev":1.2,"stdDevPercent":2.0,"ci95Low":49.3,"ci95High":70.9,"min":59.0,"max":61.3})";
    struct Case {
        const char* name;
        std::string text;
        const char* refusal;  // nullptr: read
    };
    const Case cases[] = {
        {"one pass", minimalRun(R"([{"resolution":"640x480","passes":[{"fps":61.25}],"statistics":{"count":1,"mean":61.25,"min":61.25,"max":61.25,"stdDev":null,"stdDevPercent":null,"ci95Low":null,"ci95High":null}}])"), nullptr},
        {"two passes", minimalRun(R"([{"resolution":"640x480","passes":[{"fps":59.0},{"fps":61.3}],"statistics":)" + stats + "}]"), nullptr},
        {"no figure at all", minimalRun(R"([{"resolution":"640x480","passes":[{"fps":null,"reason":"no log"}],"stopped":true,"statistics":null}])"), nullptr},
        {"no resolutions", minimalRun("[]"), nullptr},
        {"not JSON", "{\"format\": \"melkrin-result\",", "not valid JSON"},
        {"empty file", "", "not valid JSON"},
        {"a list", "[1,2]", "not a Melkrin result file"},
        {"another program", R"({"format":"other","formatVersion":1})", "not a Melkrin result file"},
        {"no format", R"({"formatVersion":1,"startedAt":"x","resolutions":[]})", "not a Melkrin result file"},
        {"newer format", R"({"format":"melkrin-result","formatVersion":2})", "newer format (version 2)"},
        {"format version a text", R"({"format":"melkrin-result","formatVersion":"1"})", "no valid format version"},
        {"format version zero", R"({"format":"melkrin-result","formatVersion":0})", "no valid format version"},
        {"no start", R"({"format":"melkrin-result","formatVersion":1,"resolutions":[]})", "malformed: startedAt"},
        {"resolutions a text", minimalRun("\"640x480\""), "malformed: resolutions is missing or not a list"},
        {"resolution without name", minimalRun(R"([{"passes":[]}])"), "malformed: resolutions[0].resolution"},
        {"figure a text", minimalRun(R"([{"resolution":"640x480","passes":[{"fps":"61"}]}])"), "resolutions[0].passes[0].fps is not a number"},
        {"count zero", minimalRun(R"([{"resolution":"640x480","statistics":{"count":0,"mean":1,"min":1,"max":1}}])"), "count is out of range"},
        {"mean missing", minimalRun(R"([{"resolution":"640x480","statistics":{"count":1,"min":1,"max":1}}])"), "mean is missing"},
        {"negative mean", minimalRun(R"([{"resolution":"640x480","statistics":{"count":1,"mean":-5,"min":-5,"max":-5}}])"), "below zero"},
        {"figure out of range", minimalRun(R"([{"resolution":"640x480","statistics":{"count":1,"mean":1e300,"min":1,"max":1}}])"), "out of range"},
        {"half an interval", minimalRun(R"([{"resolution":"640x480","statistics":{"count":2,"mean":5,"min":4,"max":6,"ci95Low":3}}])"), "interval is incomplete"},
        {"time limit out of range", R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","options":{"timeLimit":1e300},"resolutions":[]})", "timeLimit is out of range"},
        {"note a number", R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","note":5,"resolutions":[]})", "malformed: note is not a text"},
        {"format 1.1 game a text", R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","game":"1.0","resolutions":[]})", "malformed: game is not an object"},
        {"format 1.1 demo hash a number", R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","options":{"demoSha256":5},"resolutions":[]})", "options.demoSha256 is not a text"},
        {"negative pass duration", minimalRun(R"([{"resolution":"640x480","passes":[{"fps":60,"durationSeconds":-1}]}])"), "durationSeconds is below zero"},
        {"a key of a later minor version", R"({"format":"melkrin-result","formatVersion":1,"formatMinorVersion":7,"startedAt":"x","frameTimes":{"p99":3},"resolutions":[]})", nullptr},
        {"deeply nested", "{\"format\":\"melkrin-result\",\"formatVersion\":1,\"x\":" + std::string(100000, '[') + std::string(100000, ']') + "}", "nested too deeply"},
    };
    for (const auto& c : cases) {
        const auto [run, whyNot] = readText(c.text);
        if (!c.refusal) {
            EXPECT_TRUE(run.has_value()) << c.name << ": " << whyNot;
        } else {
            EXPECT_FALSE(run.has_value()) << c.name;
            EXPECT_TRUE(contains(whyNot, c.refusal)) << c.name << ": " << whyNot;
        }
    }
}

TEST(HistoryPageTest, ReadsEveryPassAndTheStatistics) {
    const auto [run, whyNot] = readText(fixture(std::string(MELKRIN_FIXTURES_DIR) + "/history/result_2026_12_08_18_00_00.json"));
    ASSERT_TRUE(run) << whyNot;
    EXPECT_EQ(run->startedAt, "2026-12-08T18:00:00");
    EXPECT_EQ(run->note, "Grafikkarte \xC3\xBC" "bertaktet \xC3\x97 2");
    EXPECT_EQ(run->demo, "my demo.dem");
    EXPECT_EQ(run->passes, "until stable");
    EXPECT_EQ(run->videoCard, "Radeon HD 4850");
    ASSERT_EQ(run->facts.size(), 2u);
    ASSERT_EQ(run->resolutions.size(), 3u);

    const auto& twoOfThree = run->resolutions[1];
    ASSERT_EQ(twoOfThree.passes.size(), 3u);
    EXPECT_FALSE(twoOfThree.passes[1].fps);
    EXPECT_EQ(twoOfThree.passes[1].reason, "no Average line in the game's log");
    ASSERT_TRUE(twoOfThree.statistics);
    EXPECT_EQ(twoOfThree.statistics->count, 2);
    EXPECT_DOUBLE_EQ(twoOfThree.statistics->mean, 91.0);
    EXPECT_DOUBLE_EQ(*twoOfThree.statistics->ci95Low, 78.293795);
    EXPECT_DOUBLE_EQ(*twoOfThree.statistics->ci95High, 103.706205);

    const auto& none = run->resolutions[2];
    EXPECT_TRUE(none.stopped);
    EXPECT_FALSE(none.statistics);
    EXPECT_EQ(none.passes[0].reason, "the game was stopped by the time limit");
}

TEST(HistoryPageTest, ReadsTheKeysOfFormat11AndLeavesThemEmptyFor10) {
    const std::string folder = std::string(MELKRIN_FIXTURES_DIR) + "/history/";
    const auto [run, whyNot] = readText(fixture(folder + "result_2026_12_10_19_40_12.json"));
    ASSERT_TRUE(run) << whyNot;
    EXPECT_EQ(run->runId, "6f1b2c3d-4e5f-4a6b-8c7d-9e0f1a2b3c4d");
    EXPECT_EQ(run->utcOffset, "+01:00");
    EXPECT_EQ(run->programSha256, "3f1c0a55e2d54b7c9a8e6f10b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5");
    EXPECT_EQ(run->gameFileVersion, "1.0.5.0");
    EXPECT_EQ(run->gameSha256, "9d2e7a41c0b3f5e6d7c8b9a0e1f2d3c4b5a69788796a5b4c3d2e1f0a9b8c7d6e");
    EXPECT_EQ(run->configurationSha256, "b71c0de5e2d54b7c9a8e6f10b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5");
    EXPECT_EQ(run->demoSha256, "5e0f3b1a2c4d6e8f0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f6071");
    ASSERT_EQ(run->resolutions.size(), 2u);
    const auto& second = run->resolutions[0].passes[1];
    EXPECT_EQ(second.startedAt, "2026-12-10T19:40:35");
    ASSERT_TRUE(second.durationSeconds);
    EXPECT_DOUBLE_EQ(*second.durationSeconds, 20.1);

    // Hashes are compared with other files': upper-case hex reads as lower.
    const auto upper = readText(R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","game":{"fileVersion":null,"sha256":"9D2E"},"resolutions":[]})");
    ASSERT_TRUE(upper.run) << upper.whyNot;
    EXPECT_EQ(upper.run->gameSha256, "9d2e");
    EXPECT_EQ(upper.run->gameFileVersion, "");

    const auto [old, oldWhyNot] = readText(fixture(folder + "result_2026_12_09_09_30_00.json"));
    ASSERT_TRUE(old) << oldWhyNot;
    for (const std::string* key : {&old->runId, &old->utcOffset, &old->programSha256, &old->gameFileVersion,
                                   &old->gameSha256, &old->configurationSha256, &old->demoSha256})
        EXPECT_EQ(*key, "");
    EXPECT_EQ(old->resolutions[0].passes[0].startedAt, "");
    EXPECT_FALSE(old->resolutions[0].passes[0].durationSeconds);
}

class HistoryFolderTest : public ::testing::Test {
protected:
    testing::MemoryFileSystem files = fixtureFolder();
    std::string page() const { return files.content(std::string(kFolder) + "\\history.htm"); }
};

TEST_F(HistoryFolderTest, RebuildsThePageFromTheResultFiles) {
    HistoryCounts counts;
    ASSERT_NO_THROW(counts = rebuildHistory(files, kFolder));
    EXPECT_EQ(counts.runs, 6);
    EXPECT_EQ(counts.skipped, 4);
    const std::string html = page();
    EXPECT_TRUE(startsWith(html, "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">"));

    // Newest first in the table, every run once.
    const std::string table = between(html, "<table id=\"runs\">", "</table>");
    const std::vector<std::string> order = {"result_2026_12_11_08_05_00.json", "result_2026_12_10_19_40_12.json",
                                            "result_2026_12_09_09_30_00.json", "result_2026_12_08_18_00_00.json",
                                            "result_2026_12_05_20_15_00.json", "result_2026_12_01_10_00_00.json"};
    std::size_t at = 0;
    for (const auto& name : order) {
        const auto found = table.find("<tr data-run=\"" + name + "\">", at);
        ASSERT_NE(found, std::string::npos) << name;
        at = found;
    }
    EXPECT_EQ(count(table, "<tr data-run="), 6u);
    EXPECT_TRUE(contains(table, "<td class=\"date\">2026-12-09 09:30:00</td><td>new driver</td><td>built-in demo 1</td>"));
    EXPECT_TRUE(contains(table, "antialiasing off, filtering 16x, HDR off, Direct3D, 3 passes, warm-up, time limit 600 s"));
    EXPECT_TRUE(contains(table, "passes until stable"));
    EXPECT_TRUE(contains(table, "Radeon HD 4850, driver 8.600.0.0"));
    EXPECT_TRUE(contains(table, "640x480: 95.5 FPS<br>800x600: 77.3 FPS"));  // one pass: no spread, no count
    EXPECT_TRUE(contains(table, "800x600: 91.0 FPS \xC2\xB1 1.6 % (2 passes)<br>1024x768: stopped, no figure"));
    EXPECT_TRUE(contains(table, "<a href=\"result_2026_12_01_10_00_00.htm\">report</a>"));

    // The files left out, each with its reason; a JSON file of another name is not looked at.
    const std::string skipped = between(html, "<ul id=\"skipped\">", "</ul>");
    EXPECT_TRUE(contains(skipped, "<b>result_badshape.json</b>: malformed: resolutions is missing or not a list"));
    EXPECT_TRUE(contains(skipped, "<b>result_broken.json</b>: not valid JSON"));
    EXPECT_TRUE(contains(skipped, "<b>result_foreign.json</b>: not a Melkrin result file"));
    EXPECT_TRUE(contains(skipped, "<b>result_future.json</b>: written in a newer format (version 2)"));
    EXPECT_FALSE(contains(html, "notes.json"));
}

TEST_F(HistoryFolderTest, ChartsALinePerSetOfComparableRunsOverTheDate) {
    ASSERT_NO_THROW(rebuildHistory(files, kFolder));
    const std::string html = page();
    EXPECT_EQ(count(html, "<svg class=\"chart\""), 2u);  // 1024x768 never gave a figure
    const std::string small = between(html, "<svg class=\"chart\" data-resolution=\"640x480\"", "</svg>");
    EXPECT_EQ(count(small, "<circle"), 6u);
    // Three lines (bar and two caps) for each of the five runs with an interval.
    EXPECT_EQ(count(small, "<line class=\"ci\""), 15u);
    // Only the 1.0 file of 9 December and the 1.1 file after it share demo,
    // settings, machine and game build (the older file does not record the
    // build); every other run is a line of one point.
    EXPECT_EQ(count(small, "<g class=\"line "), 5u);
    EXPECT_EQ(count(small, "<polyline class=\"trend\""), 1u);
    EXPECT_EQ(count(small, "<polyline class=\"trend\" points=\"556.8,"), 1u);

    // Each point at its start time: 1 December 10:00 at the left edge (x 56),
    // 11 December 08:05 +01:00 at the right (x 676); the 1.1 file's +01:00
    // puts it an hour before its local time.
    const std::map<std::string, std::string> x = {
        {"result_2026_12_01_10_00_00.json", "56.0"},  {"result_2026_12_05_20_15_00.json", "333.9"},
        {"result_2026_12_08_18_00_00.json", "516.3"}, {"result_2026_12_09_09_30_00.json", "556.8"},
        {"result_2026_12_10_19_40_12.json", "643.5"}, {"result_2026_12_11_08_05_00.json", "676.0"}};
    const std::regex point("<g class=\"point\" data-run=\"([^\"]+)\"><title>[^<]*</title>(?:<line [^>]*>)*<circle cx=\"([0-9.]+)\"");
    std::map<std::string, std::string> found;
    for (std::sregex_iterator it(small.begin(), small.end(), point), end; it != end; ++it) found[(*it)[1]] = (*it)[2];
    EXPECT_EQ(found, x);
    EXPECT_EQ(count(small, "<text class=\"date\""), 6u);
    EXPECT_TRUE(contains(small, ">2026-12-01</text>"));
    EXPECT_TRUE(contains(small, ">2026-12-11</text>"));

    // The driver changed between the two runs of the shared line, and only there
    // (the first run's driver differs too, but it is on a line of its own).
    EXPECT_EQ(count(small, "<g class=\"driver-change\""), 1u);
    EXPECT_TRUE(contains(small, "<g class=\"driver-change\" data-run=\"result_2026_12_10_19_40_12.json\"><title>"
                                "Video driver changed: 8.600.0.0 \xE2\x86\x92 8.610.0.0</title>"));
    EXPECT_TRUE(contains(small, "95.5 FPS (1 pass)"));
    EXPECT_TRUE(contains(small, "121.0 FPS, 95 % interval 118.5 to 123.5 (3 passes)\nvideo driver 8.600.0.0"));
    EXPECT_TRUE(contains(small, "2026-12-10 19:40:12 +01:00"));

    // The legend names what tells the lines apart, not what they share.
    const std::string legend = between(html, "<ul class=\"legend\" data-resolution=\"640x480\">", "</ul>");
    EXPECT_EQ(count(legend, "<li"), 5u);
    EXPECT_TRUE(contains(legend, "demo built-in demo 1, HDR on, passes 3, warm-up off, game build 1.0.5.0</li>"));
    EXPECT_TRUE(contains(legend, "demo built-in demo 1, HDR off, passes 1, warm-up off, game build not recorded</li>"));
    EXPECT_FALSE(contains(legend, "Radeon"));
}

TEST(HistoryPageTest, RunsWithoutAReadableStartAreListedButNotCharted) {
    std::vector<HistoryRun> runs;
    for (const char* startedAt : {"2026-12-01T10:00:00", "yesterday", "2026-12-02T10:00:00"}) {
        auto [run, whyNot] = readText(std::string(R"({"format":"melkrin-result","formatVersion":1,"startedAt":")") + startedAt +
                                      R"(","resolutions":[{"resolution":"640x480","statistics":{"count":1,"mean":50,"min":50,"max":50}}]})");
        ASSERT_TRUE(run) << whyNot;
        run->file = std::string("result_") + startedAt + ".json";
        runs.push_back(*run);
    }
    const std::string html = historyPage(runs, {});
    EXPECT_EQ(count(html, "<tr data-run="), 3u);
    // Sorted as the oldest: last in the table.
    EXPECT_GT(html.find("<tr data-run=\"result_yesterday.json\">"), html.find("<tr data-run=\"result_2026-12-01T10:00:00.json\">"));
    const std::string chart = between(html, "<svg class=\"chart\"", "</svg>");
    EXPECT_EQ(count(chart, "<circle"), 2u);
    EXPECT_FALSE(contains(chart, "result_yesterday.json"));
    EXPECT_TRUE(contains(html, "1 run has no start time that can be read and is not charted."));
}

TEST_F(HistoryFolderTest, EscapesEveryTextOfTheFiles) {
    ASSERT_NO_THROW(rebuildHistory(files, kFolder));
    const std::string html = page();
    EXPECT_FALSE(contains(html, "<b>overclock"));
    EXPECT_FALSE(contains(html, "alert(1)</script>"));
    EXPECT_TRUE(contains(html, "&lt;b&gt;overclock&lt;/b&gt; &amp; &quot;3 GHz&quot; &lt;/script&gt;"));
    EXPECT_TRUE(contains(html, "Grafikkarte \xC3\xBC" "bertaktet \xC3\x97 2"));
    EXPECT_EQ(count(html, "</script>"), 3u);  // the data, the statistics and the comparison script
}

TEST_F(HistoryFolderTest, EmbedsWhatTheComparisonNeeds) {
    ASSERT_NO_THROW(rebuildHistory(files, kFolder));
    const std::string html = page();
    const std::string open = "<script type=\"application/json\" id=\"history-data\">";
    const std::string raw = between(html, open, "</script>").substr(open.size());
    const auto data = nlohmann::json::parse(raw);
    ASSERT_EQ(data["runs"].size(), 6u);
    const auto& newDriver = data["runs"][2];
    EXPECT_EQ(newDriver["id"], "result_2026_12_09_09_30_00.json");
    EXPECT_EQ(newDriver["label"], "2026-12-09 09:30:00 \xE2\x80\x94 new driver");
    EXPECT_DOUBLE_EQ(newDriver["results"][0]["mean"].get<double>(), 121.0);
    EXPECT_NEAR(newDriver["results"][0]["low"].get<double>(), 118.5159, 1e-4);
    EXPECT_EQ(newDriver["results"][0]["n"], 3);
    // Every pass's figure, for the test of the two runs' passes.
    EXPECT_EQ(newDriver["results"][0]["figures"], nlohmann::json::parse("[120.0, 121.0, 122.0]"));
    const auto& stable = data["runs"][3];
    EXPECT_FALSE(stable["results"][2].contains("mean"));  // no figure at 1024x768
    EXPECT_EQ(stable["results"][1]["figures"], nlohmann::json::parse("[90.0, 92.0]"));  // a pass without a figure
    EXPECT_EQ(stable["results"][2]["figures"], nlohmann::json::array());
    const auto& onePass = data["runs"][5];
    EXPECT_EQ(onePass["results"][0]["n"], 1);
    EXPECT_FALSE(onePass["results"][0].contains("low"));  // no interval to compare with
    // A note that would end the script element arrives whole, yet never as "</" in the page.
    EXPECT_TRUE(contains(data["runs"][4]["label"].get<std::string>(), "</script><script>alert(1)"));
    EXPECT_FALSE(contains(raw, "</"));

    // Each run's key for the script to name differences, its set and driver.
    const auto& v11 = data["runs"][1];
    EXPECT_EQ(v11["driver"], "8.610.0.0");
    EXPECT_EQ(v11["set"], newDriver["set"]);
    EXPECT_NE(data["runs"][0]["set"], v11["set"]);  // HDR on
    ASSERT_EQ(v11["key"].size(), 11u);
    EXPECT_EQ(v11["key"][0], nlohmann::json::parse(R"({"label":"demo","shown":"built-in demo 1","exact":"5e0f3b1a2c4d6e8f0a1b2c3d4e5f60718293a4b5c6d7e8f90a1b2c3d4e5f6071"})"));
    EXPECT_EQ(v11["key"][3], nlohmann::json::parse(R"({"label":"HDR","shown":"off"})"));
    EXPECT_EQ(v11["key"][10]["label"], "game build");
    EXPECT_EQ(v11["key"][10]["mayBeUnknown"], true);
    EXPECT_EQ(newDriver["key"][10], nlohmann::json::parse(R"({"label":"game build","shown":"","mayBeUnknown":true})"));

    // The newest run (HDR on) has no like; the newest two that are alike are
    // compared when the page opens.
    EXPECT_EQ(data["defaultPair"], nlohmann::json::parse(R"({"a":"result_2026_12_09_09_30_00.json","b":"result_2026_12_10_19_40_12.json"})"));
}

TEST(HistoryPageTest, WithoutTwoAlikeTheNewestTwoAreComparedAndWithOneNone) {
    const auto runAt = [](const char* startedAt, bool hdr) {
        HistoryRun run;
        run.startedAt = startedAt;
        run.hdr = hdr;
        run.file = std::string("result_") + startedAt + ".json";
        return run;
    };
    const auto pairOf = [](const std::vector<HistoryRun>& runs) {
        const std::string html = historyPage(runs, {});
        const std::string open = "<script type=\"application/json\" id=\"history-data\">";
        return nlohmann::json::parse(between(html, open, "</script>").substr(open.size())).value("defaultPair", nlohmann::json());
    };
    EXPECT_EQ(pairOf({runAt("2026-12-01T10:00:00", false), runAt("2026-12-02T10:00:00", true)}),
              nlohmann::json::parse(R"({"a":"result_2026-12-01T10:00:00.json","b":"result_2026-12-02T10:00:00.json"})"));
    // The newest pair of alike runs, though a newer run has no like and other
    // runs lie between the two.
    std::vector<HistoryRun> runs = {runAt("2026-12-01T10:00:00", false), runAt("2026-12-02T10:00:00", true),
                                    runAt("2026-12-03T10:00:00", false), runAt("2026-12-04T10:00:00", true),
                                    runAt("2026-12-05T10:00:00", false)};
    runs[2].passes = "2";
    runs[4].warmUp = true;
    EXPECT_EQ(pairOf(runs),
              nlohmann::json::parse(R"({"a":"result_2026-12-02T10:00:00.json","b":"result_2026-12-04T10:00:00.json"})"));
    EXPECT_TRUE(pairOf({runAt("2026-12-01T10:00:00", false)}).is_null());
}

TEST(HistoryPageTest, EmptyFolderGivesAPageThatSaysSo) {
    testing::MemoryFileSystem files;
    files.addFolder(kFolder);
    HistoryCounts counts{9, 9};
    ASSERT_NO_THROW(counts = rebuildHistory(files, kFolder));
    EXPECT_EQ(counts.runs, 0);
    EXPECT_EQ(counts.skipped, 0);
    const std::string html = files.content("C:\\Results\\history.htm");
    EXPECT_TRUE(contains(html, "No results in this folder yet"));
    EXPECT_FALSE(contains(html, "<svg"));
    EXPECT_FALSE(contains(html, "id=\"skipped\""));
}

TEST(HistoryPageTest, ReportsWhatCannotBeDone) {
    using ::testing::HasSubstr;
    using ::testing::ThrowsMessage;
    testing::MemoryFileSystem noFolder;
    EXPECT_THAT([&] { rebuildHistory(noFolder, kFolder); }, ThrowsMessage<OsError>(HasSubstr("Cannot list the folder")));

    testing::MemoryFileSystem readOnly = fixtureFolder();
    readOnly.readOnly.insert(testing::MemoryFileSystem::norm("C:\\Results\\history.htm"));
    EXPECT_THAT([&] { rebuildHistory(readOnly, kFolder); }, ThrowsMessage<OsError>(HasSubstr("Access is denied")));

    // A result file that cannot be read is left out, the page still written.
    testing::MemoryFileSystem locked = fixtureFolder();
    locked.unreadable.insert(testing::MemoryFileSystem::norm("C:\\Results\\result_2026_12_01_10_00_00.json"));
    HistoryCounts counts;
    ASSERT_NO_THROW(counts = rebuildHistory(locked, "C:\\Results\\"));
    EXPECT_EQ(counts.runs, 5);
    EXPECT_TRUE(contains(locked.content("C:\\Results\\history.htm"),
                         "<b>result_2026_12_01_10_00_00.json</b>: cannot be read: Access is denied"));
}

TEST(HistoryPageTest, ManyRunsKeepTheChartReadable) {
    testing::MemoryFileSystem files;
    files.addFolder(kFolder);
    for (int i = 0; i < 300; ++i) {
        char stamp[32];
        std::snprintf(stamp, sizeof stamp, "2026-%02d-%02dT10:%02d:00", 1 + i / 28 % 12, 1 + i % 28, i % 60);
        const std::string json = R"({"format":"melkrin-result","formatVersion":1,"startedAt":")" + std::string(stamp) +
                                 R"(","resolutions":[{"resolution":"640x480","passes":[{"fps":50}],"statistics":{"count":1,"mean":)" +
                                 std::to_string(50 + i % 7) + R"(,"min":50,"max":56}}]})";
        files.addFile("C:\\Results\\result_" + std::to_string(i) + ".json", json);
    }
    HistoryCounts counts;
    ASSERT_NO_THROW(counts = rebuildHistory(files, kFolder));
    EXPECT_EQ(counts.runs, 300);
    const std::string html = files.content("C:\\Results\\history.htm");
    EXPECT_EQ(count(html, "<tr data-run="), 300u);
    const std::string chart = between(html, "<svg class=\"chart\"", "</svg>");
    EXPECT_EQ(count(chart, "<circle"), 300u);
    EXPECT_LE(count(chart, "<text class=\"date\""), 7u);
}

TEST(HistoryPageTest, FiguresNearZeroStillChartOnASmallScale) {
    for (const char* mean : {"0", "5e-324", "0.0004"}) {
        auto [run, whyNot] = readText(minimalRun(std::string(R"([{"resolution":"640x480","statistics":{"count":1,"mean":)") +
                                                 mean + R"(,"min":0,"max":0}}])"));
        ASSERT_TRUE(run) << whyNot;
        run->file = "result_a.json";
        const std::string html = historyPage({*run}, {});
        const std::string chart = between(html, "<svg class=\"chart\"", "</svg>");
        EXPECT_EQ(count(chart, "<text class=\"tick\""), 6u) << mean;  // 0 to 5
        EXPECT_EQ(count(chart, "<circle"), 1u) << mean;
    }
}

TEST(HistoryPageTest, HtmlEscape) {
    EXPECT_EQ(htmlEscape("a<b>&\"c\"'d'"), "a&lt;b&gt;&amp;&quot;c&quot;&#39;d&#39;");
    EXPECT_EQ(htmlEscape("plain \xC3\xBC"), "plain \xC3\xBC");
}

}  // namespace
}  // namespace melkrin
