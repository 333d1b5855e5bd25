// Runs with more than one pass per resolution, the warm-up, "until stable",
// and the result files every run leaves beside its report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>

#include <nlohmann/json.hpp>

#include "app/command_line.h"
#include "common/sha256.h"
#include "unit/run_rig.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

constexpr std::uint32_t kStoppedCode = 0xFFFFFFFFu;

std::string logWith(const std::string& figure) { return "Average: " + figure + " FPS\r\n"; }

struct PassRig : Rig {
    std::optional<RunSummary> summary;

    PassRig(const char* passes, const char* warmUp = nullptr) {
        if (passes) keys.set(names::kSettingsKey, "Passes", passes);
        if (warmUp) keys.set(names::kSettingsKey, "WarmUp", warmUp);
        controller->onRunEnded = [this](const RunSummary& s) { summary = s; };
    }
    std::string jsonPath() const { return kProgram + "Benchmark\\result_30_07_2006_14_05_09.json"; }
    std::string csvPath() const { return kProgram + "Benchmark\\results.csv"; }
    nlohmann::json json() const { return nlohmann::json::parse(files.content(jsonPath())); }
    std::vector<std::string> report() const { return splitLines(files.content(reportPath())); }
};

// The lines from the first that starts with `from` up to the first that starts with `to`.
std::vector<std::string> between(const std::vector<std::string>& lines, const std::string& from, const std::string& to) {
    std::vector<std::string> kept;
    bool in = false;
    for (const auto& line : lines) {
        if (!in && startsWith(line, from)) in = true;
        if (in) kept.push_back(line);
        if (in && startsWith(line, to) && kept.size() > 1) break;
    }
    return kept;
}

TEST(RunPassesTest, ThreePassesAtTwoResolutions) {
    PassRig rig("3");
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.startRun();
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Resolution: 640 \xD7 480... (pass 1 of 3)");
    for (const char* figure : {"59.00", "61.00", "60.00"}) rig.playGame(logWith(figure));
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Resolution: 800 \xD7 600... (pass 1 of 3)");
    rig.playGame(logWith("50.00"));
    rig.playGame("no figure here\r\n");
    rig.playGame(logWith("52.00"));
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.gameRuns.size(), 6u) << "every pass is a game start of its own";
    EXPECT_TRUE(rig.dialogs.errors.empty());

    EXPECT_EQ(between(rig.report(), "<BR><B><FONT size=5>Resolution: 640", "<br><HR>"),
              (std::vector<std::string>{
                  "<BR><B><FONT size=5>Resolution: 640\xD7" "480</FONT></B><BR>",
                  "Demo: Demo_0001.dem<br>",
                  "Renderer: Direct3D<br>",
                  "Quality: Maximum<br>",
                  "Antialiasing: Low<br>",
                  "Anisotrophic filtering: 8\xD7<br>",
                  "HDR rendering: Disabled<br>",
                  "<span class=\"style5\"><b>Score = 60.00 FPS</b></span><br>",
                  "Passes: 3<br>",
                  "Standard deviation: 1.00 FPS (1.67 %)<br>",
                  "95 % confidence interval: 57.52 to 62.48 FPS<br>",
                  "Minimum: 59.00 FPS, maximum: 61.00 FPS<br>",
                  "Passes' figures: 59.00, 61.00, 60.00 FPS<br>",
                  "<br><HR>",
              }));
    // A pass without a figure is listed and does not count.
    EXPECT_EQ(between(rig.report(), "<span class=\"style5\"><b>Score = 51.00", "<br><HR>"),
              (std::vector<std::string>{
                  "<span class=\"style5\"><b>Score = 51.00 FPS</b></span><br>",
                  "Passes: 3, 2 with a figure<br>",
                  "Standard deviation: 1.41 FPS (2.77 %)<br>",
                  "95 % confidence interval: 38.29 to 63.71 FPS<br>",
                  "Minimum: 50.00 FPS, maximum: 52.00 FPS<br>",
                  "Passes' figures: 50.00, none (the game's log holds no figure), 52.00 FPS<br>",
                  "<br><HR>",
              }));

    const auto debug = rig.debugFile();
    EXPECT_EQ(between(debug, "Pass 1 of 3 at 640", "Passes' figures"),
              (std::vector<std::string>{
                  "Pass 1 of 3 at 640\xD7" "480", "START SS2 in 640 \xD7 480", "Serious Sam 2 terminated",
                  "640\xD7" "480 successful. More to come...", "Source exist", "Result: 59.00 FPS",
                  "Pass 1 at 640\xD7" "480: 59.00 FPS",
                  "Pass 2 of 3 at 640\xD7" "480", "START SS2 in 640 \xD7 480", "Serious Sam 2 terminated",
                  "640\xD7" "480 successful. More to come...", "Source exist", "Result: 61.00 FPS",
                  "Pass 2 at 640\xD7" "480: 61.00 FPS",
                  "Pass 3 of 3 at 640\xD7" "480", "START SS2 in 640 \xD7 480", "Serious Sam 2 terminated",
                  "640\xD7" "480 successful. More to come...", "Source exist", "Result: 60.00 FPS",
                  "Pass 3 at 640\xD7" "480: 60.00 FPS",
                  "Passes at 640\xD7" "480 done", "Mean: 60.00 FPS", "Passes: 3",
                  "Standard deviation: 1.00 FPS (1.67 %)", "95 % confidence interval: 57.52 to 62.48 FPS",
                  "Minimum: 59.00 FPS, maximum: 61.00 FPS", "Passes' figures: 59.00, 61.00, 60.00 FPS"}));
    EXPECT_NE(std::find(debug.begin(), debug.end(), "Pass 2 at 800\xD7" "600: no figure, the game's log holds no figure"),
              debug.end());

    ASSERT_TRUE(rig.summary);
    EXPECT_EQ(rig.summary->result, RunSummary::Result::Done);
    ASSERT_EQ(rig.summary->slots.size(), 2u);
    EXPECT_EQ(rig.summary->slots[0].figure, "60.00");
    EXPECT_EQ(rig.summary->slots[1].passes.size(), 3u);
    EXPECT_EQ(rig.summary->slots[1].statistics->count, 2);

    const auto json = rig.json();
    EXPECT_EQ(json["format"], "melkrin-result");
    EXPECT_EQ(json["formatVersion"], 1);
    EXPECT_EQ(json["version"], "1.2");
    EXPECT_EQ(json["startedAt"], "2006-07-30T14:05:09");
    EXPECT_EQ(json["report"], "result_30_07_2006_14_05_09.htm");
    EXPECT_EQ(json["note"], "rig <b>note</b>");
    EXPECT_EQ(json["options"]["passes"], 3);
    EXPECT_EQ(json["options"]["warmUp"], false);
    EXPECT_EQ(json["options"]["resolutions"], nlohmann::json::array({"640x480", "800x600"}));
    EXPECT_EQ(json["options"]["demo"], 1);
    EXPECT_EQ(json["options"]["antialiasing"], "low");
    EXPECT_EQ(json["options"]["filtering"], "8x");
    EXPECT_EQ(json["options"]["timeLimit"], 600);
    EXPECT_EQ(json["machine"]["processor"], "Test CPU");
    EXPECT_EQ(json["machine"]["videoCard"], "Test Adapter");
    EXPECT_EQ(json["machine"]["clock"], "2100 MHz");
    // Each pass with its start and the steady clock's time from its start to its end.
    EXPECT_EQ(json["resolutions"][0]["passes"], nlohmann::json::parse(R"([
        {"fps": 59.0, "startedAt": "2006-07-30T14:05:09", "durationSeconds": 42.5},
        {"fps": 61.0, "startedAt": "2006-07-30T14:05:09", "durationSeconds": 42.5},
        {"fps": 60.0, "startedAt": "2006-07-30T14:05:09", "durationSeconds": 42.5}])"));
    EXPECT_EQ(json["resolutions"][1]["passes"][1], nlohmann::json::parse(R"({"fps": null,
        "reason": "the game's log holds no figure", "startedAt": "2006-07-30T14:05:09", "durationSeconds": 42.5})"));
    EXPECT_DOUBLE_EQ(json["resolutions"][0]["statistics"]["stdDev"].get<double>(), 1.0);
    EXPECT_EQ(json["resolutions"][1]["statistics"]["count"], 2);

    const auto csv = splitLines(rig.files.content(rig.csvPath()));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_EQ(csv[0] + "\r\n", std::string(kUtf8Bom) + resultsCsvHeader());
    const std::string runId = json["runId"];
    EXPECT_EQ(csv[1],
              "2006-07-30T14:05:09+01:00,rig <b>note</b>,1,640x480,low,8x,off,Direct3D,3,no,600,3,3,60.0000,1.0000,"
              "1.6667,57.5157,62.4843,59.0000,61.0000,no,59.0000,61.0000,60.0000,,,,,,,,1.2,Windows 7,Test CPU,4GB,"
              "Test Adapter,No information,2.0.0.1," + runId);
    EXPECT_TRUE(startsWith(csv[2], "2006-07-30T14:05:09+01:00,rig <b>note</b>,1,800x600,low,8x,off,Direct3D,3,no,600,"
                                   "3,2,51.0000,"));
}

TEST(RunPassesTest, TheWarmUpPlaysFirstAndDoesNotCount) {
    PassRig rig("2", "1");
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Resolution: 640 \xD7 480... (warm-up)");
    rig.playGame(logWith("10.00"));
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Resolution: 640 \xD7 480... (pass 1 of 2)");
    rig.playGame(logWith("40.00"));
    rig.playGame(logWith("42.00"));
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.gameRuns.size(), 3u);
    const auto debug = rig.debugFile();
    EXPECT_NE(std::find(debug.begin(), debug.end(), "Warm-up pass at 640\xD7" "480, not counted"), debug.end());
    EXPECT_NE(std::find(debug.begin(), debug.end(), "Warm-up at 640\xD7" "480: 10.00 FPS (not counted)"), debug.end());
    const auto json = rig.json();
    EXPECT_EQ(json["options"]["warmUp"], true);
    EXPECT_EQ(json["resolutions"][0]["passes"].size(), 2u);
    EXPECT_DOUBLE_EQ(json["resolutions"][0]["statistics"]["mean"].get<double>(), 41.0);
    EXPECT_DOUBLE_EQ(json["resolutions"][0]["statistics"]["min"].get<double>(), 40.0);

    // A warm-up alone, with one pass: the report shows one figure with its list.
    PassRig single("1", "1");
    single.view.setChecked(ControlId::Res640, true);
    single.startRun();
    single.playGame(logWith("10.00"));
    single.playGame(logWith("33.50"));
    single.expectEndedCleanly();
    EXPECT_EQ(single.gameRuns.size(), 2u);
    const auto report = single.report();
    EXPECT_NE(std::find(report.begin(), report.end(), "<span class=\"style5\"><b>Score = 33.50 FPS</b></span><br>"),
              report.end());
    EXPECT_EQ(single.json()["resolutions"][0]["statistics"]["stdDev"], nullptr);
}

TEST(RunPassesTest, UntilStableStopsByTheRule) {
    const struct Case {
        const char* what;
        std::vector<std::string> logs;  // in turn; "" leaves no log
        std::size_t games;
        const char* passesLine;
    } cases[] = {
        {"stable at the third pass", {"60.00", "60.10", "60.20", "99.00"}, 3,
         "Passes: 3, stable: the stop rule's interval reached \xB1" "1.00 % (\xB1" "0.77 %)"},
        {"stable at the sixth", {"60.00", "61.00", "60.50", "60.20", "60.80", "60.40", "99.00"}, 6,
         "Passes: 6, stable: the stop rule's interval reached \xB1" "1.00 % (\xB1" "0.88 %)"},
        {"never stable: ten games", {"50", "70", "50", "70", "50", "70", "50", "70", "50", "70", "50"}, 10,
         "Passes: 10, not stable: 10 passes without the stop rule's interval reaching \xB1" "1.00 % (\xB1" "15.52 %)"},
        {"misses are played within the ten", {"", "60.00", "", "60.00", "60.00"}, 5,
         "Passes: 5, 3 with a figure, stable: the stop rule's interval reached \xB1" "1.00 % (\xB1" "0.00 %)"},
        {"a game that never gives a figure", {"60.00", "", "", "", "", "", "", "", "", ""}, 9,
         "Passes: 9, 1 with a figure, not stable: too few figures"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PassRig rig("until stable");
        rig.view.setChecked(ControlId::Res640, true);
        rig.startRun();
        for (const auto& figure : c.logs) {
            if (!rig.cp.running()) break;
            rig.playGame(figure.empty() ? "" : logWith(figure));
        }
        rig.expectEndedCleanly();
        EXPECT_EQ(rig.gameRuns.size(), c.games);
        const auto report = rig.report();
        EXPECT_NE(std::find(report.begin(), report.end(), std::string(c.passesLine) + "<br>"), report.end());
        EXPECT_EQ(rig.json()["options"]["passes"], "until stable");
        EXPECT_EQ(rig.json()["resolutions"][0]["passes"].size(), c.games);
    }
}

TEST(RunPassesTest, AGameThatNeverGivesAFigureEndsItsPasses) {
    PassRig rig("until stable");
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.startRun();
    // 640 x 480 never writes a log: after eight games three figures cannot come any more.
    for (int i = 0; i < 8; ++i) rig.playGame("");
    for (const char* figure : {"70.00", "70.00", "70.00"}) rig.playGame(logWith(figure));
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.gameRuns.size(), 11u);
    ASSERT_TRUE(rig.summary);
    EXPECT_EQ(rig.summary->result, RunSummary::Result::NoFigure);
    EXPECT_EQ(rig.summary->slots[0].figure, "");
    EXPECT_EQ(rig.summary->slots[0].reason, "no pass gave a figure (last: the game left no log)");
    const auto json = rig.json();
    EXPECT_EQ(json["resolutions"][0]["statistics"], nullptr);
    EXPECT_EQ(json["resolutions"][0]["passes"].size(), 8u);
    EXPECT_EQ(json["resolutions"][0]["passes"][7]["reason"], "the game left no log");
    // The page holds the resolution that gave figures.
    const auto report = rig.report();
    EXPECT_NE(std::find(report.begin(), report.end(), "<span class=\"style5\"><b>Score = 70.00 FPS</b></span><br>"),
              report.end());

    // With figures nowhere, no report, as a single pass without a figure writes none; the data still are kept.
    PassRig none("2");
    none.view.setChecked(ControlId::Res640, true);
    none.startRun();
    none.playGame("");
    none.playGame("");
    none.expectEndedCleanly();
    EXPECT_FALSE(none.files.fileExists(none.reportPath()));
    EXPECT_EQ(none.json()["report"], nullptr);
}

TEST(RunPassesTest, TheTimeLimitEndsTheResolutionsPasses) {
    PassRig rig("3");
    rig.keys.set(names::kSettingsKey, "GameTimeLimit", "5");
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.startRun();
    rig.playGame(logWith("30.00"));
    // The second game at 640 x 480 hangs and is stopped.
    ASSERT_TRUE(rig.scheduler.runWithdrawable());
    rig.cp.finish(kStoppedCode);
    rig.scheduler.runAll();
    for (const char* figure : {"20.00", "20.00", "20.00"}) rig.playGame(logWith(figure));
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.cp.starts.size(), 5u) << "no third game after the stop";
    ASSERT_TRUE(rig.summary);
    EXPECT_TRUE(rig.summary->slots[0].stopped);
    EXPECT_EQ(rig.summary->slots[0].figure, "30.00");
    const auto json = rig.json();
    EXPECT_EQ(json["resolutions"][0]["stopped"], true);
    EXPECT_EQ(json["resolutions"][0]["passes"][1]["reason"], "stopped after 5 s, the game's time limit");
    EXPECT_EQ(json["resolutions"][1]["stopped"], false);
    EXPECT_EQ(json["options"]["timeLimit"], 5);
}

TEST(RunPassesTest, ACancelledRunWritesNoResultFiles) {
    PassRig rig("3");
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.playGame(logWith("30.00"));
    rig.controller->onCancelClicked(false);
    rig.cp.finish(kStoppedCode);
    rig.scheduler.runAll();
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.summary->result, RunSummary::Result::Cancelled);
    EXPECT_FALSE(rig.files.fileExists(rig.jsonPath()));
    EXPECT_FALSE(rig.files.fileExists(rig.csvPath()));
    EXPECT_FALSE(rig.files.fileExists(rig.reportPath()));
}

TEST(RunPassesTest, TheCommandLinesPassesOverrideTheStoredOnes) {
    PassRig rig("until stable", "1");
    RunOptions given;
    given.passes = "2";
    given.warmUp = false;
    rig.view.setChecked(ControlId::Res640, true);
    rig.controller->start(commandLineRunRequest(rig.request(), given));
    rig.playGame(logWith("30.00"));
    rig.playGame(logWith("31.00"));
    EXPECT_FALSE(rig.cp.running());
    EXPECT_EQ(rig.gameRuns.size(), 2u);
    EXPECT_EQ(rig.keys.get(names::kSettingsKey, "Passes"), "until stable") << "nothing given is stored";
}

TEST(RunResultFilesTest, TheDefaultsAddTheFilesAndStoreNothing) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.playGame(logWith("61.25"));
    rig.expectEndedCleanly();
    EXPECT_FALSE(rig.keys.get(names::kSettingsKey, "Passes")) << "a run stores no pass option";
    EXPECT_FALSE(rig.keys.get(names::kSettingsKey, "WarmUp"));
    const auto json = rig.json();
    EXPECT_EQ(json["options"]["passes"], 1);
    EXPECT_EQ(json["resolutions"][0]["passes"][0]["fps"], 61.25);
    EXPECT_DOUBLE_EQ(json["resolutions"][0]["statistics"]["mean"].get<double>(), 61.25);
    EXPECT_EQ(json["resolutions"][0]["statistics"]["ci95Low"], nullptr);
    // The page is today's: no pass lines.
    const auto report = rig.report();
    EXPECT_EQ(std::find_if(report.begin(), report.end(), [](const std::string& l) { return startsWith(l, "Passes"); }),
              report.end());
}

TEST(RunResultFilesTest, TheTableGetsItsHeaderOnceAndALockedTableIsReported) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    const auto runOnce = [&](const char* figure) {
        rig.startRun();
        rig.playGame(logWith(figure));
        rig.expectEndedCleanly();
    };
    runOnce("61.25");
    rig.clock.iso = "2006-07-30T15:00:00";
    rig.clock.text = "30.07.2006 15:00:00";
    runOnce("62.50");
    const auto csv = splitLines(rig.files.content(rig.csvPath()));
    ASSERT_EQ(csv.size(), 3u);
    EXPECT_TRUE(startsWith(csv[0], std::string(kUtf8Bom) + "started,note,demo,resolution,"));
    EXPECT_TRUE(startsWith(csv[1], "2006-07-30T14:05:09+01:00,"));
    EXPECT_TRUE(startsWith(csv[2], "2006-07-30T15:00:00+01:00,"));
    EXPECT_TRUE(rig.files.fileExists(kProgram + "Benchmark\\result_30_07_2006_15_00_00.json"));

    // A spreadsheet holds the table: one clear message, the table as it was, the JSON written.
    const std::string before = rig.files.content(rig.csvPath());
    rig.files.locked.insert(MemoryFileSystem::norm(rig.csvPath()));
    rig.clock.iso = "2006-07-30T16:00:00";
    rig.clock.text = "30.07.2006 16:00:00";
    runOnce("63.00");
    EXPECT_EQ(rig.files.content(rig.csvPath()), before);
    ASSERT_EQ(rig.dialogs.errors.size(), 1u);
    EXPECT_NE(rig.dialogs.errors[0].find("could not be added to the table of results"), std::string::npos);
    EXPECT_NE(rig.dialogs.errors[0].find("being used by another process"), std::string::npos);
    EXPECT_NE(rig.dialogs.errors[0].find("result_30_07_2006_16_00_00.json"), std::string::npos);
    EXPECT_TRUE(rig.files.fileExists(kProgram + "Benchmark\\result_30_07_2006_16_00_00.json"));
    EXPECT_EQ(rig.summary->result, RunSummary::Result::Error);
}

TEST(RunResultFilesTest, ATableOfAnOlderLayoutIsLeftAsItIs) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    const std::string older = "started,note,demo,resolution\r\n2006-07-01T10:00:00,old,1,640x480\r\n";
    rig.files.addFile(rig.csvPath(), older);
    for (const char* stamp : {"2006-07-30T14:05:09", "2006-07-30T15:00:00"}) {
        rig.clock.iso = stamp;
        rig.startRun();
        rig.playGame(logWith("61.25"));
        rig.expectEndedCleanly();
    }
    EXPECT_EQ(rig.files.content(rig.csvPath()), older);
    const auto csv = splitLines(rig.files.content(kProgram + "Benchmark\\results-1.1.csv"));
    ASSERT_EQ(csv.size(), 3u) << "the header once, then a row per run";
    EXPECT_EQ(csv[0] + "\r\n", std::string(kUtf8Bom) + resultsCsvHeader());
    EXPECT_TRUE(startsWith(csv[2], "2006-07-30T15:00:00+01:00,"));
    const auto debug = rig.debugFile();
    EXPECT_NE(std::find_if(debug.begin(), debug.end(),
                           [](const std::string& line) {
                               return line.find("results.csv\" has the header of another layout and is left as it is; "
                                                "the rows go to") != std::string::npos &&
                                      line.find("results-1.1.csv") != std::string::npos;
                           }),
              debug.end());
    EXPECT_TRUE(rig.dialogs.errors.empty());
}

TEST(RunResultFilesTest, TheFileRecordsWhatWasMeasuredWithWhat) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    const std::string played = rig.files.content(kContent + "Sam2.ini");  // the game's configuration while it plays
    rig.playGame(logWith("61.25"));
    rig.expectEndedCleanly();
    const auto json = rig.json();
    EXPECT_EQ(json["formatMinorVersion"], 1);
    EXPECT_EQ(json["runId"], "00010203-0405-4607-8809-0a0b0c0d0e0f");
    EXPECT_EQ(json["utcOffset"], "+01:00");
    EXPECT_EQ(json["programSha256"], sha256Hex("MZ melkrin"));
    EXPECT_EQ(json["game"]["fileVersion"], "2.0.0.1");
    EXPECT_EQ(json["game"]["sha256"], sha256Hex("MZ"));
    EXPECT_EQ(json["options"]["demoSha256"], sha256Hex("demo one")) << "the built-in demo as copied into the game";
    EXPECT_NE(played, "user settings\r\n");
    EXPECT_EQ(json["configurationSha256"], sha256Hex(played));

    // The next run: a new identity, the program file hashed once per session,
    // and what cannot be read or has no version is null without stopping the run.
    rig.files.unreadable.insert(MemoryFileSystem::norm(rig.game.gameExePath));
    rig.files.unreadable.insert(MemoryFileSystem::norm(kContent + "Demos\\Demo_0001.dem"));
    rig.files.addFile(kProgram + "melkrin.exe", "changed");
    rig.facts.versions.clear();
    rig.clock.iso = "2006-07-30T15:00:00";
    rig.clock.text = "30.07.2006 15:00:00";
    rig.startRun();
    rig.playGame(logWith("62.00"));
    rig.expectEndedCleanly();
    const auto next = nlohmann::json::parse(rig.files.content(kProgram + "Benchmark\\result_30_07_2006_15_00_00.json"));
    EXPECT_EQ(next["runId"], "01020304-0506-4708-890a-0b0c0d0e0f10");
    EXPECT_EQ(next["programSha256"], sha256Hex("MZ melkrin"));
    EXPECT_EQ(next["game"], nlohmann::json::parse(R"({"fileVersion": null, "sha256": null})"));
    EXPECT_TRUE(next["options"]["demoSha256"].is_null());
    EXPECT_EQ(rig.summary->result, RunSummary::Result::Done);

    // No random bytes: the run goes on without an identity.
    rig.facts.noRandom = true;
    rig.clock.iso = "2006-07-30T16:00:00";
    rig.clock.text = "30.07.2006 16:00:00";
    rig.startRun();
    rig.playGame(logWith("62.00"));
    const auto third = nlohmann::json::parse(rig.files.content(kProgram + "Benchmark\\result_30_07_2006_16_00_00.json"));
    EXPECT_TRUE(third["runId"].is_null());
    EXPECT_EQ(rig.summary->result, RunSummary::Result::Done);
}

TEST(RunResultFilesTest, AResultsFolderThatIsGoneIsReportedOnce) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.files.folders.erase(MemoryFileSystem::norm(kProgram + "Benchmark"));
    rig.playGame(logWith("61.25"));
    rig.expectEndedCleanly();
    ASSERT_EQ(rig.dialogs.errors.size(), 1u) << "the report's error alone";
    EXPECT_NE(rig.dialogs.errors[0].find("result_30_07_2006_14_05_09.htm"), std::string::npos);
    EXPECT_FALSE(rig.files.fileExists(rig.jsonPath()));
}

TEST(RunResultFilesTest, TheRunRebuildsTheHistoryPageFromTheFilesItWrote) {
    PassRig rig(nullptr);
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.playGame(logWith("61.25"));
    rig.expectEndedCleanly();
    const std::string page = rig.files.content(kProgram + "Benchmark\\history.htm");
    EXPECT_NE(page.find("61.25"), std::string::npos) << "the page is built after the run's own result file";
    EXPECT_TRUE(rig.dialogs.errors.empty());
}

}  // namespace
}  // namespace melkrin
