#include "sysinfo/system_info.h"

#include "sysinfo/cpu_clock.h"
#include "sysinfo/cpu_name.h"
#include "sysinfo/number_text.h"

namespace melkrin {

SystemInfo collectSystemInfo(const Diagnostics& diagnostics, SystemInfoSources sources) {
    SystemInfo info;
    info.soundSystem = diagnostics.soundSystem;
    info.displayMemory = diagnostics.displayMemory;
    info.driverVersion = diagnostics.driverVersion;
    const char separator = sources.machine.decimalSeparator();

    info.operatingSystem = sources.machine.productName();
    if (const auto bytes = sources.machine.totalPhysicalMemory()) info.systemMemory = systemMemoryText(*bytes, separator);
    info.cpuName = cpuName(sources.cpu);
    if (hasTimeStampCounter(sources.cpu)) info.cpuSpeed = measureCpuSpeed(sources.clock);
    info.atiAdapter = readAtiAdapter(sources.display, sources.settings, separator);
    info.classAdapter = readDisplayClassAdapter(sources.display, sources.settings);
    return info;
}

std::string cpuSpeedText(std::uint32_t megahertz) { return std::to_string(megahertz) + " MHz"; }

}  // namespace melkrin
