#include "run/process_runner_win32.h"

#include <exception>
#include <vector>

#include "common/errors.h"
#include "common/os_error_win32.h"
#include "common/text.h"
#include "common/win32/message_box_win32.h"

namespace melkrin {

// What the waiting thread and the runner share. The thread holds its own
// duplicate of the process handle, so the runner may close its handles at any
// time; runner is read and written on the user-interface thread only.
struct Win32ProcessRunner::WaitJob {
    HANDLE process = nullptr;
    HANDLE stop = nullptr;  // manual-reset: set when the runner is destroyed
    HWND window = nullptr;
    Win32ProcessRunner* runner = nullptr;  // null once detached
    DWORD exitCode = kStoppedExitCode;

    WaitJob() = default;
    WaitJob(const WaitJob&) = delete;
    WaitJob& operator=(const WaitJob&) = delete;
    ~WaitJob() {
        if (process) CloseHandle(process);
        if (stop) CloseHandle(stop);
    }
};

namespace {

constexpr const char* kWindowClass = "TProcessRunnerSyncWindow";
constexpr UINT kEndedMessage = WM_APP + 0x50;

DWORD WINAPI waitForEnd(void* parameter) {
    // Frees itself: the thread's share of the job ends with the thread.
    const std::unique_ptr<std::shared_ptr<Win32ProcessRunner::WaitJob>> hold(
        static_cast<std::shared_ptr<Win32ProcessRunner::WaitJob>*>(parameter));
    Win32ProcessRunner::WaitJob& job = **hold;

    // Returns at once for a console process such as the batch interpreter.
    WaitForInputIdle(job.process, INFINITE);
    HANDLE handles[2] = {job.stop, job.process};
    const DWORD result = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (result == WAIT_OBJECT_0 + 1) {
        DWORD code = 0;
        job.exitCode = GetExitCodeProcess(job.process, &code) ? code : Win32ProcessRunner::kStoppedExitCode;
    } else {
        // Told to stop, or the wait itself failed: no exit code to read.
        job.exitCode = Win32ProcessRunner::kStoppedExitCode;
    }
    // Synchronous: the user-interface thread runs the end before this thread goes.
    SendMessageA(job.window, kEndedMessage, 0, reinterpret_cast<LPARAM>(&job));
    return 0;
}

}  // namespace

struct RunnerWindow {
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kEndedMessage) return DefWindowProcA(window, message, wParam, lParam);
        auto& job = *reinterpret_cast<Win32ProcessRunner::WaitJob*>(lParam);
        if (job.runner) job.runner->ended(job);
        return 0;
    }

    // One hidden message-only window per thread that creates runners; it
    // lives until that thread ends, so a detached thread always finds it.
    static HWND forThisThread() {
        static thread_local HWND window = nullptr;
        if (window && IsWindow(window)) return window;
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &RunnerWindow::procedure;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = kWindowClass;
        if (!RegisterClassA(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            throwLastError("Cannot register the process runner's window class");
        window = CreateWindowExA(0, kWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
        if (!window) throwLastError("Cannot create the process runner's window");
        return window;
    }
};

STARTUPINFOA ProcessStartupInfo::toStartupInfo() const {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!defaultPosition) {
        startup.dwFlags |= STARTF_USEPOSITION;
        startup.dwX = 0;
        startup.dwY = 0;
    }
    if (!defaultSize) {
        startup.dwFlags |= STARTF_USESIZE;
        startup.dwXSize = 0;
        startup.dwYSize = 0;
    }
    if (!defaultWindowState) {
        startup.dwFlags |= STARTF_USESHOWWINDOW;
        startup.wShowWindow = showWindow == StartShow::Hide ? SW_HIDE : SW_SHOWNORMAL;
    }
    return startup;
}

Win32ProcessRunner::Win32ProcessRunner() : window_(RunnerWindow::forThisThread()) {}

Win32ProcessRunner::~Win32ProcessRunner() {
    if (job_) {
        job_->runner = nullptr;
        SetEvent(job_->stop);
        job_.reset();
    }
    closeChildHandles();
}

void Win32ProcessRunner::closeChildHandles() {
    if (process_) CloseHandle(process_);
    if (thread_) CloseHandle(thread_);
    // A job made with endTreeWithRunner ends whatever is left in it here;
    // any other job lets its processes run on (the diagnostic tool finishes
    // its report even when the window was closed meanwhile).
    if (tree_) CloseHandle(tree_);
    process_ = thread_ = tree_ = nullptr;
}

void Win32ProcessRunner::stop() {
    if (!running()) return;
    const BOOL ended = tree_ ? TerminateJobObject(tree_, kStoppedExitCode) : TerminateProcess(process_, kStoppedExitCode);
    if (!ended) throwLastError("Cannot stop \"" + commandLine + "\"");
}

HANDLE Win32ProcessRunner::createWaitingThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
    return CreateThread(nullptr, 0, routine, parameter, CREATE_SUSPENDED, nullptr);
}

void Win32ProcessRunner::endUnstartedChild() {
    // It never ran a single instruction: nothing of it can outlive this.
    TerminateProcess(process_, kStoppedExitCode);
    WaitForSingleObject(process_, 5000);
    closeChildHandles();
}

void Win32ProcessRunner::start() {
    if (running()) throw MelkrinError("Cannot perform this operation when process is running");

    STARTUPINFOA startup = startupInfo.toStartupInfo();
    PROCESS_INFORMATION info{};
    // CreateProcessA may write into the command line while it parses it.
    std::vector<char> commandText(commandLine.begin(), commandLine.end());
    commandText.push_back('\0');
    const std::string folder = trim(currentDirectory);
    // No console of its own: a batch file or console tool must not flash a window up.
    // Suspended until its end can be waited for.
    if (!CreateProcessA(applicationName.empty() ? nullptr : applicationName.c_str(), commandText.data(), nullptr,
                        nullptr, FALSE, NORMAL_PRIORITY_CLASS | CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        throwLastError("Cannot run \"" + commandLine + "\"");
    process_ = info.hProcess;
    thread_ = info.hThread;
    // Put into a job before it runs a single instruction, so that everything
    // it starts (the game behind the batch interpreter) can be ended with it.
    // Without a job (Windows 7 refuses a second one for a program already in
    // a job) the run goes on; Stop then reaches the child alone.
    tree_ = CreateJobObjectA(nullptr, nullptr);
    if (tree_ && endTreeWithRunner) {
        // Without a breakaway flag no process of the tree can leave the job,
        // so nothing it starts outlives this program either.
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        // Refused, the job still lets Stop reach the whole tree.
        SetInformationJobObject(tree_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    }
    if (tree_ && !AssignProcessToJobObject(tree_, process_)) {
        CloseHandle(tree_);
        tree_ = nullptr;
    }

    auto job = std::make_shared<WaitJob>();
    job->window = window_;
    job->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE waiter = nullptr;
    auto* share = new std::shared_ptr<WaitJob>(job);
    if (job->stop && DuplicateHandle(GetCurrentProcess(), process_, GetCurrentProcess(), &job->process, 0, FALSE,
                                     DUPLICATE_SAME_ACCESS))
        waiter = createWaitingThread(waitForEnd, share);
    if (!waiter) {
        const DWORD code = GetLastError();
        delete share;
        endUnstartedChild();
        throwOsError(code, "Cannot wait for \"" + commandLine + "\"");
    }
    SetThreadPriority(waiter, THREAD_PRIORITY_BELOW_NORMAL);
    if (ResumeThread(thread_) == static_cast<DWORD>(-1)) {
        const DWORD code = GetLastError();
        endUnstartedChild();
        // The waiting thread sees the end at once and, detached, reports nothing.
        ResumeThread(waiter);
        CloseHandle(waiter);
        throwOsError(code, "Cannot run \"" + commandLine + "\"");
    }
    job->runner = this;
    job_ = std::move(job);
    ResumeThread(waiter);
    CloseHandle(waiter);
}

void Win32ProcessRunner::ended(WaitJob& job) {
    // Idle again before the handler runs, so that it may start this runner anew.
    const std::shared_ptr<WaitJob> keep = std::move(job_);
    job.runner = nullptr;
    exitCode = job.exitCode;
    closeChildHandles();
    if (!onTerminate) return;
    try {
        onTerminate(*this, exitCode);
    } catch (const std::exception& error) {
        // Handlers show their own errors; nothing may unwind through the window procedure.
        showMessageBox(nullptr, error.what(), "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    } catch (...) {
        showMessageBox(nullptr, "Unknown error", "Error", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    }
}

}  // namespace melkrin
