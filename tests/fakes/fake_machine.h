#pragma once
// Doubles of the machine facts: a machine with set answers, a processor with
// set CPUID results, and a clock that plays exact counter sequences.
#include <cstring>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "sysinfo/machine.h"

namespace melkrin::testing {

class FakeMachineFacts : public MachineFacts {
public:
    std::string productName() override { return product; }
    std::optional<std::uint64_t> totalPhysicalMemory() override { return memory; }
    char decimalSeparator() override { return separator; }

    std::string product = "Windows 7 Ultimate";
    std::optional<std::uint64_t> memory = 4294967296ull;
    char separator = '.';
};

class FakeCpuid : public Cpuid {
public:
    bool available() override { return present; }
    CpuidRegisters query(std::uint32_t function) override {
        const auto it = functions.find(function);
        return it == functions.end() ? CpuidRegisters{} : it->second;
    }

    // Vendor, signature and feature flags as an old processor reports them,
    // without extended functions.
    void setIdentity(const std::string& vendor, unsigned family, unsigned model, std::uint32_t featureEdx = 0) {
        CpuidRegisters zero;
        zero.eax = 1;
        std::memcpy(&zero.ebx, vendor.data(), 4);
        std::memcpy(&zero.edx, vendor.data() + 4, 4);
        std::memcpy(&zero.ecx, vendor.data() + 8, 4);
        functions[0] = zero;
        CpuidRegisters one;
        one.eax = (family << 8) | (model << 4);
        one.edx = featureEdx;
        functions[1] = one;
        functions[0x80000000] = CpuidRegisters{0x80000001, 0, 0, 0};
    }
    // The 48 bytes of functions 0x80000002 to 0x80000004.
    void setBrand(const std::string& brand) {
        std::string bytes = brand;
        bytes.resize(48, '\0');
        functions[0x80000000] = CpuidRegisters{0x80000004, 0, 0, 0};
        for (std::uint32_t i = 0; i < 3; ++i) {
            CpuidRegisters r;
            std::memcpy(&r.eax, bytes.data() + 16 * i, 4);
            std::memcpy(&r.ebx, bytes.data() + 16 * i + 4, 4);
            std::memcpy(&r.ecx, bytes.data() + 16 * i + 8, 4);
            std::memcpy(&r.edx, bytes.data() + 16 * i + 12, 4);
            functions[0x80000002 + i] = r;
        }
    }

    bool present = true;
    std::map<std::uint32_t, CpuidRegisters> functions;
};

// Plays the counter and time-stamp readings in the order given; running out
// of either raises, as a failing counter would.
class ScriptedClock : public ClockHardware {
public:
    std::optional<std::int64_t> counterFrequency() override { return frequency; }
    std::int64_t counter() override {
        ++counterReads;
        if (counters.empty()) throw std::runtime_error("counter script ran out");
        const auto value = counters.front();
        counters.pop_front();
        return value;
    }
    std::uint64_t timeStamp() override {
        if (stamps.empty()) throw std::runtime_error("time-stamp script ran out");
        const auto value = stamps.front();
        stamps.pop_front();
        return value;
    }
    std::optional<int> threadPriority() override { return priorityReadable ? std::optional<int>(priority) : std::nullopt; }
    void setThreadPriority(int value) override {
        priority = value;
        prioritySets.push_back(value);
    }

    // The shortest try: t0, one settling read at t0 + 50 and one measuring
    // read 1000 ticks later, with the given cycles between the two stamps.
    void addTry(std::uint64_t cycles) {
        counters.insert(counters.end(), {next_, next_ + 50, next_ + 1050});
        stamps.insert(stamps.end(), {stamp_, stamp_ + cycles});
        next_ += 5000;
        stamp_ += 10 * cycles;
    }

    std::optional<std::int64_t> frequency = 1000000;  // one tick per microsecond
    std::deque<std::int64_t> counters;
    std::deque<std::uint64_t> stamps;
    int counterReads = 0;
    int priority = 0;
    bool priorityReadable = true;
    std::vector<int> prioritySets;

private:
    std::int64_t next_ = 100;
    std::uint64_t stamp_ = 1000;
};

}  // namespace melkrin::testing
