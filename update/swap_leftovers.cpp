#include "update/swap_leftovers.h"

#include "update_helper/swap_journal.h"

namespace melkrin::update {

using updhelper::RepairOutcome;
using updhelper::SwapPhase;

SwapLeftovers checkSwapLeftovers(const std::optional<std::string>& record, bool afterUpgrade, bool scripted) {
    SwapLeftovers leftovers;
    if (!record) return leftovers;
    const auto journal = updhelper::parseJournal(*record);
    if (!journal) {
        leftovers.step = LeftoverStep::Unreadable;
        leftovers.logLines.push_back(std::string("Update repair: ") + updhelper::kJournalName +
                                     " is no record of an update and was deleted");
        return leftovers;
    }
    if (journal->phase != SwapPhase::Repaired) {
        if (afterUpgrade || scripted) {
            leftovers.step = LeftoverStep::Unrepaired;
            leftovers.logLines.push_back(
                "Update repair: an update cut short earlier is still unfinished; the next start tries again");
        } else {
            leftovers.step = LeftoverStep::HandOver;
        }
        return leftovers;
    }
    leftovers.step = LeftoverStep::Report;
    leftovers.logLines = journal->notes;
    if (journal->filesMoved) {
        if (journal->outcome == RepairOutcome::Completed) leftovers.message = kUpdateCompletedText;
        if (journal->outcome == RepairOutcome::RolledBack) leftovers.message = kUpdateUndoneText;
    }
    return leftovers;
}

}  // namespace melkrin::update
