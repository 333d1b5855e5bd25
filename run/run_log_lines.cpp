#include "run/run_log_lines.h"

#include "sysinfo/system_info.h"

namespace melkrin {

std::vector<std::string> debugRunHeader(const std::string& programVersion, const std::string& programFolder,
                                        const std::string& resultsFolder, const GameInstall& game) {
    const std::string rule(50, '=');
    return {
        rule,
        "Quorvane Melkrin debug",
        rule,
        "",
        "Benchmark version: " + programVersion,
        "Bench Path: " + programFolder,
        "Sam .exe Path: " + game.binFolder,
        "Results Path: " + resultsFolder,
        "Original Result Path: " + game.configFolder,
        "Demos Path: " + game.demosFolder,
        "Ini Path: " + game.contentFolder,
        "",
        "Collecting system information " + std::string(25, '-'),
    };
}

std::vector<std::string> debugMachineLines(const SystemInfo& info) {
    std::vector<std::string> lines;
    if (info.systemMemory) lines.push_back("System memory: " + *info.systemMemory);
    lines.push_back("CPU: " + info.cpuName);
    lines.push_back("CPU speed: " + std::to_string(info.cpuSpeed) + " MHz");
    lines.push_back("Sound system: " + info.soundSystem);
    if (info.atiAdapter.present) {
        lines.push_back("Graphics card: " + info.atiAdapter.cardName);
        if (!info.atiAdapter.busType.empty() && !info.atiAdapter.memoryType.empty())
            lines.push_back("Bustype: " + info.atiAdapter.busType);
        lines.push_back("Memory: " + info.displayMemory);
        lines.push_back("Current VPU speed: " + info.atiAdapter.coreClock);
        lines.push_back("Current memory speed: " + info.atiAdapter.memoryClock);
        lines.push_back("Driver version: " + info.driverVersion);
    }
    if (info.classAdapter.present) {
        lines.push_back("Graphics card: " + info.classAdapter.driverDesc);
        lines.push_back("Memory: " + info.displayMemory);
        lines.push_back("Current GPU speed: " + info.classAdapter.gpuClock);
        lines.push_back("Current memory speed: " + info.classAdapter.memoryClock);
        lines.push_back("Driver version: " + info.driverVersion);
    }
    return lines;
}

}  // namespace melkrin
