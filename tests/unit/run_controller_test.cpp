// Whole runs through the controller: the good paths, refusals, the order of
// the steps, the quality settings and the diagnostic step.
#include <gtest/gtest.h>

#include <algorithm>

#include "unit/run_rig.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

TEST(RunControllerTest, SlotsOneSixAndCustomPlayInOrder) {
    Rig rig;
    rig.view.setChecked(ControlId::Res800, true);
    rig.view.setChecked(ControlId::ResHdw1, true);
    rig.view.setChecked(ControlId::CusResBox, true);
    rig.view.setText(ControlId::CusWidth, "1280");
    rig.view.setText(ControlId::CusHeight, "720");

    rig.startRun();
    EXPECT_TRUE(rig.dialogs.messages.empty());
    EXPECT_TRUE(rig.dxrun.starts.empty()) << "the cache is filled: no diagnostic step";
    EXPECT_FALSE(rig.view.enabled(ControlId::BenchButton));
    EXPECT_TRUE(rig.view.visible(ControlId::ProgressPanel));
    EXPECT_EQ(rig.marker(), "1");
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Resolution: 800 \xD7 600...");
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
    const auto version = std::find(debug.begin(), debug.end(), "Benchmark version: 1.2");
    ASSERT_NE(version, debug.end());
    ASSERT_NE(version + 1, debug.end());
    EXPECT_EQ(*(version + 1), "development build: trusts the test signing key")
        << "the tests' build trusts the development key and says so";

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
    EXPECT_FALSE(rig.view.visible(ControlId::ProgressPanel));
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
        rig.startRun();
        EXPECT_EQ(rig.dialogs.messages, (std::vector<std::string>{c.message}));
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::ProgressPanel));
        EXPECT_TRUE(rig.cp.starts.empty());
        EXPECT_EQ(rig.marker(), "<none>");
        EXPECT_FALSE(rig.files.fileExists(rig.game.logFile())) << "a stale log is deleted before the checks";
    }

    Rig noDemo;
    noDemo.view.setChecked(ControlId::Res640, true);
    noDemo.view.setSelection(ControlId::Demo, kNoSelection);
    noDemo.startRun();
    ASSERT_EQ(noDemo.dialogs.messages.size(), 1u);
    EXPECT_EQ(noDemo.dialogs.messages[0].rfind("ERROR. Please, ", 0), 0u);
    EXPECT_TRUE(noDemo.cp.starts.empty());
}

TEST(RunControllerTest, LastGameWithoutLogWritesNoReportButRestores) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.startRun();
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
        rig.startRun();
        rig.inUse.busyProbes = 4;
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.controller->run().lastResult, "75.00");
        EXPECT_EQ(rig.opened.size(), 1u);
        EXPECT_EQ(rig.marker(), "0");
    }
    {  // Never released: after the limit the log counts as missing and the run still ends.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.startRun();
        rig.inUse.always.insert(rig.game.logFile());
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_TRUE(rig.opened.empty());
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::ProgressPanel));
        EXPECT_GE(rig.scheduler.elapsed, 2000u + RunController::kLogWaitLimitMs);
    }
}

TEST(RunControllerTest, FirstRunCollectsDiagnosticsSecondUsesTheCache) {
    Rig rig;
    rig.keys.set(names::kSettingsKey, "Display Memory", "");
    rig.files.addFile("C:\\windows\\system32\\dxdiag.exe", "MZ");
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    EXPECT_EQ(rig.view.text(ControlId::StatusText), "Collecting system information...");
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
    rig.startRun();
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
    rig.startRun();
    EXPECT_EQ(rig.controller->run().diagnostics.driverVersion, "No information");
    EXPECT_EQ(rig.controller->run().diagnostics.soundSystem, "No information");
    rig.playGame("Average: 10.00\r\n");
    const auto report = splitLines(rig.files.content(rig.reportPath()));
    EXPECT_NE(std::find(report.begin(), report.end(), "   <FONT size=2><b>Driver version:</b> No information</FONT><br>"),
              report.end());
}

TEST(RunControllerTest, StepsOfTheStartAndTheEndHappenInTheirOrder) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    const std::string ini = kContent + "Sam2.ini", backup = kContent + "Sam2_old.ini";
    rig.startRun();
    // The marker goes up before the user's file moves, so an interruption in
    // between is always offered the restore.
    EXPECT_EQ(only(rig.journal, {"NoErrorWarning", "Sam2", "start "}),
              (std::vector<std::string>{"set NoErrorWarning=1", "move " + ini + " -> " + backup, "write " + ini,
                                        "start \"" + kRoot + "Bin\\melkrin.bat\""}));

    rig.journal.clear();
    rig.playGame("Average: 75.00 FPS\r\n");
    EXPECT_EQ(only(rig.journal, {"result_", "wait 1000", "open ", "Sam2", "NoErrorWarning", "debuginfo"}),
              (std::vector<std::string>{"write C:\\Bench\\debuginfo.txt", "write " + rig.reportPath(),
                                        "write C:\\Bench\\Benchmark\\result_30_07_2006_14_05_09.json", "wait 1000",
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
        rig.startRun();
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

}  // namespace
}  // namespace melkrin
