#pragma once
// The machine facts on Windows: the registry's product name,
// GlobalMemoryStatusEx, the user's locale, CPUID, RDTSC, the performance
// counter and the calling thread's priority.
#include <string>

#include "sysinfo/machine.h"

namespace melkrin {

class Win32MachineFacts final : public MachineFacts {
public:
    std::string productName() override;
    std::optional<std::uint64_t> totalPhysicalMemory() override;
    char decimalSeparator() override;
};

class Win32Cpuid final : public Cpuid {
public:
    bool available() override;
    CpuidRegisters query(std::uint32_t function) override;
};

class Win32ClockHardware final : public ClockHardware {
public:
    std::optional<std::int64_t> counterFrequency() override;
    std::int64_t counter() override;
    std::uint64_t timeStamp() override;
    std::optional<int> threadPriority() override;
    void setThreadPriority(int priority) override;
};

// GetSystemDirectoryA: the Windows system folder, without a trailing backslash.
std::string systemFolder();

}  // namespace melkrin
