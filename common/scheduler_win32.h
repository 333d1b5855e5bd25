#pragma once
#include <windows.h>

#include <map>

#include "common/scheduler.h"

namespace melkrin {

// Delayed tasks through timer messages of a hidden window on the creating
// (user-interface) thread: nothing sleeps, the window keeps painting.
class Win32Scheduler final : public Scheduler {
public:
    Win32Scheduler();
    ~Win32Scheduler() override;
    Win32Scheduler(const Win32Scheduler&) = delete;
    Win32Scheduler& operator=(const Win32Scheduler&) = delete;

    void after(unsigned milliseconds, std::function<void()> task) override;
    Ticket schedule(unsigned milliseconds, std::function<void()> task) override;
    void cancel(Ticket ticket) override;
    std::size_t pendingCount() const { return tasks_.size(); }

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void fire(UINT_PTR id);

    HWND window_ = nullptr;
    UINT_PTR nextId_ = 1;
    std::map<UINT_PTR, std::function<void()>> tasks_;
};

}  // namespace melkrin
