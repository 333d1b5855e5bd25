// The kill points a run passes, in order: the end-to-end kill-point test ends
// melkrin.exe at each of them, so each must be reached by a plain run.
#include <gtest/gtest.h>

#include "common/kill_points.h"
#include "run_rig.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

TEST(KillPointsTest, ARunPassesEveryStepInOrder) {
    std::vector<std::string> reached;
    setKillPointHandler([&](const std::string& step) { reached.push_back(step); });
    {
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.startRun();
        rig.playGame("Average: 75.00 FPS\r\n");
        rig.expectEndedCleanly();
    }
    setKillPointHandler(nullptr);
    // The file system double has no "replace" step: the Win32 one reaches it
    // while Sam2.ini and the report are written.
    EXPECT_EQ(reached, (std::vector<std::string>{"marker", "backup", "game", "collect", "restore", "restored"}));
    killPoint("marker");  // without a handler nothing happens
}

// A cancel and a time limit pass steps of their own on the way to the same end.
TEST(KillPointsTest, ACancelAndATimeLimitPassTheirStepsInOrder) {
    const std::uint32_t kStopped = 1;
    {
        std::vector<std::string> reached;
        setKillPointHandler([&](const std::string& step) { reached.push_back(step); });
        Rig rig;
        rig.view.setChecked(ControlId::Res640, true);
        rig.startRun();
        rig.dialogs.answers = {true};
        rig.controller->onCancelClicked();
        rig.cp.finish(kStopped);
        rig.scheduler.runAll();
        rig.expectEndedCleanly();
        setKillPointHandler(nullptr);
        EXPECT_EQ(reached, (std::vector<std::string>{"marker", "backup", "game", "cancel", "cancelled game", "restore",
                                                     "restored"}));
    }
    {
        std::vector<std::string> reached;
        setKillPointHandler([&](const std::string& step) { reached.push_back(step); });
        Rig rig;
        rig.keys.set(names::kSettingsKey, "GameTimeLimit", "5");
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setChecked(ControlId::Res800, true);
        rig.startRun();
        ASSERT_TRUE(rig.scheduler.runWithdrawable());  // the first game outlives its limit
        rig.cp.finish(kStopped);
        rig.scheduler.runAll();
        rig.playGame("Average: 70.00 FPS\r\n");
        rig.expectEndedCleanly();
        setKillPointHandler(nullptr);
        EXPECT_EQ(reached, (std::vector<std::string>{"marker", "backup", "game", "time limit", "time limit stopped",
                                                     "collect", "game", "game after time limit", "collect", "restore",
                                                     "restored"}));
    }
}

TEST(KillPointsTest, AStepMatchesItsNameOrABeginning) {
    EXPECT_TRUE(killPointMatches("game", "game"));
    EXPECT_TRUE(killPointMatches("replace result_30_07_2006.htm", "replace result_"));
    EXPECT_FALSE(killPointMatches("replace Sam2.ini", "replace result_"));
    EXPECT_FALSE(killPointMatches("restore", "restored"));
    EXPECT_FALSE(killPointMatches("marker", ""));
}

}  // namespace
}  // namespace melkrin
