#pragma once
// What Melkrin does at start-up with the record UpdHelper.exe leaves beside
// the program (update_helper/swap_journal.h): a swap that was cut short is
// handed to the helper, which finishes or undoes it while Melkrin is closed
// and starts Melkrin again; the outcome the helper left is written into the
// debug log and, when program files were moved, told to the user.
#include <optional>
#include <string>
#include <vector>

#include "update_helper/helper_protocol.h"

namespace melkrin::update {

// The helper's argument for a repair: the restart argument and the repair digit.
inline const std::string kRepairArgument = std::string(updhelper::kRestartArgument) + updhelper::kRepairDigit;

enum class LeftoverStep {
    None,       // no record: nothing was cut short
    HandOver,   // start the helper in repair mode and end
    Report,     // log (and tell) the outcome, delete the record
    Unrepaired, // the repair just ran and could not finish: log, keep the record for the next start
    Unreadable, // not a record the helper writes: log, delete it
};

struct SwapLeftovers {
    LeftoverStep step = LeftoverStep::None;
    std::vector<std::string> logLines;
    std::string message;  // for the user; empty when there is nothing to tell
};

// record: the file's content, nothing when there is none. afterUpgrade: this
// start is the helper's restart, so a repair has just been tried and is not
// handed over again (which could go on for ever). scripted: a "/run" benchmarks
// the installation as it is and leaves the repair to the next start with a window.
SwapLeftovers checkSwapLeftovers(const std::optional<std::string>& record, bool afterUpgrade, bool scripted);

inline constexpr const char* kUpdateCompletedText =
    "Melkrin was stopped while it installed an update. The update has now been completed.";
inline constexpr const char* kUpdateUndoneText =
    "Melkrin was stopped while it installed an update. The update was undone: Melkrin is the version it was "
    "before.";
inline constexpr const char* kRepairNotStartedText =
    "Melkrin was stopped while it installed an update, and the update helper that would finish it could not be "
    "started:\r%s\r\rMelkrin tries again at its next start.";

}  // namespace melkrin::update
