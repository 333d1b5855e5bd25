#include "sysinfo/system_info.h"

#include <utility>

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

MachineDescription describeMachine(const SystemInfo& info) {
    MachineDescription description;
    if (info.systemMemory) description.system.push_back({"System memory", *info.systemMemory});
    description.system.push_back({"CPU", info.cpuName});
    description.system.push_back({"CPU speed", cpuSpeedText(info.cpuSpeed)});
    description.system.push_back({"Sound system", info.soundSystem});
    if (const auto& ati = info.atiAdapter; ati.present) {
        std::vector<MachineFact> block{{"Graphics card", ati.cardName}};
        // The bus is only named when the driver also told the memory type.
        if (!ati.busType.empty() && !ati.memoryType.empty()) block.push_back({"Bustype", ati.busType});
        block.push_back({"Memory", info.displayMemory});
        block.push_back({"Current VPU speed", ati.coreClock});
        block.push_back({"Current memory speed", ati.memoryClock});
        block.push_back({"Driver version", info.driverVersion});
        description.adapters.push_back(std::move(block));
    }
    if (const auto& adapter = info.classAdapter; adapter.present) {
        description.adapters.push_back({{"Graphics card", adapter.driverDesc},
                                        {"Memory", info.displayMemory},
                                        {"Current GPU speed", adapter.gpuClock},
                                        {"Current memory speed", adapter.memoryClock},
                                        {"Driver version", info.driverVersion}});
    }
    return description;
}

}  // namespace melkrin
