// Whole runs against doubles: the controller, the game configuration, the
// demo preparation, the diagnostic step and the debug log are the real ones.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_run_view.h"
#include "app/state_view.h"
#include "fake_platform.h"
#include "fake_process_runner.h"
#include "fake_run_platform.h"
#include "gameconfig/demo_preparation.h"
#include "gameconfig/game_config_file.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "run/debug_log.h"
#include "run/run_controller.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

const std::string kRoot = "C:\\Games\\Serious Sam 2\\";
const std::string kContent = kRoot + "Content\\SeriousSam2\\";
const std::string kProgram = "C:\\Bench\\";

struct Rig {
    MemoryKeyStore keys;
    SettingsStore settings{keys};
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    FakeDialogs dialogs;
    StateView view;
    MainRunView runView{view};
    FakeProcessRunner cp;
    FakeProcessRunner dxrun;
    FakeInUse inUse;
    FakeRunClock clock;
    FakeScheduler scheduler;
    DebugLog debugLog{files, kProgram};
    GameConfigFile config{files, fileOp, debugLog};
    DemoPreparation demo{files, fileOp, kProgram};
    DiagnosticCollector diagnostics{dxrun, files, settings, "C:\\windows\\system32", kProgram};
    GameInstall game = deriveGameInstall(kRoot + "Bin\\Sam2.exe", kRoot);
    std::vector<std::string> opened;
    std::vector<std::string> gameRuns;  // the batch line of every game start
    std::unique_ptr<RunController> controller;

    Rig() {
        keys.addKey(names::kSettingsKey);
        keys.set(names::kSettingsKey, "Programversion", "1.2");
        keys.set(names::kSettingsKey, "Display Memory", "256.0 MB");
        files.addFile(game.gameExePath, "MZ");
        files.addFile(kContent + "Sam2.ini", "user settings\r\n");
        files.addFolder(game.demosFolder);
        files.addFile(kProgram + "Demos\\Demo_0001.dem", "demo one");
        files.addFolder(kProgram + "Benchmark");
        view.setText(ControlId::SS2PathEdit, game.gameExePath);
        view.setText(ControlId::ResEdit, kProgram + "Benchmark\\");
        view.setSelection(ControlId::Demo, 0);
        view.setSelection(ControlId::RendererBox, 1);
        view.setSelection(ControlId::AABox, 1);
        view.setSelection(ControlId::AFBox, 3);
        view.setChecked(ControlId::HDRBox, false);
        view.setText(ControlId::NoteEdit, "rig <b>note</b>");
        controller = std::make_unique<RunController>(
            RunServices{runView, settings, files, dialogs, cp, diagnostics,
                        [](const Diagnostics& d) {
                            SystemInfo info;
                            info.operatingSystem = "Windows 7";
                            info.systemMemory = "4GB";
                            info.cpuName = "Test CPU";
                            info.cpuSpeed = 2100;
                            info.soundSystem = d.soundSystem;
                            info.displayMemory = d.displayMemory;
                            info.driverVersion = d.driverVersion;
                            info.classAdapter.present = true;
                            info.classAdapter.driverDesc = "Test Adapter";
                            info.classAdapter.gpuClock = "400 MHz";
                            info.classAdapter.memoryClock = "500 MHz";
                            return info;
                        },
                        inUse, [this](const std::string& path) { opened.push_back(path); }, clock, scheduler,
                        debugLog, config, demo, [this](const std::function<void()>& f) {
                            try {
                                f();
                            } catch (const std::exception& e) {
                                dialogs.showError(e.what());
                            }
                        }},
            game, kProgram, "www.quorvane.example");
    }

    // The game plays: its log appears (or not) and the batch interpreter ends.
    void playGame(const std::string& log) {
        ASSERT_TRUE(cp.running());
        gameRuns.push_back(files.content(game.batchFile()));
        if (!log.empty()) files.addFile(game.logFile(), log);
        cp.finish(0);
        scheduler.runAll();
    }
    std::string marker() const { return keys.get(names::kSettingsKey, "NoErrorWarning").value_or("<none>"); }
    std::vector<std::string> debugFile() const { return splitLines(files.content(kProgram + "debuginfo.txt")); }
    std::string reportPath() const { return kProgram + "Benchmark\\result_30_07_2006_14_05_09.htm"; }
};

std::vector<std::string> after(const std::vector<std::string>& lines, const std::string& from) {
    auto it = std::find(lines.begin(), lines.end(), from);
    return it == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(it, lines.end());
}

TEST(RunControllerTest, SlotsOneSixAndCustomPlayInOrder) {
    Rig rig;
    rig.view.setChecked(ControlId::Res800, true);
    rig.view.setChecked(ControlId::ResHdw1, true);
    rig.view.setChecked(ControlId::CusResBox, true);
    rig.view.setText(ControlId::CusWidth, "1280");
    rig.view.setText(ControlId::CusHeight, "720");

    rig.controller->BenchButtonClick();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_TRUE(rig.dxrun.starts.empty()) << "the cache is filled: no diagnostic step";
    EXPECT_FALSE(rig.view.enabled(ControlId::BenchButton));
    EXPECT_TRUE(rig.view.visible(ControlId::Panel2));
    EXPECT_EQ(rig.marker(), "1");
    EXPECT_EQ(rig.view.text(ControlId::Label2), "Resolution: 800 \xD7 600...");
    EXPECT_EQ(rig.files.content(kContent + "Sam2_old.ini"), "user settings\r\n");
    ASSERT_EQ(rig.cp.starts.size(), 1u);
    EXPECT_EQ(rig.cp.starts[0].commandLine, "\"" + kRoot + "Bin\\melkrin.bat\"");
    EXPECT_EQ(rig.cp.starts[0].currentDirectory, kRoot + "Bin\\");

    rig.playGame("Average: 50.00 FPS\r\n");
    rig.playGame("Average: 40.50 FPS\r\n");
    rig.playGame("Average: 30.25 FPS\r\n");
    EXPECT_FALSE(rig.cp.running());

    const std::string tail =
        " +bmk_bBenchmarkDemos 1 +sam_demo 1 +sam_bBootSequence 0 +fullscreen 1 +width ";
    EXPECT_EQ(rig.gameRuns, (std::vector<std::string>{
        "Sam2.exe +demo \"content/serioussam2/demos/Demo_0001.dem\"" + tail + "800 +height 600 +bmk_bAutoQuit 1\r\n",
        "Sam2.exe +demo \"content/serioussam2/demos/Demo_0001.dem\"" + tail + "1280 +height 768 +bmk_bAutoQuit 1\r\n",
        "Sam2.exe +demo \"content/serioussam2/demos/Demo_0001.dem\"" + tail + "1280 +height 720 +bmk_bAutoQuit 1\r\n",
    }));

    const auto debug = rig.debugFile();
    EXPECT_EQ(after(debug, "START SS2 in 800 \xD7 600"),
              (std::vector<std::string>{
                  "START SS2 in 800 \xD7 600", "Serious Sam 2 terminated", "800\xD7" "600 successful. More to come...",
                  "Source exist", "Result: 50.00 FPS", "START SS2 in 1280 \xD7 768 HD Widescreen",
                  "Serious Sam 2 terminated",
                  "1280\xD7" "768 (HD WideScreen) successful. More to come...", "Source exist",
                  "Result: 40.50 FPS", "START SS2 1280 \xD7 720 (Custom)...", "Serious Sam 2 terminated",
                  "1280\xD7" "720 (Custom) successful", "Source exist", "Result: 30.25 FPS", "Settings restoring...",
                  "", "DEBUG FINISHED.", std::string(55, '-')}));
    EXPECT_EQ(debug.front(), std::string(50, '='));
    EXPECT_NE(std::find(debug.begin(), debug.end(), "Graphics card: Test Adapter"), debug.end());
    EXPECT_NE(std::find(debug.begin(), debug.end(), "Benchmark version: 1.2"), debug.end());

    // The report: one block per slot, opened after saving.
    ASSERT_EQ(rig.opened, (std::vector<std::string>{rig.reportPath()}));
    const auto report = splitLines(rig.files.content(rig.reportPath()));
    EXPECT_NE(std::find(report.begin(), report.end(), "<BR><B><FONT size=5>Resolution: 800\xD7" "600</FONT></B><BR>"),
              report.end());
    EXPECT_NE(std::find(report.begin(), report.end(),
                        "<BR><B><FONT size=5>Resolution: 1280 \xD7 720 (Custom)</FONT></B><BR>"),
              report.end());
    EXPECT_NE(std::find(report.begin(), report.end(), "<span class=\"style5\"><b>Score = 30.25 FPS</b></span><br>"),
              report.end());
    EXPECT_NE(std::find(report.begin(), report.end(),
                        "   <FONT size=2>The benchmark started at 30.07.2006 14:05:09</FONT><br>"),
              report.end());
    EXPECT_NE(std::find(report.begin(), report.end(),
                        "<FONT size=2><span class=\"style6\">Comment:</span> rig <b>note</b></FONT><br>"),
              report.end());
    EXPECT_EQ(std::count(report.begin(), report.end(), "<br><HR>"), 3);

    // Everything is back.
    EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    EXPECT_FALSE(rig.files.fileExists(kContent + "Sam2_old.ini"));
    EXPECT_FALSE(rig.files.fileExists(rig.game.batchFile()));
    EXPECT_FALSE(rig.files.fileExists(rig.game.logFile()));
    EXPECT_EQ(rig.marker(), "0");
    EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
    EXPECT_FALSE(rig.view.visible(ControlId::Panel2));
    EXPECT_TRUE(rig.dialogs.errors.empty());
    // 2 s after each game, 1 s before opening the report, 1 s before the end.
    EXPECT_EQ(rig.scheduler.elapsed, 3u * 2000 + 1000 + 1000);
}

TEST(RunControllerTest, RefusalsLeaveEverythingAsItWas) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> arrange;
        const char* message;
    } cases[] = {
        {"no game", [](Rig& r) { r.files.files.erase(MemoryFileSystem::norm(r.game.gameExePath)); },
         "ERROR. Please, install the retail version of Serious Sam 2."},
        {"no resolution", [](Rig&) {}, "ERROR. Please, choose a resolution of Serious Sam 2."},
        {"custom box with an empty width",
         [](Rig& r) {
             r.view.setChecked(ControlId::CusResBox, true);
             r.view.setText(ControlId::CusHeight, "720");
         },
         "ERROR. Please, choose a resolution of Serious Sam 2."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.files.addFile(rig.game.logFile(), "old log");
        c.arrange(rig);
        rig.controller->BenchButtonClick();
        EXPECT_EQ(rig.dialogs.messages, (std::vector<std::string>{c.message}));
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::Panel2));
        EXPECT_TRUE(rig.cp.starts.empty());
        EXPECT_EQ(rig.marker(), "<none>");
        EXPECT_FALSE(rig.files.fileExists(rig.game.logFile())) << "a stale log is deleted before the checks";
    }

    Rig noDemo;
    noDemo.view.setChecked(ControlId::Res640, true);
    noDemo.view.setSelection(ControlId::Demo, kNoSelection);
    noDemo.controller->BenchButtonClick();
    ASSERT_EQ(noDemo.dialogs.messages.size(), 1u);
    EXPECT_EQ(noDemo.dialogs.messages[0].rfind("ERROR. Please, ", 0), 0u);
    EXPECT_TRUE(noDemo.cp.starts.empty());
}

TEST(RunControllerTest, LastGameWithoutLogWritesNoReportButRestores) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.controller->BenchButtonClick();
    rig.playGame("Average: 99.00\r\n");
    rig.playGame("");
    EXPECT_TRUE(rig.opened.empty());
    EXPECT_FALSE(rig.files.fileExists(rig.reportPath()));
    EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    EXPECT_EQ(rig.marker(), "0");
    EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
    const auto debug = rig.debugFile();
    EXPECT_EQ(std::count(debug.begin(), debug.end(), "Source exist"), 1);
    EXPECT_EQ(debug.back(), std::string(55, '-'));
}

TEST(RunControllerTest, ALogHeldOpenIsWaitedForWithinALimit) {
    {  // Released after a few looks: the figure is read.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.controller->BenchButtonClick();
        rig.inUse.busyProbes = 4;
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.controller->run().lastResult, "75.00");
        EXPECT_EQ(rig.opened.size(), 1u);
        EXPECT_EQ(rig.marker(), "0");
    }
    {  // Never released: after the limit the log counts as missing and the run still ends.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.controller->BenchButtonClick();
        rig.inUse.always.insert(rig.game.logFile());
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_TRUE(rig.opened.empty());
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::Panel2));
        EXPECT_GE(rig.scheduler.elapsed, 2000u + RunController::kLogWaitLimitMs);
    }
}

TEST(RunControllerTest, FailuresStillGiveTheConfigurationBack) {
    {  // The results folder was removed: the error is shown after the restore.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setText(ControlId::ResEdit, "C:\\Gone\\");
        rig.controller->BenchButtonClick();
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.dialogs.errors.size(), 1u);
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::Panel2));
    }
    {  // The debug log cannot be saved mid-run.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setChecked(ControlId::Res800, true);
        rig.controller->BenchButtonClick();
        rig.files.readOnly.insert(MemoryFileSystem::norm(kProgram + "debuginfo.txt"));
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.dialogs.errors.size(), 1u);
        EXPECT_EQ(rig.cp.starts.size(), 1u) << "the run goes no further";
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
    }
    {  // The game's batch file is refused by the system.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.cp.refuseNext = true;
        rig.controller->BenchButtonClick();
        rig.scheduler.runAll();
        EXPECT_EQ(rig.dialogs.errors.size(), 1u);
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_FALSE(rig.view.visible(ControlId::Panel2));
    }
}

TEST(RunControllerTest, FirstRunCollectsDiagnosticsSecondUsesTheCache) {
    Rig rig;
    rig.keys.set(names::kSettingsKey, "Display Memory", "");
    rig.files.addFile("C:\\windows\\system32\\dxdiag.exe", "MZ");
    rig.view.setChecked(ControlId::Res640, true);
    rig.controller->BenchButtonClick();
    EXPECT_EQ(rig.view.text(ControlId::Label2), "Collecting system information...");
    ASSERT_EQ(rig.dxrun.starts.size(), 1u);
    EXPECT_TRUE(rig.cp.starts.empty());
    rig.files.addFile(kProgram + "dxinfo.txt",
                      "Display Devices\r\n  Display Memory: 512.0 MB\r\n  Driver Version: 6.14.0010\r\n"
                      "Sound Devices\r\n  Description: Test Sound\r\n");
    rig.dxrun.finish(0);
    EXPECT_EQ(rig.controller->run().diagnostics.displayMemory, " 512.0 MB");
    rig.playGame("Average: 10.00\r\n");
    EXPECT_EQ(rig.marker(), "0");

    rig.clock.text = "31.07.2006 09:00:00";
    rig.controller->BenchButtonClick();
    EXPECT_EQ(rig.dxrun.starts.size(), 1u) << "the cache is used";
    rig.playGame("Average: 11.00\r\n");
    const auto debug = rig.debugFile();
    EXPECT_EQ(std::count(debug.begin(), debug.end(), "DEBUG FINISHED."), 2) << "runs follow one another";
    EXPECT_EQ(std::count(debug.begin(), debug.end(), "Show FPS value: prf_bShowFPS = 1;"), 1);
    EXPECT_EQ(rig.opened.size(), 2u);
}

TEST(RunControllerTest, CacheWithoutDriverVersionReadsNoInformation) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.controller->BenchButtonClick();
    EXPECT_EQ(rig.controller->run().diagnostics.driverVersion, "No information");
    EXPECT_EQ(rig.controller->run().diagnostics.soundSystem, "No information");
    rig.playGame("Average: 10.00\r\n");
    const auto report = splitLines(rig.files.content(rig.reportPath()));
    EXPECT_NE(std::find(report.begin(), report.end(), "   <FONT size=2><b>Driver version:</b> No information</FONT><br>"),
              report.end());
}

}  // namespace
}  // namespace melkrin
