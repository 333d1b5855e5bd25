#pragma once
// Doubles for a run: a scheduler whose delays the test plays out, a fixed
// clock and a file-in-use answer the test sets.
#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "common/scheduler.h"
#include "run/result_log.h"
#include "common/errors.h"
#include "run/run_clock.h"
#include "run/run_facts.h"

namespace melkrin::testing {

class FakeScheduler : public Scheduler {
public:
    void after(unsigned milliseconds, std::function<void()> task) override {
        pending.push_back({milliseconds, std::move(task), 0});
    }
    Ticket schedule(unsigned milliseconds, std::function<void()> task) override {
        pending.push_back({milliseconds, std::move(task), ++lastTicket});
        return lastTicket;
    }
    void cancel(Ticket ticket) override {
        if (ticket == 0) return;
        std::erase_if(pending, [ticket](const Task& task) { return task.ticket == ticket; });
    }
    // Runs the scheduled tasks in order, including those they schedule; the
    // delays add up in elapsed. Stops after `limit` tasks. Tasks that can be
    // withdrawn (time limits of minutes) stay: the short waits of a run come
    // first on a real clock; runWithdrawable plays a limit running out.
    void runAll(int limit = 1000) {
        while (limit-- > 0) {
            const auto next = std::find_if(pending.begin(), pending.end(), [](const Task& t) { return t.ticket == 0; });
            if (next == pending.end()) return;
            Task task = std::move(*next);
            pending.erase(next);
            play(task);
        }
    }
    // Runs the first task that can be withdrawn; false when there is none.
    bool runWithdrawable() {
        const auto next = std::find_if(pending.begin(), pending.end(), [](const Task& t) { return t.ticket != 0; });
        if (next == pending.end()) return false;
        Task task = std::move(*next);
        pending.erase(next);
        play(task);
        return true;
    }
    struct Task {
        unsigned delay;
        std::function<void()> task;
        Ticket ticket;  // 0: cannot be withdrawn
    };
    std::deque<Task> pending;
    void play(Task& task) {
        elapsed += task.delay;
        if (journal) journal->push_back("wait " + std::to_string(task.delay));
        task.task();
    }
    Ticket lastTicket = 0;
    unsigned long elapsed = 0;
    std::vector<std::string>* journal = nullptr;  // shared with other doubles: the order of effects
};

class FakeRunClock : public RunClock {
public:
    std::string dateTimeText() override { return text; }
    std::string isoDateTime() override { return iso; }
    std::string text = "30.07.2006 14:05:09";
    std::string iso = "2006-07-30T14:05:09";
};

class FakeInUse : public FileInUseProbe {
public:
    bool isInUse(const std::string& path) override {
        ++probes;
        if (busyProbes > 0) {
            --busyProbes;
            return true;
        }
        return always.count(path) != 0;
    }
    int busyProbes = 0;  // the next n probes answer "in use"
    std::set<std::string> always;
    int probes = 0;
};

// Fixed answers; every look at the steady clock finds it a step further on,
// so a game's duration is one step.
class FakeRunFacts : public RunFacts {
public:
    std::string programPath() override { return program; }
    std::optional<std::string> fileVersion(const std::string& path) override {
        const auto found = versions.find(path);
        return found == versions.end() ? std::nullopt : std::optional<std::string>(found->second);
    }
    std::string randomBytes(std::size_t count) override {
        if (noRandom) throw OsError(5, "no random bytes");
        std::string bytes;
        for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<char>(seed + i));
        ++seed;
        return bytes;
    }
    int utcOffsetMinutes() override { return offsetMinutes; }
    double steadySeconds() override { return now += step; }

    std::string program = "C:\\Bench\\melkrin.exe";
    std::map<std::string, std::string> versions;
    bool noRandom = false;
    int seed = 0;
    int offsetMinutes = 60;
    double now = 1000;
    double step = 42.5;
};

}  // namespace melkrin::testing
