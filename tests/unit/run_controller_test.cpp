// Whole runs against doubles: the controller, the game configuration, the
// demo preparation, the diagnostic step and the debug log are the real ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <set>

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
#include "common/errors.h"
#include "gameconfig/config_templates.h"

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
    std::vector<std::string> journal;   // every effect on files, keys, processes and time, in order
    bool failSystemInfo = false;
    std::unique_ptr<RunController> controller;

    Rig() {
        keys.journal = &journal;
        files.journal = &journal;
        fileOp.journal = &journal;
        cp.journal = &journal;
        scheduler.journal = &journal;
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
                        [this](const Diagnostics& d) {
                            if (failSystemInfo) throw MelkrinError("The machine could not be described.");
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
                        inUse,
                        [this](const std::string& path) {
                            opened.push_back(path);
                            journal.push_back("open " + path);
                        },
                        clock, scheduler,
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
    void playGame(const std::string& log, std::uint32_t exitCode = 0) {
        ASSERT_TRUE(cp.running());
        gameRuns.push_back(files.content(game.batchFile()));
        if (!log.empty()) files.addFile(game.logFile(), log);
        cp.finish(exitCode);
        scheduler.runAll();
    }
    // What every run leaves, however it ended.
    void expectEndedCleanly() {
        EXPECT_EQ(controller->state(), RunState::rsIdle);
        EXPECT_FALSE(view.visible(ControlId::Panel2));
        EXPECT_TRUE(view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(cp.running());
        const auto debug = debugFile();
        ASSERT_GE(debug.size(), 2u);
        EXPECT_EQ(debug.back(), std::string(55, '-'));
        EXPECT_EQ(debug[debug.size() - 2], "DEBUG FINISHED.");
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
        {"no results folder",
         [](Rig& r) {
             r.view.setChecked(ControlId::Res640, true);
             r.view.setText(ControlId::ResEdit, " ");
         },
         "ERROR. Please, choose a folder for the results."},
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
        EXPECT_EQ(rig.dialogs.errors.size(), 1u) << "the same failing save at the end is not shown again";
        EXPECT_EQ(rig.cp.starts.size(), 1u) << "the run goes no further";
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_EQ(rig.controller->state(), RunState::rsIdle);
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

std::vector<std::string> only(const std::vector<std::string>& journal, std::initializer_list<const char*> parts) {
    std::vector<std::string> kept;
    for (const auto& entry : journal)
        for (const char* part : parts)
            if (entry.find(part) != std::string::npos) {
                kept.push_back(entry);
                break;
            }
    return kept;
}

TEST(RunControllerTest, StepsOfTheStartAndTheEndHappenInTheirOrder) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    const std::string ini = kContent + "Sam2.ini", backup = kContent + "Sam2_old.ini";
    rig.controller->BenchButtonClick();
    // The marker goes up before the user's file moves, so an interruption in
    // between is always offered the restore.
    EXPECT_EQ(only(rig.journal, {"NoErrorWarning", "Sam2", "start "}),
              (std::vector<std::string>{"set NoErrorWarning=1", "move " + ini + " -> " + backup, "write " + ini,
                                        "start \"" + kRoot + "Bin\\melkrin.bat\""}));

    rig.journal.clear();
    rig.playGame("Average: 75.00 FPS\r\n");
    EXPECT_EQ(only(rig.journal, {"result_", "wait 1000", "open ", "Sam2", "NoErrorWarning", "debuginfo"}),
              (std::vector<std::string>{"write C:\\Bench\\debuginfo.txt", "write " + rig.reportPath(), "wait 1000",
                                        "open " + rig.reportPath(), "move " + backup + " -> " + ini, "wait 1000",
                                        "set NoErrorWarning=0", "write C:\\Bench\\debuginfo.txt"}));
}

TEST(RunControllerTest, QualityControlsBecomeTheirLinesAndLabels) {
    struct Case {
        int aa, af;
        bool hdr;
        int renderer;  // the list's item: 0 OpenGL, 1 Direct3D
        std::vector<std::string> lines;  // lines 29, 40, 50, 51 of "Sam2.ini"
        QualityLabels labels;
    } cases[] = {
        {0, 0, true, 0,
         {"gfx_iAPI = 1;", "tex_iAnisotropy = 1;", "gfx_iAntiAliasing = 0;", "gfx_bHDRRendering = 1;"},
         {"Renderer: OpenGL", "Quality: Maximum", "Antialiasing: None", "Anisotrophic filtering: None",
          "HDR rendering: Enabled"}},
        {3, 4, false, 1,
         {"gfx_iAPI = 2;", "tex_iAnisotropy = 16;", "gfx_iAntiAliasing = 3;", "gfx_bHDRRendering = 0;"},
         {"Renderer: Direct3D", "Quality: Maximum", "Antialiasing: High", "Anisotrophic filtering: 16\xD7",
          "HDR rendering: Disabled"}},
        {1, 2, true, 1,
         {"gfx_iAPI = 2;", "tex_iAnisotropy = 4;", "gfx_iAntiAliasing = 1;", "gfx_bHDRRendering = 1;"},
         {"Renderer: Direct3D", "Quality: Maximum", "Antialiasing: Low", "Anisotrophic filtering: 4\xD7",
          "HDR rendering: Enabled"}},
        {2, 1, false, 0,
         {"gfx_iAPI = 1;", "tex_iAnisotropy = 2;", "gfx_iAntiAliasing = 2;", "gfx_bHDRRendering = 0;"},
         {"Renderer: OpenGL", "Quality: Maximum", "Antialiasing: Medium", "Anisotrophic filtering: 2\xD7",
          "HDR rendering: Disabled"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.labels.rendererLabel + ", " + c.labels.aaLabel + ", " + c.labels.afLabel);
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setSelection(ControlId::AABox, c.aa);
        rig.view.setSelection(ControlId::AFBox, c.af);
        rig.view.setChecked(ControlId::HDRBox, c.hdr);
        rig.view.setSelection(ControlId::RendererBox, c.renderer);
        rig.controller->BenchButtonClick();
        const auto ini = splitLines(rig.files.content(kContent + "Sam2.ini"));
        ASSERT_EQ(ini.size(), 310u);
        EXPECT_EQ((std::vector<std::string>{ini[28], ini[39], ini[49], ini[50]}), c.lines);
        const QualityLabels& labels = rig.controller->labels();
        EXPECT_EQ((std::vector<std::string>{labels.rendererLabel, labels.qualityLabel, labels.aaLabel, labels.afLabel,
                                            labels.hdrLabel}),
                  (std::vector<std::string>{c.labels.rendererLabel, c.labels.qualityLabel, c.labels.aaLabel,
                                            c.labels.afLabel, c.labels.hdrLabel}));
        rig.playGame("Average: 20.00\r\n");
        const auto report = splitLines(rig.files.content(rig.reportPath()));
        EXPECT_NE(std::find(report.begin(), report.end(), c.labels.rendererLabel + "<br>"), report.end());
    }
}

TEST(RunControllerTest, TheDiagnosticToolsEndCannotStopTheRun) {
    struct Case {
        const char* what;
        std::set<std::string> failingWrites;
        bool runGoesOn;
    } cases[] = {
        // The settings key was opened read-only: nothing can be cached.
        {"the cache cannot be written", {"Display Memory", "Driver Version", "Sound"}, true},
        // The continuation fails: the run ends as after any other failure.
        {"the run marker cannot be written", {"NoErrorWarning"}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.keys.set(names::kSettingsKey, "Display Memory", "");
        rig.files.addFile("C:\\windows\\system32\\dxdiag.exe", "MZ");
        rig.view.setChecked(ControlId::Res640, true);
        rig.controller->BenchButtonClick();
        ASSERT_EQ(rig.controller->state(), RunState::rsDiagnostics);
        rig.files.addFile(kProgram + "dxinfo.txt",
                          "Display Devices\r\n  Display Memory: 512.0 MB\r\n  Driver Version: 6.14\r\n"
                          "  Description: Test Sound\r\n");
        rig.keys.failingWrites = c.failingWrites;
        rig.dxrun.finish(0);
        rig.scheduler.runAll();
        EXPECT_FALSE(rig.files.fileExists(kProgram + "dxinfo.txt")) << "the report is always deleted";
        EXPECT_EQ(rig.controller->run().diagnostics.displayMemory, " 512.0 MB");
        if (c.runGoesOn) {
            EXPECT_TRUE(rig.dialogs.errors.empty());
            EXPECT_EQ(rig.keys.get(names::kSettingsKey, "Display Memory").value_or(""), "");
            rig.playGame("Average: 33.00\r\n");
            EXPECT_EQ(rig.opened.size(), 1u);
            EXPECT_EQ(rig.marker(), "0");
        } else {
            ASSERT_EQ(rig.dialogs.errors.size(), 1u);
            EXPECT_NE(rig.dialogs.errors[0].find("NoErrorWarning"), std::string::npos) << rig.dialogs.errors[0];
            EXPECT_TRUE(rig.cp.starts.empty());
            EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        }
        rig.expectEndedCleanly();
    }
}

TEST(RunControllerTest, ARefusedDiagnosticToolLeavesTheValuesIndeterminable) {
    Rig rig;
    rig.keys.set(names::kSettingsKey, "Display Memory", "");
    rig.files.addFile("C:\\windows\\system32\\dxdiag.exe", "MZ");
    rig.dxrun.refuseNext = true;
    rig.view.setChecked(ControlId::Res640, true);
    rig.controller->BenchButtonClick();
    EXPECT_EQ(rig.controller->run().diagnostics.displayMemory, "indeterminable");
    EXPECT_EQ(rig.controller->run().diagnostics.soundSystem, "indeterminable");
    rig.playGame("Average: 33.00\r\n");
    EXPECT_TRUE(rig.dialogs.errors.empty());
    EXPECT_EQ(rig.keys.get(names::kSettingsKey, "Display Memory").value_or(""), "") << "nothing is cached";
    EXPECT_EQ(rig.marker(), "0");
    rig.expectEndedCleanly();
}

TEST(RunControllerTest, ARestoreThatFailsAtTheEndIsTriedOnceAndShownOnce) {
    for (const bool reportFails : {false, true}) {
        SCOPED_TRACE(reportFails ? "and the report cannot be saved" : "alone");
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        if (reportFails) rig.view.setText(ControlId::ResEdit, "C:\\Gone\\");
        rig.controller->BenchButtonClick();
        // The benchmark file cannot be replaced: the backup cannot move back.
        rig.files.readOnly.insert(MemoryFileSystem::norm(kContent + "Sam2.ini"));
        rig.playGame("Average: 75.00 FPS\r\n");

        EXPECT_EQ(std::count_if(rig.fileOp.log.begin(), rig.fileOp.log.end(),
                                [](const std::string& op) { return op.find("Sam2_old.ini -> ") != std::string::npos; }),
                  1);
        ASSERT_EQ(rig.dialogs.errors.size(), 1u);
        const std::string& shown = rig.dialogs.errors[0];
        const auto count = [&](const std::string& part) {
            std::size_t n = 0;
            for (auto at = shown.find(part); at != std::string::npos; at = shown.find(part, at + 1)) ++n;
            return n;
        };
        EXPECT_EQ(count("could not be restored"), 1u) << shown;
        EXPECT_EQ(count("C:\\Gone\\"), reportFails ? 1u : 0u) << shown;
        const auto debug = rig.debugFile();
        EXPECT_EQ(std::count(debug.begin(), debug.end(), "Settings restoring..."), 1);
        // The user's file waits in the backup; the start-up offers it back.
        EXPECT_EQ(rig.files.content(kContent + "Sam2_old.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "1");
        rig.expectEndedCleanly();
    }
}

TEST(RunControllerTest, TheEndPutsBackWhatThisRunChanged) {
    const std::string ini = kContent + "Sam2.ini", backup = kContent + "Sam2_old.ini";
    ConfigLines interrupted = benchmarkTemplate();
    interrupted[28] = "gfx_iAPI = 1;";
    const std::string interruptedFile = toCrLfFile(interrupted);
    struct Case {
        const char* what;
        std::function<void(Rig&)> arrange;  // before the button
        bool fails;                         // the run stops on the way
        std::string iniAfter, backupAfter;  // empty: no such file
        std::string marker;
    } cases[] = {
        {"declined recovery, failure before the backup",
         [&](Rig& r) {
             r.files.addFile(backup, "user settings\r\n");
             r.files.addFile(ini, interruptedFile);
             r.keys.set(names::kSettingsKey, "NoErrorWarning", "1");
             r.failSystemInfo = true;
         },
         true, interruptedFile, "user settings\r\n", "1"},
        {"no Sam2.ini at the start, failure after the benchmark file",
         [&](Rig& r) {
             r.files.files.erase(MemoryFileSystem::norm(ini));
             r.cp.refuseNext = true;
         },
         true, toCrLfFile(defaultTemplate()), "", "0"},
        {"declined recovery, the benchmark file still in place",
         [&](Rig& r) {
             r.files.addFile(backup, "user settings\r\n");
             r.files.addFile(ini, interruptedFile);
             r.keys.set(names::kSettingsKey, "NoErrorWarning", "1");
         },
         false, "user settings\r\n", "", "0"},
        {"declined recovery, then a Sam2.ini of the user's own",
         [&](Rig& r) {
             r.files.addFile(backup, "old user settings\r\n");
             r.files.addFile(ini, "made since\r\n");
             r.keys.set(names::kSettingsKey, "NoErrorWarning", "1");
         },
         false, "made since\r\n", "", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        c.arrange(rig);
        rig.controller->BenchButtonClick();
        if (!c.fails) rig.playGame("Average: 40.00\r\n");
        rig.scheduler.runAll();
        EXPECT_EQ(rig.dialogs.errors.size(), c.fails ? 1u : 0u);
        EXPECT_EQ(rig.files.content(ini), c.iniAfter);
        EXPECT_EQ(rig.files.fileExists(backup), !c.backupAfter.empty());
        EXPECT_EQ(rig.files.content(backup), c.backupAfter);
        EXPECT_EQ(rig.marker(), c.marker);
        rig.expectEndedCleanly();
    }
}

TEST(RunControllerTest, ARunThatStopsEarlyLeavesItsStoryInTheDebugLog) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.cp.refuseNext = true;
    rig.controller->BenchButtonClick();
    rig.scheduler.runAll();
    ASSERT_EQ(rig.dialogs.errors.size(), 1u);
    EXPECT_EQ(after(rig.debugFile(), "START SS2 in 640 \xD7 480"),
              (std::vector<std::string>{"START SS2 in 640 \xD7 480", "ERROR: " + rig.dialogs.errors[0],
                                        "Settings restoring...", "", "DEBUG FINISHED.", std::string(55, '-')}));
    EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    EXPECT_EQ(rig.marker(), "0");
    rig.expectEndedCleanly();
}

TEST(RunControllerTest, ARefusedStartOnALaterSlotEndsTheRun) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.controller->BenchButtonClick();
    rig.cp.refuseNext = true;
    rig.playGame("Average: 60.00\r\n");
    EXPECT_EQ(rig.cp.starts.size(), 1u);
    ASSERT_EQ(rig.dialogs.errors.size(), 1u);
    EXPECT_TRUE(rig.opened.empty()) << "no report for a run that did not finish";
    EXPECT_FALSE(rig.files.fileExists(rig.game.batchFile()) && rig.cp.running());
    EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    EXPECT_EQ(rig.marker(), "0");
    rig.expectEndedCleanly();
    // A late end of a game changes nothing, and the next run starts afresh.
    rig.controller->cpTerminate(rig.cp, 0);
    EXPECT_EQ(rig.dialogs.errors.size(), 1u);
    rig.controller->BenchButtonClick();
    EXPECT_EQ(rig.controller->state(), RunState::rsPlaying);
}

TEST(RunControllerTest, TheGamesExitCodeChangesNothing) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.controller->BenchButtonClick();
    rig.playGame("Average: 60.00\r\n", 1);
    rig.playGame("Average: 50.00\r\n", 0xC0000005u);
    EXPECT_TRUE(rig.dialogs.errors.empty());
    EXPECT_EQ(rig.cp.starts.size(), 2u);
    EXPECT_EQ(rig.opened.size(), 1u);
    EXPECT_EQ(rig.marker(), "0");
    rig.expectEndedCleanly();
}

TEST(RunControllerTest, FormCloseDeletesTheBatchFile) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.controller->BenchButtonClick();
    ASSERT_TRUE(rig.files.fileExists(rig.game.batchFile()));
    rig.controller->FormClose();
    EXPECT_FALSE(rig.files.fileExists(rig.game.batchFile()));
    EXPECT_TRUE(rig.cp.running()) << "a running game is not stopped";

    Rig idle;  // one left by an earlier program run
    idle.files.addFile(idle.game.batchFile(), "x");
    idle.controller->FormClose();
    EXPECT_FALSE(idle.files.fileExists(idle.game.batchFile()));
    idle.controller->FormClose();  // none there: nothing happens
    EXPECT_TRUE(idle.dialogs.errors.empty());
}

}  // namespace
}  // namespace melkrin
