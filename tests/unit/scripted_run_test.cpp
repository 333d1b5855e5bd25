// A "/run" from the command line against the run's doubles: it refuses before
// anything of the game is touched, or runs and hands back the exit code and
// the JSON file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/scripted_run.h"
#include "run/result_files.h"
#include "unit/run_rig.h"
#include "unit/schema_check.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

struct Scripted {
    Rig rig;
    FakeDialogs boxes;
    RecordingDialogs dialogs{boxes};
    CommandLine line;
    std::unique_ptr<RunController> controller;
    std::unique_ptr<ScriptedRun> scripted;
    std::vector<int> exits;

    explicit Scripted(const std::vector<std::string>& args, bool quiet = true) : line(parseCommandLine(args)) {
        EXPECT_EQ(line.action, CommandLine::Action::Run) << line.error;
        dialogs.quiet = quiet;
        rig.view.setText(ControlId::VersionText, "1.2");
        rig.files.addFolder("C:\\Out");
        controller = std::make_unique<RunController>(
            RunServices{rig.runView, rig.settings, rig.files, dialogs, rig.cp, rig.diagnostics,
                        [](const Diagnostics&) { return SystemInfo{}; }, rig.inUse,
                        [this](const std::string& path) { rig.opened.push_back(path); }, rig.clock, rig.scheduler,
                        rig.debugLog, rig.config, rig.demo, [](const std::function<void()>& f) { f(); }, nullptr,
                        &rig.facts},
            rig.game, kProgram, "www.quorvane.example");
        scripted = std::make_unique<ScriptedRun>(ScriptedRunServices{
            rig.view, line.run, [this] { return rig.request(); }, *controller, rig.files, rig.debugLog, dialogs,
            latin1ToUtf8, [this](int code) { exits.push_back(code); },
            [this](const std::string& bytes) { console += bytes; }});
    }
    std::string console;  // what the script's console was given
    void play(const std::string& log) {
        ASSERT_TRUE(rig.cp.running());
        if (!log.empty()) rig.files.addFile(rig.game.logFile(), log);
        rig.cp.finish(0);
        rig.scheduler.runAll();
    }
    nlohmann::json json() const { return nlohmann::json::parse(rig.files.content("C:\\Out\\r.json")); }
};

TEST(ScriptedRunTest, ARunWithTwoResolutionsEndsWithItsFiguresAndStoresNothing) {
    Scripted s({"/run", "/quiet", "/res:800x600,640x480", "/aa:high", "/note:caf\xE9", "/results:C:\\Out",
                "/json:C:\\Out\\r.json"});
    s.scripted->start();
    s.play("Average: 120.50 FPS\r\n");
    s.play("Average: 90.25 FPS\r\n");
    ASSERT_EQ(s.exits, (std::vector<int>{kExitDone}));
    ASSERT_EQ(s.rig.cp.starts.size(), 2u);
    EXPECT_TRUE(s.rig.files.fileExists("C:\\Out\\result_30_07_2006_14_05_09.htm"));
    const auto json = s.json();
    EXPECT_EQ(json["result"], "done");
    EXPECT_EQ(json["exitCode"], 0);
    EXPECT_EQ(json["version"], "1.2");
    EXPECT_EQ(json["options"]["resolutions"], nlohmann::json({"640x480", "800x600"}));
    EXPECT_EQ(json["options"]["antialiasing"], "high");
    EXPECT_EQ(json["options"]["note"], "caf\xC3\xA9");
    EXPECT_EQ(json["resolutions"][0]["figure"], 120.5);
    EXPECT_EQ(json["resolutions"][1]["resolution"], "800x600");
    EXPECT_EQ(json["resolutions"][1]["figure"], 90.25);
    EXPECT_EQ(json["reportPath"], "C:\\Out\\result_30_07_2006_14_05_09.htm");
    EXPECT_EQ(json["resultFile"], "C:\\Out\\result_30_07_2006_14_05_09.json");
    // The result file's format, with the scripted run's own keys beside it.
    const auto written = nlohmann::json::parse(s.rig.files.content("C:\\Out\\result_30_07_2006_14_05_09.json"));
    for (const auto& [key, value] : written.items()) {
        if (key != "version") EXPECT_EQ(json[key], key == "options" || key == "resolutions" ? json[key] : value) << key;
    }
    EXPECT_EQ(json["runId"], written["runId"]);
    auto options = json["options"];
    options.erase("results");
    options.erase("note");
    EXPECT_EQ(options, written["options"]);
    std::string said;
    EXPECT_EQ(checkAgainstSchema(s.rig.files.content("C:\\Out\\r.json"), said), 0) << said;
    // The run marker and the diagnostic cache are the program's own doing;
    // none of the options given may have reached the settings.
    for (const auto& write : s.rig.keys.writes) EXPECT_EQ(write.rfind("NoErrorWarning=", 0), 0u) << write;
    EXPECT_TRUE(s.rig.opened.empty()) << "quiet: no report opened";
    EXPECT_TRUE(s.boxes.messages.empty());
}

TEST(ScriptedRunTest, PassesAndWarmUpOfTheCommandLineReachTheJson) {
    Scripted s({"/run", "/quiet", "/res:640x480", "/passes:2", "/warmup", "/results:C:\\Out",
                "/json:C:\\Out\\r.json"});
    s.scripted->start();
    for (const char* log : {"Average: 10.00 FPS\r\n", "Average: 40.00 FPS\r\n", "no figure\r\n"}) s.play(log);
    ASSERT_EQ(s.exits, (std::vector<int>{kExitDone}));
    EXPECT_EQ(s.rig.cp.starts.size(), 3u);
    const auto json = s.json();
    EXPECT_EQ(json["options"]["passes"], 2);
    EXPECT_EQ(json["options"]["warmUp"], true);
    EXPECT_EQ(json["resolutions"][0]["figure"], 40.0);
    EXPECT_EQ(json["resolutions"][0]["passes"][1]["reason"], "the game's log holds no figure");
    EXPECT_EQ(json["resolutions"][0]["statistics"]["count"], 1);
    EXPECT_TRUE(s.rig.files.fileExists("C:\\Out\\result_30_07_2006_14_05_09.json"));
    for (const auto& write : s.rig.keys.writes) EXPECT_EQ(write.rfind("NoErrorWarning=", 0), 0u) << write;
}

TEST(ScriptedRunTest, AResolutionWithoutAFigureAndAnErrorHaveTheirCodes) {
    {
        Scripted s({"/run", "/res:640x480,800x600", "/json:C:\\Out\\r.json"});
        s.scripted->start();
        s.play("");  // no log
        s.play("Average: 90.25 FPS\r\n");
        EXPECT_EQ(s.exits, (std::vector<int>{kExitNoFigure}));
        EXPECT_TRUE(s.json()["resolutions"][0]["figure"].is_null());
        EXPECT_EQ(s.json()["resolutions"][0]["reason"], "the game left no log");
    }
    {  // The report cannot be written: an error, shown nowhere when quiet.
        Scripted s({"/run", "/quiet", "/res:640x480", "/results:C:\\Out", "/json:C:\\Out\\r.json"});
        s.rig.files.readOnly.insert(MemoryFileSystem::norm("C:\\Out\\result_30_07_2006_14_05_09.htm"));
        s.scripted->start();
        s.play("Average: 90.25 FPS\r\n");
        EXPECT_EQ(s.exits, (std::vector<int>{kExitError}));
        EXPECT_TRUE(s.boxes.errors.empty());
        EXPECT_EQ(s.json()["errors"].size(), 1u);
        EXPECT_EQ(s.rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    }
}

TEST(ScriptedRunTest, ARunThatWroteNoResultFileStillDescribesItselfInTheFormat) {
    Scripted s({"/run", "/quiet", "/res:640x480,800x600", "/results:C:\\Out", "/json:C:\\Out\\r.json"});
    s.scripted->start();
    s.play("Average: 90.25 FPS\r\n");
    s.controller->onCancelClicked(false);
    s.play("");
    ASSERT_EQ(s.exits, (std::vector<int>{kExitCancelled}));
    const auto json = s.json();
    EXPECT_EQ(json["result"], "cancelled");
    EXPECT_TRUE(json["resultFile"].is_null());
    EXPECT_TRUE(json["reportPath"].is_null());
    EXPECT_FALSE(s.rig.files.fileExists("C:\\Out\\result_30_07_2006_14_05_09.json"));
    ASSERT_EQ(json["resolutions"].size(), 1u) << "the resolution played before the cancel";
    EXPECT_EQ(json["resolutions"][0]["figure"], 90.25);
    EXPECT_EQ(json["runId"], "00010203-0405-4607-8809-0a0b0c0d0e0f");
    std::string said;
    EXPECT_EQ(checkAgainstSchema(s.rig.files.content("C:\\Out\\r.json"), said), 0) << said;
}

TEST(ScriptedRunTest, RefusalsTouchNothing) {
    const struct Case {
        const char* what;
        std::vector<std::string> args;
        std::function<void(Rig&, RecordingDialogs&)> arrange;
        const char* reasonHolds;
    } cases[] = {
        {"a size the display lacks", {"/res:1600x1200"},
         [](Rig& rig, RecordingDialogs&) { rig.view.setEnabled(ControlId::Res1600, false); }, "offers no 1600x1200"},
        {"a missing demo file", {"/demo:C:\\none.dem"}, nullptr, "does not exist"},
        {"a missing results folder", {"/results:C:\\None"}, nullptr, "results folder"},
        {"no game installed",
         {},
         [](Rig& rig, RecordingDialogs& d) {
             d.showMessage("Please install the Serious Sam 2!");
             rig.view.setEnabled(ControlId::BenchButton, false);
             rig.view.setHint(ControlId::BenchButton, "Please install the Serious Sam 2!");
         },
         "Please install the Serious Sam 2!"},
        {"no resolution at all", {}, nullptr, "ERROR. Please, choose a resolution"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"/run", "/quiet", "/json:C:\\Out\\r.json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Scripted s(args);
        if (c.arrange) c.arrange(s.rig, s.dialogs);
        const auto ini = s.rig.files.content(kContent + "Sam2.ini");
        s.scripted->start();
        EXPECT_EQ(s.exits, (std::vector<int>{kExitRefused}));
        EXPECT_TRUE(s.rig.cp.starts.empty());
        EXPECT_EQ(s.rig.files.content(kContent + "Sam2.ini"), ini);
        EXPECT_FALSE(s.rig.files.fileExists(kContent + "Sam2_old.ini"));
        EXPECT_EQ(s.rig.marker(), "<none>");
        EXPECT_TRUE(s.boxes.messages.empty());
        const auto json = s.json();
        EXPECT_EQ(json["result"], "refused");
        EXPECT_NE(json["reason"].get<std::string>().find(c.reasonHolds), std::string::npos) << json["reason"];
        const auto debug = s.rig.debugFile();
        ASSERT_FALSE(debug.empty());
        EXPECT_EQ(debug.back().rfind("Command line refused: ", 0), 0u);
    }
}

}  // namespace
}  // namespace melkrin

namespace melkrin {
namespace {

// The script's console hears a line per resolution, and with /json:- the JSON
// itself (no file is written); a refusal is said there too.
TEST(ScriptedRunConsoleTest, ResolutionLinesAndTheJsonGoToStandardOutput) {
    Scripted s({"/run", "/quiet", "/res:800x600,640x480", "/results:C:\\Out", "/json:-"});
    s.scripted->start();
    s.play("Average: 120.50 FPS\r\n");
    s.play("");
    ASSERT_EQ(s.exits, (std::vector<int>{kExitNoFigure}));
    const auto jsonStart = s.console.find('{');
    ASSERT_NE(jsonStart, std::string::npos) << s.console;
    EXPECT_EQ(s.console.substr(0, jsonStart).rfind("640x480: 120.50 fps\r\n800x600: no figure (", 0), 0u) << s.console;
    const auto json = nlohmann::json::parse(s.console.substr(jsonStart));
    EXPECT_EQ(json["result"], "no figure");
    EXPECT_EQ(json["exitCode"], kExitNoFigure);
    EXPECT_FALSE(s.rig.files.fileExists(kProgram + "-")) << "\"-\" is no file name";

    Scripted refused({"/run", "/quiet", "/results:C:\\Nowhere", "/json:-"});
    refused.scripted->start();
    ASSERT_EQ(refused.exits, (std::vector<int>{kExitRefused}));
    EXPECT_EQ(refused.console.rfind("Refused: The results folder \"C:\\Nowhere\\\" does not exist.\r\n", 0), 0u)
        << refused.console;
    EXPECT_EQ(nlohmann::json::parse(refused.console.substr(refused.console.find('{')))["result"], "refused");
}

// The crash handler's word, mid-run: the JSON file says "crashed" and where the report is.
TEST(ScriptedRunConsoleTest, ACrashWritesItsJsonWithExitCodeFive) {
    Scripted s({"/run", "/quiet", "/res:640x480", "/results:C:\\Out", "/json:C:\\Out\\r.json"});
    s.scripted->start();
    ASSERT_TRUE(s.rig.cp.running());
    s.scripted->crashed("C:\\Crash reports\\crash_1.txt", "access violation (0xC0000005)");
    const auto json = s.json();
    EXPECT_EQ(json["result"], "crashed");
    EXPECT_EQ(json["exitCode"], 5);
    EXPECT_EQ(json["errors"], nlohmann::json({"access violation (0xC0000005)",
                                              "Crash report: C:\\Crash reports\\crash_1.txt"}));
    EXPECT_TRUE(s.exits.empty()) << "the crash handler ends the process itself";
}

}  // namespace
}  // namespace melkrin
