#pragma once
// Crash reporting on Windows: an error that nothing else catches (a
// structured exception such as an access violation, a C++ exception that
// leaves its handler, a pure virtual call, a bad CRT argument) puts the
// game's configuration back when a run was under way, writes a minidump and a
// short text report into a folder the user can write to, notes where the
// report is (crash_hooks.h), and tells the user in one dialog where they are
// and what to send; unattended ("/run /quiet") the dialog's text goes to the
// console and nothing waits. Then the process ends with kCrashedExitCode.
#include <windows.h>

#include <string>

#include "crash/crash_report.h"

namespace melkrin::crash {

// Installs the handlers for the whole process. makerAddress is named in the
// dialog; buildVersion is the version the program file was built as.
void installCrashHandler(const std::string& makerAddress, const std::string& buildVersion);

// True once a crash is being reported: the process ends through the handler
// (exit code kCrashedExitCode), so no other thread may end it meanwhile.
bool crashing();

// "<local application data>\Quorvane\Melkrin\Crash reports\", created when
// missing, or the same below the temporary folder when that fails. Ends in a
// backslash; empty when neither can be created.
std::string crashFolder();

struct WrittenReport {
    std::string folder;
    std::string reportFile;  // file names inside folder
    std::string dumpFile;    // empty when the minidump could not be written
    std::string error;       // why the report could not be written, else empty
    std::string exception;   // the exception in words
};

// Writes the two files for one crash into folder. exception may come from
// another thread (threadId names it). Used by the handler and by tests.
WrittenReport writeCrashReport(EXCEPTION_POINTERS* exception, DWORD threadId, const std::string& folder,
                               ConfigOutcome config, const std::string& buildVersion);

}  // namespace melkrin::crash
