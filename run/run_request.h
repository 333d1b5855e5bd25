#pragma once
// Everything a benchmark run reads of its options, taken once when it starts
// (from the window, or from the command line laid over the window): the run
// never looks back at the controls, so a change under the progress panel
// cannot reach it.
#include <optional>
#include <string>
#include <vector>

#include "gameconfig/quality_settings.h"
#include "run/pass_statistics.h"
#include "run/resolution_slot.h"

namespace melkrin {

class SettingsStore;

// A game that runs longer than this is ended (the stored option
// "GameTimeLimit" in seconds, 0 for none).
inline constexpr unsigned kDefaultGameTimeLimit = 600;
inline constexpr unsigned kLongestGameTimeLimit = 7 * 24 * 3600;

struct RunRequest {
    std::string gameExePath;
    std::vector<ResolutionSlot> slots;  // the chosen ones, in the order they are played
    // The built-in demo's number (1 for the first, 4 for the user-defined
    // file), none while none is chosen; and the user-defined demo file.
    std::optional<int> demoNumber;
    std::string demoFile;
    QualityChoices quality;
    PassPlan passes;
    std::string resultsFolder;
    std::string note;
    unsigned timeLimit = kDefaultGameTimeLimit;  // seconds, 0: none
};

// The slots whose boxes are checked (checked[0..8] the fixed sizes, checked[9]
// the custom box); the custom size counts only with both texts given.
std::vector<ResolutionSlot> chosenSlots(const bool (&checked)[kCustomSlot + 1], const std::string& customWidth,
                                        const std::string& customHeight);

// The stored options a run takes when nothing else is said: an unreadable
// value reads as missing (the default time limit, one pass, no warm-up).
unsigned storedGameTimeLimit(SettingsStore& settings);
PassPlan storedPassPlan(SettingsStore& settings);

}  // namespace melkrin
