#pragma once
// The debug log's blocks that describe a run's set-up and machine.
#include <string>
#include <vector>

#include "gameconfig/game_interface.h"

namespace melkrin {

struct SystemInfo;

// developmentKey: the build trusts the repository's development key (it says so below the version).
std::vector<std::string> debugRunHeader(const std::string& programVersion, const std::string& programFolder,
                                        const std::string& resultsFolder, const GameInstall& game,
                                        bool developmentKey);
std::vector<std::string> debugMachineLines(const SystemInfo& info);

}  // namespace melkrin
