#include "run/run_log_lines.h"

#include "sysinfo/system_info.h"
#include "update/update_key.h"

namespace melkrin {

std::vector<std::string> debugRunHeader(const std::string& programVersion, const std::string& programFolder,
                                        const std::string& resultsFolder, const GameInstall& game,
                                        bool developmentKey) {
    const std::string rule(50, '=');
    std::vector<std::string> lines{
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
    if (developmentKey) lines.insert(lines.begin() + 5, update::kDevelopmentKeyNote);
    return lines;
}

std::vector<std::string> debugMachineLines(const SystemInfo& info) {
    const MachineDescription description = describeMachine(info);
    std::vector<std::string> lines;
    const auto add = [&](const std::vector<MachineFact>& facts) {
        for (const auto& fact : facts) lines.push_back(fact.label + ": " + fact.value);
    };
    add(description.system);
    for (const auto& block : description.adapters) add(block);
    return lines;
}

}  // namespace melkrin
