// Every way a run can fail ends it the same way: the panel hidden, the
// button enabled, what this run changed put back, the marker cleared, the
// debug log saved and each error shown once.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "unit/run_rig.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

TEST(RunControllerTest, FailuresStillGiveTheConfigurationBack) {
    {  // The results folder was removed: the error is shown after the restore.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setText(ControlId::ResEdit, "C:\\Gone\\");
        rig.startRun();
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.dialogs.errors.size(), 1u);
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_FALSE(rig.view.visible(ControlId::ProgressPanel));
    }
    {  // The debug log cannot be saved mid-run.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setChecked(ControlId::Res800, true);
        rig.startRun();
        rig.files.readOnly.insert(MemoryFileSystem::norm(kProgram + "debuginfo.txt"));
        rig.playGame("Average: 75.00 FPS\r\n");
        EXPECT_EQ(rig.dialogs.errors.size(), 1u) << "the same failing save at the end is not shown again";
        EXPECT_EQ(rig.cp.starts.size(), 1u) << "the run goes no further";
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_TRUE(rig.view.enabled(ControlId::BenchButton));
        EXPECT_EQ(rig.controller->state(), RunState::Idle);
    }
    {  // The game's batch file is refused by the system.
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.cp.refuseNext = true;
        rig.startRun();
        rig.scheduler.runAll();
        EXPECT_EQ(rig.dialogs.errors.size(), 1u);
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        EXPECT_FALSE(rig.view.visible(ControlId::ProgressPanel));
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
        rig.startRun();
        ASSERT_EQ(rig.controller->state(), RunState::Diagnostics);
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
    rig.startRun();
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
        rig.startRun();
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
        rig.startRun();
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
    rig.startRun();
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
    rig.startRun();
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
    rig.startRun();
    EXPECT_EQ(rig.controller->state(), RunState::Playing);
}

TEST(RunControllerTest, TheGamesExitCodeChangesNothing) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.view.setChecked(ControlId::Res800, true);
    rig.startRun();
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
    rig.startRun();
    ASSERT_TRUE(rig.files.fileExists(rig.game.batchFile()));
    rig.controller->onCloseRequested();
    EXPECT_FALSE(rig.files.fileExists(rig.game.batchFile()));
    EXPECT_TRUE(rig.cp.running()) << "a running game is not stopped";

    Rig idle;  // one left by an earlier program run
    idle.files.addFile(idle.game.batchFile(), "x");
    idle.controller->onCloseRequested();
    EXPECT_FALSE(idle.files.fileExists(idle.game.batchFile()));
    idle.controller->onCloseRequested();  // none there: nothing happens
    EXPECT_TRUE(idle.dialogs.errors.empty());
}

}  // namespace
}  // namespace melkrin
