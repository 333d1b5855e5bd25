#pragma once
// The machine facts the description is built from, as seams: the Win32
// adapters are in machine_win32.h, tests script them.
#include <cstdint>
#include <optional>
#include <string>

namespace melkrin {

// Operating system, memory and the user's number format.
class MachineFacts {
public:
    virtual ~MachineFacts() = default;
    // The product name as the registry states it; "" when it is missing.
    virtual std::string productName() = 0;
    // Total physical memory in bytes; none when the system does not answer.
    virtual std::optional<std::uint64_t> totalPhysicalMemory() = 0;
    // The decimal separator of the user's locale.
    virtual char decimalSeparator() = 0;
};

struct CpuidRegisters {
    std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};

// The processor identification instruction.
class Cpuid {
public:
    virtual ~Cpuid() = default;
    virtual bool available() = 0;
    virtual CpuidRegisters query(std::uint32_t function) = 0;
};

// What the clock measurement reads and changes: the high-resolution counter,
// the time-stamp counter and the calling thread's priority.
class ClockHardware {
public:
    static constexpr int kTimeCritical = 15;

    virtual ~ClockHardware() = default;
    // Ticks per second of the high-resolution counter; none without one.
    virtual std::optional<std::int64_t> counterFrequency() = 0;
    virtual std::int64_t counter() = 0;
    virtual std::uint64_t timeStamp() = 0;
    // None when the priority cannot be read.
    virtual std::optional<int> threadPriority() = 0;
    virtual void setThreadPriority(int priority) = 0;
};

}  // namespace melkrin
