#include "sysinfo/cpu_clock.h"

#include <cmath>
#include <exception>
#include <limits>
#include <optional>

#include "sysinfo/number_text.h"

namespace melkrin {
namespace {

constexpr std::int64_t kSettleTicks = 50;
constexpr std::int64_t kMeasureTicks = 1000;
constexpr int kMinTries = 3;
constexpr int kMaxTries = 20;

// Time-critical priority for one try; the old priority comes back however
// the try ends. A priority that cannot be read is left alone.
class PriorityBoost {
public:
    explicit PriorityBoost(ClockHardware& clock) : clock_(clock), old_(clock.threadPriority()) {
        if (old_) clock_.setThreadPriority(ClockHardware::kTimeCritical);
    }
    ~PriorityBoost() {
        if (old_) clock_.setThreadPriority(*old_);
    }
    PriorityBoost(const PriorityBoost&) = delete;
    PriorityBoost& operator=(const PriorityBoost&) = delete;

private:
    ClockHardware& clock_;
    std::optional<int> old_;
};

}  // namespace

std::uint64_t roundFrequency(std::uint64_t f) {
    static constexpr std::uint64_t kCustomary[] = {0, 20, 33, 50, 60, 66, 80, 90, 100};
    const std::uint64_t r = f % 100;
    std::size_t i = 1;
    while (!(r < kCustomary[i])) ++i;
    const std::uint64_t lower = kCustomary[i - 1];
    const std::uint64_t upper = kCustomary[i];
    return r - lower < upper - r ? f - r + lower : f - r + upper;
}

std::int64_t cyclesPerMicrosecond(double cycles, double microseconds) {
    if (microseconds == 0) return std::numeric_limits<std::int64_t>::max();
    return roundHalfEven(cycles / microseconds);
}

std::uint32_t measureCpuSpeed(ClockHardware& clock) {
    const std::optional<std::int64_t> frequency = clock.counterFrequency();
    if (!frequency || *frequency <= 0) return 0;
    const double ticksPerTenthSecond = static_cast<double>(*frequency) / 10.0;

    int tries = 0;
    std::int64_t f1 = 0, f2 = 0, f3 = 0;
    double sum = 0;
    std::int64_t totalCycles = 0;
    double totalTime = 0;
    // The estimates are a few thousand in practice, where doubles are exact;
    // the saturated value of a try without time must not overflow the sum.
    const auto apart = [&] {
        for (const std::int64_t f : {f1, f2, f3})
            if (std::fabs(3.0 * static_cast<double>(f) - sum) > 3.0) return true;
        return false;
    };
    try {
        while (tries < kMinTries || (tries < kMaxTries && apart())) {
            ++tries;
            f3 = f2;
            f2 = f1;
            std::int64_t t0 = clock.counter();
            std::int64_t t1 = t0;
            std::uint64_t c0 = 0, c1 = 0;
            {
                PriorityBoost boost(clock);
                while (t1 - t0 < kSettleTicks) {
                    t1 = clock.counter();
                    c0 = clock.timeStamp();
                }
                t0 = t1;
                while (t1 - t0 < kMeasureTicks) {
                    t1 = clock.counter();
                    c1 = clock.timeStamp();
                }
            }
            const auto cycles = static_cast<std::int64_t>(c1 - c0);
            const double time = static_cast<double>(t1 - t0) * 100000.0 / ticksPerTenthSecond;
            totalTime += time;
            totalCycles += cycles;
            f1 = cyclesPerMicrosecond(static_cast<double>(cycles), time);
            sum = static_cast<double>(f1) + static_cast<double>(f2) + static_cast<double>(f3);
        }
    } catch (const std::exception&) {
        return 0;
    }
    if (totalTime <= 0) return 0;

    const double cycles = static_cast<double>(totalCycles);
    std::int64_t tenths = roundHalfEven(cycles * 10 / totalTime);
    const std::int64_t hundredths = roundHalfEven(cycles * 100 / totalTime);
    const std::int64_t raw = roundHalfEven(cycles / totalTime);
    std::int64_t speed = raw;
    // Compared as reals: an absurd count must not overflow the products.
    constexpr std::int64_t kTop = std::numeric_limits<std::int64_t>::max();
    if (static_cast<double>(hundredths) - static_cast<double>(tenths) * 10 > 5 && tenths < kTop) ++tenths;
    if (static_cast<double>(tenths) - static_cast<double>(raw) * 10 > 5 && speed < kTop) ++speed;
    if (speed <= 0) return 0;
    const std::uint64_t rounded = roundFrequency(static_cast<std::uint64_t>(speed));
    return rounded > std::numeric_limits<std::uint32_t>::max() ? 0 : static_cast<std::uint32_t>(rounded);
}

}  // namespace melkrin
