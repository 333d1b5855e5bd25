#pragma once
// Continuations after a delay, on the user-interface thread: the waits of a
// run keep the window painting instead of putting the thread to sleep.
#include <functional>
#include <utility>

namespace melkrin {

class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual void after(unsigned milliseconds, std::function<void()> task) = 0;

    // A task that may be withdrawn before it runs (a time limit that the
    // awaited event beat). A scheduler that cannot withdraw tasks hands out
    // ticket 0 and runs the task all the same, so a task must still check
    // that what it guards against is still the case.
    using Ticket = unsigned long;
    virtual Ticket schedule(unsigned milliseconds, std::function<void()> task) {
        after(milliseconds, std::move(task));
        return 0;
    }
    // Withdraws a task that has not run yet; a ticket that ran or is 0 is ignored.
    virtual void cancel(Ticket) {}
};

}  // namespace melkrin
