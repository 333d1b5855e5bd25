#include "common/scheduler_win32.h"

#include <utility>

#include "common/os_error_win32.h"

namespace melkrin {
namespace {
constexpr const char* kClassName = "MelkrinSchedulerWindow";
}

Win32Scheduler::Win32Scheduler() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Win32Scheduler::windowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);  // a second scheduler finds the class registered
    window_ = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, this);
    if (!window_) throwLastError("Cannot create the timer window");
}

Win32Scheduler::~Win32Scheduler() {
    for (const auto& task : tasks_) KillTimer(window_, task.first);
    DestroyWindow(window_);
}

void Win32Scheduler::after(unsigned milliseconds, std::function<void()> task) {
    (void)schedule(milliseconds, std::move(task));
}

Scheduler::Ticket Win32Scheduler::schedule(unsigned milliseconds, std::function<void()> task) {
    const UINT_PTR id = nextId_++;
    tasks_[id] = std::move(task);
    if (!SetTimer(window_, id, milliseconds ? milliseconds : 1, nullptr)) {
        tasks_.erase(id);
        throwLastError("Cannot start a timer");
    }
    return static_cast<Ticket>(id);
}

void Win32Scheduler::cancel(Ticket ticket) {
    const auto it = tasks_.find(static_cast<UINT_PTR>(ticket));
    if (it == tasks_.end()) return;
    KillTimer(window_, it->first);
    tasks_.erase(it);
}

void Win32Scheduler::fire(UINT_PTR id) {
    KillTimer(window_, id);
    const auto it = tasks_.find(id);
    if (it == tasks_.end()) return;
    std::function<void()> task = std::move(it->second);
    tasks_.erase(it);
    try {
        task();
    } catch (...) {
        // Tasks show their own errors; nothing may unwind through the window procedure.
    }
}

LRESULT CALLBACK Win32Scheduler::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_TIMER) {
        if (auto* self = reinterpret_cast<Win32Scheduler*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            self->fire(wParam);
            return 0;
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace melkrin
