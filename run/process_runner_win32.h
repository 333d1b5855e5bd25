#pragma once
// Win32ProcessRunner: starts one command line hidden and waits for its end on a
// background thread; the end reaches OnTerminate on the thread that created
// the runner (the user-interface thread), through a hidden window.
#include <windows.h>

#include <memory>

#include "common/process_runner.h"

namespace melkrin {

enum class StartShow { Hide, Normal };

// The window hints handed to the new process. A fresh object hands over none;
// the program's runners use the values of hiddenStart().
struct ProcessStartupInfo {
    bool defaultPosition = true;
    bool defaultSize = true;
    bool defaultWindowState = true;
    StartShow showWindow = StartShow::Normal;

    static ProcessStartupInfo hiddenStart() { return {false, false, false, StartShow::Hide}; }
    STARTUPINFOA toStartupInfo() const;
};

class Win32ProcessRunner : public ProcessRunner {
public:
    static constexpr std::uint32_t kStoppedExitCode = 0xFFFFFFFFu;

    // Must be created on the thread whose message loop delivers OnTerminate.
    Win32ProcessRunner();
    // While a process runs: its end no longer reaches this runner and the
    // waiting thread is told to stop. The child keeps running unless
    // endTreeWithRunner was set when it started.
    ~Win32ProcessRunner() override;
    Win32ProcessRunner(const Win32ProcessRunner&) = delete;
    Win32ProcessRunner& operator=(const Win32ProcessRunner&) = delete;

    // The child is created suspended and runs only once its end can be
    // waited for. When the waiting cannot be set up, the child is ended
    // before it ran and the start counts as refused (OsError, no OnTerminate):
    // nothing this runner started is ever left running unseen.
    void start() override;
    bool running() const override { return job_ != nullptr; }
    // Ends the whole tree through the job object the child was put into
    // before it ran; where no job could be had (an older Windows that
    // started this program inside a job of its own) only the child itself.
    void stop() override;

    std::string applicationName;  // empty: the program is the first word of CommandLine
    ProcessStartupInfo startupInfo = ProcessStartupInfo::hiddenStart();
    // The started tree ends with this runner: when it is destroyed, when the
    // child's own end closes the job, and when this program ends in any way
    // (killed, crashed), since the system then closes the job's last handle.
    // The game is run so; the diagnostic tool is not, it may finish on its own.
    bool endTreeWithRunner = false;
    std::uint32_t exitCode = 0;   // of the last process that ended

    struct WaitJob;

protected:
    // The waiting thread, created suspended; null with the error code set when
    // it cannot be created. Tests replace it to play that failure.
    virtual HANDLE createWaitingThread(LPTHREAD_START_ROUTINE routine, void* parameter);
    HANDLE childProcess() const { return process_; }

private:
    friend struct RunnerWindow;
    void ended(WaitJob& job);
    void endUnstartedChild();
    void closeChildHandles();

    HWND window_ = nullptr;
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    HANDLE tree_ = nullptr;  // the job object that holds the child and what it starts
    std::shared_ptr<WaitJob> job_;
};

}  // namespace melkrin
