#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "fake_machine.h"
#include "sysinfo/cpu_clock.h"

namespace melkrin {
namespace {

using testing::ScriptedClock;

// Each try of the script gives the estimate in MHz (cycles per microsecond
// at one tick per microsecond); the script holds one try more than the
// measurement may take.
TEST(CpuClockTest, TriesUntilTheLastThreeEstimatesAgree) {
    struct Case {
        const char* what;
        std::vector<double> estimates;
        int tries;
        std::uint32_t speed;
    } cases[] = {
        {"the edge of agreement: 3 off the sum", {2401, 2400, 2402}, 3, 2400},
        {"the example of three close estimates", {2400, 2401, 2399}, 3, 2400},
        {"a late agreement", {2300, 2500, 2400, 2400, 2400}, 5, 2400},
        {"4 off the sum is apart", {2400, 2400, 2404, 2404, 2404}, 5, 2400},  // 12012 / 5 = 2402.4
        {"halves round to even: 2426.5 gives 2426, not 2427", {2426.5, 2426.5, 2426.5}, 3, 2420},
        {"never agreeing: twenty tries",
         {2400, 2410, 2400, 2410, 2400, 2410, 2400, 2410, 2400, 2410, 2400,
          2410, 2400, 2410, 2400, 2410, 2400, 2410, 2400, 2410, 2400},
         20, 2400},  // 2405 on average
        {"a fast processor", {3192, 3193, 3191}, 3, 3190},
    };
    for (const auto& c : cases) {
        ScriptedClock clock;
        for (double mhz : c.estimates) clock.addTry(static_cast<std::uint64_t>(mhz * 1000));
        clock.addTry(1);  // a wild last try, if one more were taken
        EXPECT_EQ(measureCpuSpeed(clock), c.speed) << c.what;
        EXPECT_EQ(clock.counterReads, 3 * c.tries) << c.what;
    }
}

TEST(CpuClockTest, TakesTheStampsRightAfterTheReadingsThatEndEachWait) {
    // One try: the counter settles for 50 ticks, then measures 1000; the
    // stamps read with the settling and the measuring readings count.
    ScriptedClock clock;
    clock.frequency = 10000000;  // 10 MHz: 1000 ticks are 100 microseconds
    for (int i = 0; i < 3; ++i) {
        const std::int64_t t = 100000 * i;
        clock.counters.insert(clock.counters.end(), {t, t + 20, t + 40, t + 60, t + 500, t + 1059, t + 1060});
        const std::uint64_t s = 1000000000ull * i;
        // c0 is read with t + 60, c1 with t + 1060: 240000 cycles in 100 us.
        clock.stamps.insert(clock.stamps.end(), {s + 1, s + 2, s + 1000, s + 50000, s + 100000, s + 241000});
    }
    EXPECT_EQ(measureCpuSpeed(clock), 2400u);
    EXPECT_TRUE(clock.counters.empty());
    EXPECT_TRUE(clock.stamps.empty());
}

TEST(CpuClockTest, RaisesThePriorityPerTryAndAlwaysRestoresIt) {
    ScriptedClock clock;
    clock.priority = 2;
    for (int i = 0; i < 3; ++i) clock.addTry(2400000);
    EXPECT_EQ(measureCpuSpeed(clock), 2400u);
    EXPECT_EQ(clock.prioritySets, (std::vector<int>{15, 2, 15, 2, 15, 2}));

    // The counter fails inside the second try.
    ScriptedClock failing;
    failing.priority = -1;
    failing.addTry(2400000);
    failing.counters.insert(failing.counters.end(), {90000, 90050});
    EXPECT_EQ(measureCpuSpeed(failing), 0u);
    EXPECT_EQ(failing.prioritySets, (std::vector<int>{15, -1, 15, -1}));
    EXPECT_EQ(failing.priority, -1);

    // A priority that cannot be read is left alone.
    ScriptedClock unreadable;
    unreadable.priorityReadable = false;
    for (int i = 0; i < 3; ++i) unreadable.addTry(2400000);
    EXPECT_EQ(measureCpuSpeed(unreadable), 2400u);
    EXPECT_TRUE(unreadable.prioritySets.empty());
}

TEST(CpuClockTest, NoHighResolutionCounterMeasuresNothing) {
    for (const auto frequency : {std::optional<std::int64_t>(), std::optional<std::int64_t>(0)}) {
        ScriptedClock clock;
        clock.frequency = frequency;
        EXPECT_EQ(measureCpuSpeed(clock), 0u);
        EXPECT_EQ(clock.counterReads, 0);
        EXPECT_TRUE(clock.prioritySets.empty());
    }
}

TEST(CpuClockTest, EstimateOfATryWithoutTimeIsTheLargestValue) {
    EXPECT_EQ(cyclesPerMicrosecond(2400000, 0), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(cyclesPerMicrosecond(0, 0), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(cyclesPerMicrosecond(2400500, 1000), 2400);  // half to even
    EXPECT_EQ(cyclesPerMicrosecond(2401500, 1000), 2402);

    // A time-stamp counter that stands still gives 0 MHz.
    ScriptedClock stopped;
    for (int i = 0; i < 3; ++i) stopped.addTry(0);
    EXPECT_EQ(measureCpuSpeed(stopped), 0u);
}

}  // namespace
}  // namespace melkrin
