#pragma once
// A whole run against doubles: the controller, the window's run view, the
// game configuration, the demo preparation, the diagnostic step and the debug
// log are the real ones. Every effect on files, keys, processes and time is
// also written, in order, into one journal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/main_run_view.h"
#include "state_view.h"
#include "common/errors.h"
#include "common/text.h"
#include "fake_platform.h"
#include "fake_process_runner.h"
#include "fake_run_platform.h"
#include "gameconfig/config_templates.h"
#include "gameconfig/demo_preparation.h"
#include "gameconfig/game_config_file.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "common/debug_log.h"
#include "run/run_controller.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin::testing {

inline const std::string kRoot = "C:\\Games\\Serious Sam 2\\";
inline const std::string kContent = kRoot + "Content\\SeriousSam2\\";
inline const std::string kProgram = "C:\\Bench\\";

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
    FakeRunFacts facts;
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
        files.addFile(kProgram + "melkrin.exe", "MZ melkrin");
        facts.versions[game.gameExePath] = "2.0.0.1";
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
                        },
                        nullptr, &facts},
            game, kProgram, "www.quorvane.example");
    }

    // The run button: the run takes the window's options as they are now.
    RunRequest request() { return windowRunRequest(view, settings); }
    void startRun() { controller->start(request()); }

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
        EXPECT_EQ(controller->state(), RunState::Idle);
        EXPECT_FALSE(view.visible(ControlId::ProgressPanel));
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

inline std::vector<std::string> after(const std::vector<std::string>& lines, const std::string& from) {
    auto it = std::find(lines.begin(), lines.end(), from);
    return it == lines.end() ? std::vector<std::string>{} : std::vector<std::string>(it, lines.end());
}


// The journal entries that contain one of parts, in order.
inline std::vector<std::string> only(const std::vector<std::string>& journal, std::initializer_list<const char*> parts) {
    std::vector<std::string> kept;
    for (const auto& entry : journal)
        for (const char* part : parts)
            if (entry.find(part) != std::string::npos) {
                kept.push_back(entry);
                break;
            }
    return kept;
}


}  // namespace melkrin::testing
