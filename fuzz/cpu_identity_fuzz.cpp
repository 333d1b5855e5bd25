// The processor's identification answers: vendor, signature and the brand
// string, as any registers a processor (or a virtual machine) reports.
#include "fake_machine.h"
#include "fuzz_support.h"
#include "sysinfo/cpu_name.h"

using namespace melkrin;
using namespace melkrin::testing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    FakeCpuid cpu;
    cpu.present = in.ConsumeBool();
    for (std::uint32_t function : {0u, 1u, 0x80000000u, 0x80000002u, 0x80000003u, 0x80000004u}) {
        if (!in.ConsumeBool()) continue;
        CpuidRegisters r;
        r.eax = in.ConsumeIntegral<std::uint32_t>();
        r.ebx = in.ConsumeIntegral<std::uint32_t>();
        r.ecx = in.ConsumeIntegral<std::uint32_t>();
        r.edx = in.ConsumeIntegral<std::uint32_t>();
        cpu.functions[function] = r;
    }
    const std::string name = cpuName(cpu);
    fuzz::require(name.find('\0') == std::string::npos, "a NUL in the processor name");
    fuzz::require(name.size() <= 48, "the name is longer than the brand string");
    (void)hasTimeStampCounter(cpu);
    return 0;
}
