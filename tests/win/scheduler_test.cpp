#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/scheduler_win32.h"
#include "run/results_report.h"
#include "run/run_clock_win32.h"

namespace melkrin {
namespace {

void pumpUntil(const std::function<bool()>& done, DWORD limitMs) {
    const DWORD start = GetTickCount();
    MSG message;
    while (!done() && GetTickCount() - start < limitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

TEST(Win32SchedulerTest, TasksRunFromTheMessageLoopInTimeOrder) {
    Win32Scheduler scheduler;
    std::vector<int> order;
    const DWORD start = GetTickCount();
    scheduler.after(300, [&] { order.push_back(2); });
    scheduler.after(50, [&] {
        order.push_back(1);
        // A task may schedule the next one.
        scheduler.after(400, [&] { order.push_back(3); });
    });
    EXPECT_TRUE(order.empty()) << "nothing runs before the loop does";
    pumpUntil([&] { return order.size() == 3; }, 5000);
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_GE(GetTickCount() - start, 400u);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // A task that throws ends only itself.
    bool later = false;
    scheduler.after(10, [] { throw std::runtime_error("boom"); });
    scheduler.after(60, [&] { later = true; });
    pumpUntil([&] { return later; }, 3000);
    EXPECT_TRUE(later);
}

TEST(Win32SchedulerTest, AWithdrawnTaskNeverRuns) {
    Win32Scheduler scheduler;
    std::vector<int> ran;
    const auto withdrawn = scheduler.schedule(100, [&] { ran.push_back(1); });
    const auto kept = scheduler.schedule(200, [&] { ran.push_back(2); });
    EXPECT_NE(withdrawn, 0u);
    EXPECT_NE(withdrawn, kept);
    scheduler.cancel(withdrawn);
    scheduler.cancel(withdrawn);  // twice, and 0: nothing
    scheduler.cancel(0);
    pumpUntil([&] { return !ran.empty(); }, 3000);
    const DWORD start = GetTickCount();
    pumpUntil([&] { return GetTickCount() - start > 300; }, 1000);
    EXPECT_EQ(ran, (std::vector<int>{2}));
    scheduler.cancel(kept);  // already ran: nothing
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(Win32RunClockTest, StampHasNoSeparatorsLeft) {
    Win32RunClock clock;
    const std::string text = clock.dateTimeText();
    EXPECT_GE(text.size(), 10u);
    const std::string stamp = runStamp(text);
    EXPECT_EQ(stamp.find_first_of(":./-\\ "), std::string::npos) << stamp;
}

}  // namespace
}  // namespace melkrin
