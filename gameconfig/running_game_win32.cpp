#include "gameconfig/running_game_win32.h"

#include <tlhelp32.h>

#include <atomic>
#include <memory>
#include <vector>

#include "common/win32/message_box_win32.h"

namespace melkrin {
namespace {

// The same file however it was named: long form, one case, no "\\?\".
std::string comparable(const std::string& path) {
    std::string text = path.rfind("\\\\?\\", 0) == 0 ? path.substr(4) : path;
    char full[MAX_PATH * 2] = "";
    const DWORD length = GetFullPathNameA(text.c_str(), sizeof full, full, nullptr);
    if (length > 0 && length < sizeof full) text = full;
    char longer[MAX_PATH * 2] = "";
    const DWORD longLength = GetLongPathNameA(text.c_str(), longer, sizeof longer);
    if (longLength > 0 && longLength < sizeof longer) text = longer;
    CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Handles (waitable) of every process whose image is gameExePath.
std::vector<HANDLE> gameProcesses(const std::string& gameExePath) {
    std::vector<HANDLE> found;
    const std::string wanted = comparable(gameExePath);
    const std::string name = fileNameOf(gameExePath);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        // The name first: only the few processes called so are opened.
        if (lstrcmpiA(entry.szExeFile, name.c_str()) != 0 || entry.th32ProcessID == GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID);
        if (!process) continue;
        char image[MAX_PATH * 2] = "";
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(process, 0, image, &size) && comparable(image) == wanted &&
            found.size() < MAXIMUM_WAIT_OBJECTS - 1)
            found.push_back(process);
        else
            CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

// What the waiting thread and the box share; the thread keeps its own share.
struct Watch {
    std::vector<HANDLE> processes;
    HANDLE stop = nullptr;  // set when the user cancelled
    DWORD timeoutMs = 0;
    std::atomic<bool> done{false};
    std::atomic<bool> ended{false};
    std::atomic<HWND> box{nullptr};

    ~Watch() {
        for (HANDLE process : processes) CloseHandle(process);
        if (stop) CloseHandle(stop);
    }
};

// The box of this thread, for the hook (one wait at a time on this thread).
thread_local std::shared_ptr<Watch> shown;
thread_local HHOOK hook = nullptr;

void closeBox(HWND box) { PostMessageA(box, WM_COMMAND, IDOK, 0); }

// Learns the box's window as it becomes active, and names its one button.
LRESULT CALLBACK boxHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && shown && !shown->box.load()) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = "";
        GetClassNameA(box, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) {
            SetDlgItemTextA(box, IDOK, "Cancel");
            shown->box.store(box);
            // The game may have ended before the box came up.
            if (shown->done.load()) closeBox(box);
        }
    }
    return CallNextHookEx(hook, code, wParam, lParam);
}

DWORD WINAPI waitForGame(void* parameter) {
    const std::unique_ptr<std::shared_ptr<Watch>> hold(static_cast<std::shared_ptr<Watch>*>(parameter));
    Watch& watch = **hold;
    const DWORD start = GetTickCount();
    bool ended = true;
    for (HANDLE process : watch.processes) {
        const DWORD spent = GetTickCount() - start;
        const DWORD left = spent >= watch.timeoutMs ? 0 : watch.timeoutMs - spent;
        HANDLE handles[2] = {watch.stop, process};
        if (WaitForMultipleObjects(2, handles, FALSE, left) != WAIT_OBJECT_0 + 1) {
            ended = false;
            break;
        }
    }
    watch.ended.store(ended);
    watch.done.store(true);
    if (HWND box = watch.box.load()) closeBox(box);
    return 0;
}

}  // namespace

GameWait Win32RunningGame::waitUntilEnded(const std::string& gameExePath, const std::string& notice,
                                          unsigned timeoutMs) {
    auto watch = std::make_shared<Watch>();
    watch->processes = gameProcesses(gameExePath);
    if (watch->processes.empty()) return GameWait::NotRunning;
    watch->timeoutMs = timeoutMs;
    watch->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!watch->stop) return GameWait::TimedOut;

    auto* share = new std::shared_ptr<Watch>(watch);
    HANDLE thread = CreateThread(nullptr, 0, waitForGame, share, 0, nullptr);
    if (!thread) {
        delete share;
        // Nothing to wait with: the game is taken to still run.
        return GameWait::TimedOut;
    }
    if (unattended()) {
        // Nobody to press Cancel: the wait alone, the window kept answering.
        while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
    } else {
        shown = watch;
        hook = SetWindowsHookExA(WH_CBT, boxHook, nullptr, GetCurrentThreadId());
        showMessageBox(owner_, notice, "Melkrin", MB_OK | MB_ICONINFORMATION | MB_TASKMODAL | MB_SETFOREGROUND);
        if (hook) UnhookWindowsHookEx(hook);
        hook = nullptr;
        shown.reset();
        // Closed by the user before the wait was over: that is the Cancel.
        if (!watch->done.load()) SetEvent(watch->stop);
        WaitForSingleObject(thread, INFINITE);
    }
    CloseHandle(thread);
    if (watch->ended.load()) return GameWait::Ended;
    return unattended() || WaitForSingleObject(watch->stop, 0) != WAIT_OBJECT_0 ? GameWait::TimedOut
                                                                                 : GameWait::Cancelled;
}

}  // namespace melkrin
