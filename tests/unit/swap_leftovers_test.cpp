// Start-up and the record of an update swap: handed to the helper, reported,
// or left for the next start, never handed over twice in a row.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "update/swap_leftovers.h"
#include "update_helper/swap_journal.h"

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::string repaired(updhelper::RepairOutcome outcome, bool moved) {
    updhelper::SwapJournal journal;
    journal.phase = updhelper::SwapPhase::Repaired;
    journal.outcome = outcome;
    journal.filesMoved = moved;
    journal.notes = {"Update repair: first", "Update repair: second"};
    return updhelper::formatJournal(journal);
}

TEST(SwapLeftoversTest, EachRecordLeadsToItsStep) {
    const std::string install = "install\r\n1\tmelkrin.exe.uTMP\tmelkrin.exe\r\n";
    const std::string rollback = "rollback\r\n1\tmelkrin.exe.uTMP\tmelkrin.exe\r\n";
    using updhelper::RepairOutcome;
    const struct {
        const char* name;
        std::optional<std::string> record;
        bool afterUpgrade, scripted;
        LeftoverStep step;
        std::string message;
    } cases[] = {
        {"no record", std::nullopt, false, false, LeftoverStep::None, ""},
        {"a swap going forward", install, false, false, LeftoverStep::HandOver, ""},
        {"a swap going back", rollback, false, false, LeftoverStep::HandOver, ""},
        {"the helper's restart after a repair that could not finish", rollback, true, false, LeftoverStep::Unrepaired,
         ""},
        {"a scripted run", install, false, true, LeftoverStep::Unrepaired, ""},
        {"completed", repaired(RepairOutcome::Completed, true), true, false, LeftoverStep::Report,
         kUpdateCompletedText},
        {"undone", repaired(RepairOutcome::RolledBack, true), false, false, LeftoverStep::Report, kUpdateUndoneText},
        {"only backups were left to delete", repaired(RepairOutcome::Completed, false), true, false,
         LeftoverStep::Report, ""},
        {"a cut-off record", std::string("install\r\n1\tmelkrin.exe.uTMP\tmelk"), false, false,
         LeftoverStep::Unreadable, ""},
    };
    for (const auto& c : cases) {
        const SwapLeftovers leftovers = checkSwapLeftovers(c.record, c.afterUpgrade, c.scripted);
        EXPECT_EQ(leftovers.step, c.step) << c.name;
        EXPECT_EQ(leftovers.message, c.message) << c.name;
        if (c.step == LeftoverStep::None || c.step == LeftoverStep::HandOver)
            EXPECT_THAT(leftovers.logLines, IsEmpty()) << c.name;
        else
            EXPECT_FALSE(leftovers.logLines.empty()) << c.name;
    }
}

TEST(SwapLeftoversTest, TheHelpersNotesGoToTheLogAsTheyAre) {
    const SwapLeftovers leftovers = checkSwapLeftovers(repaired(updhelper::RepairOutcome::Completed, true), true, false);
    EXPECT_THAT(leftovers.logLines, ElementsAre("Update repair: first", "Update repair: second"));
}

}  // namespace
}  // namespace melkrin::update
