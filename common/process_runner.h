#pragma once
// Runs one command line hidden and reports its end, with the exit code, on the
// user-interface thread. The Win32 runner is Win32ProcessRunner
// (run/process_runner_win32.h); tests use a double.
#include <cstdint>
#include <functional>
#include <string>

namespace melkrin {

class ProcessRunner {
public:
    using TerminateEvent = std::function<void(ProcessRunner& sender, std::uint32_t exitCode)>;

    virtual ~ProcessRunner() = default;

    // Requires the idle state ("Cannot perform this operation when process is
    // running" otherwise). A refused start raises OsError and stays idle.
    // Returns at once; OnTerminate follows on the user-interface thread, after
    // the runner is idle again, so the handler may Start it anew.
    virtual void start() = 0;
    virtual bool running() const = 0;
    // Ends the started process and every process it started in turn (the
    // batch interpreter and the game). The end still arrives through
    // OnTerminate, so whoever waits for it learns of it the usual way.
    // Does nothing while idle; a failure raises OsError.
    virtual void stop() = 0;

    std::string commandLine;
    std::string currentDirectory;  // trimmed at start; empty: the caller's own
    TerminateEvent onTerminate;
};

}  // namespace melkrin
