#include "update/transfer_sync_window_win32.h"

#include <mutex>

namespace melkrin::update {
namespace {

constexpr const char* kClassName = "TTransferSyncWindow";

struct Call {
    const std::function<void()>* routine;
    const std::atomic<bool>* cancelled;
    std::exception_ptr error;
};

std::mutex& countLock() {
    static std::mutex lock;
    return lock;
}
int referenceCount = 0;
HWND syncWindow = nullptr;

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TransferSyncWindow::kRunRoutine) {
        auto* call = reinterpret_cast<Call*>(wParam);
        if (call->cancelled->load()) return 0;
        try {
            (*call->routine)();
        } catch (...) {
            call->error = std::current_exception();
        }
        return 1;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

HWND TransferSyncWindow::acquire() {
    std::lock_guard<std::mutex> guard(countLock());
    if (referenceCount++ == 0) {
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = windowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClassName;
        RegisterClassExA(&wc);  // registered once; later calls find it
        syncWindow = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    return syncWindow;
}

void TransferSyncWindow::release() {
    std::lock_guard<std::mutex> guard(countLock());
    if (referenceCount > 0 && --referenceCount == 0) {
        DestroyWindow(syncWindow);
        syncWindow = nullptr;
    }
}

void TransferSyncWindow::run(HWND window, const std::atomic<bool>* cancelled, const std::function<void()>& routine) {
    Call call{&routine, cancelled, nullptr};
    SendMessageA(window, kRunRoutine, reinterpret_cast<WPARAM>(&call), 0);
    // call.error is dropped here on purpose.
}

bool TransferSyncWindow::waitRunningRoutines(HANDLE handle, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, static_cast<DWORD>(deadline - now),
                                                       QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        // Only sent messages: posted ones stay for the real message loop.
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace melkrin::update
