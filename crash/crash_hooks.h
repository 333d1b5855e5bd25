#pragma once
// The process-wide seam between the parts of the program and the crash
// handler: what a crash must do first, and what the report names. Set on the
// user-interface thread, read only by the crash handler.
#include <functional>
#include <string>

#include "crash/crash_report.h"

namespace melkrin::crash {

// How a crashed melkrin.exe ends: the "/run" exit code "crashed".
inline constexpr unsigned kCrashedExitCode = 5;

// While a benchmark run may have changed the game's configuration, the run
// registers how to put it back; it clears the hook when it is gone. The hook
// must not throw and must not show anything.
void setConfigRestore(std::function<ConfigOutcome()> restore);
void clearConfigRestore();
// Runs the registered hook once; NoRun when none is registered.
ConfigOutcome runConfigRestore();

// What the crash left behind, for whoever keeps the record of the run (the
// debug log, a scripted run's JSON file). Called once after the report's files
// are written and before anything is shown; it must not throw.
struct CrashRecord {
    std::string reportPath;  // the text report, or empty when none could be written
    std::string exception;   // the failure in words
};
void setCrashRecord(std::function<void(const CrashRecord&)> record);
void runCrashRecord(const CrashRecord& record);

// "Programversion" as start-up found it.
void setProgramVersion(const std::string& version);
const std::string& programVersion();

// ProgramFolder + "debuginfo.txt".
void setDebugLogPath(const std::string& path);
const std::string& debugLogPath();

}  // namespace melkrin::crash
