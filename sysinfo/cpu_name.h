#pragma once
// The processor's name and features from its identification instruction.
#include <string>

#include "sysinfo/machine.h"

namespace melkrin {

// The brand string (up to its first NUL, leading blanks kept) when the
// processor offers functions 0x80000002 to 0x80000004; otherwise a name by
// vendor, family and model, "" where nothing is known or there is no CPUID.
std::string cpuName(Cpuid& cpu);

// CPUID function 1, EDX bit 4.
bool hasTimeStampCounter(Cpuid& cpu);

// The name of an old processor without a brand string; "" for an unknown one.
std::string namedProcessor(const std::string& vendor, unsigned family, unsigned model);

}  // namespace melkrin
