#pragma once
// Everything a benchmark run needs on Windows, owned for the main window's
// lifetime: the two process runners, the game configuration's working copy,
// the debug log, the demo preparation, the diagnostic step and the run
// controller itself.
#include <memory>
#include <string>

#include "app/main_run_view.h"
#include "common/scheduler_win32.h"
#include "gameconfig/demo_preparation.h"
#include "gameconfig/game_config_file.h"
#include "common/debug_log.h"
#include "run/in_use_win32.h"
#include "run/process_runner_win32.h"
#include "run/run_clock_win32.h"
#include "run/run_facts_win32.h"
#include "run/run_controller.h"
#include "sysinfo/diagnostics.h"

namespace melkrin {

class Dialogs;
class FileSystem;
class Shell;
class ShellFileOperation;
class MainWindow;

class RunComponents {
public:
    RunComponents(MainWindow& form, FileSystem& files, ShellFileOperation& fileOp, Dialogs& dialogs, Shell& shell);
    ~RunComponents();
    RunComponents(const RunComponents&) = delete;
    RunComponents& operator=(const RunComponents&) = delete;

    MainRunView view;
    Win32ProcessRunner cp;
    Win32ProcessRunner dxrun;
    Win32Scheduler scheduler;
    Win32RunClock clock;
    Win32RunFacts facts;
    Win32FileInUseProbe inUse;
    DebugLog debugLog;
    GameConfigFile config;
    DemoPreparation demo;
    DiagnosticCollector diagnostics;
    std::unique_ptr<RunController> controller;
};

}  // namespace melkrin
