#pragma once
// Continuations after a delay, on the user-interface thread: the waits of a
// run keep the window painting instead of putting the thread to sleep.
#include <functional>

namespace melkrin {

class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual void after(unsigned milliseconds, std::function<void()> task) = 0;
};

}  // namespace melkrin
