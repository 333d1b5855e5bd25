#pragma once
// The processor clock: measured against the high-resolution counter and
// pulled to the nearest customary value.
#include <cstdint>

#include "sysinfo/machine.h"

namespace melkrin {

// The nearest customary clock within the hundred of f (remainders 0, 20,
// 33, 50, 60, 66, 80, 90, 100); a tie goes up.
std::uint64_t roundFrequency(std::uint64_t f);

// Cycles per microsecond of one try, rounded; the largest 64-bit value
// when no time passed.
std::int64_t cyclesPerMicrosecond(double cycles, double microseconds);

// Busy-waits 3 to 20 tries of about 1050 counter ticks each at time-critical
// priority until the last three estimates agree, and returns the clock in
// MHz after roundFrequency. The caller checks for a time-stamp counter; no
// high-resolution counter, or a counter that fails, gives 0. The thread's
// priority is restored on every path.
std::uint32_t measureCpuSpeed(ClockHardware& clock);

}  // namespace melkrin
