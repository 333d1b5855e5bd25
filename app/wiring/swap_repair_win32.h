#pragma once
// Start-up's part in repairing an update swap that was cut short (see
// update/swap_leftovers.h): before any window, hand the swap to the update
// helper and end; once the debug log exists, record and tell the outcome.
#include <string>

#include "update/swap_leftovers.h"

namespace melkrin {

class DebugLog;
class Dialogs;

struct SwapRepairStart {
    bool endNow = false;  // the helper was started: melkrin.exe ends at once
    update::SwapLeftovers leftovers;
};

SwapRepairStart beginSwapRepair(const std::string& programFolder, const std::string& programPath, bool afterUpgrade,
                                bool scripted);
void finishSwapRepair(const std::string& programFolder, const update::SwapLeftovers& leftovers, DebugLog& log,
                      Dialogs& dialogs);

}  // namespace melkrin
