// Ending a run early: the cancel button (asked once) and the game time limit.
// Both go through the run's one end: the configuration goes back, the marker
// is cleared, the window is given back and the debug log says what happened.
#include <gtest/gtest.h>

#include <deque>
#include <optional>

#include <gmock/gmock.h>

#include "app/command_line.h"
#include "app/main_window.h"
#include "main_window_doubles.h"
#include "unit/run_rig.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::uint32_t kStoppedCode = 0xFFFFFFFFu;


struct Ended {
    std::optional<RunSummary> summary;
    int calls = 0;
};

void listen(Rig& rig, Ended& ended) {
    rig.controller->onRunEnded = [&ended](const RunSummary& s) {
        ended.summary = s;
        ++ended.calls;
    };
}

// The stored limit of a run: the delay of the timer armed with the game.
std::optional<unsigned> armedLimit(Rig& rig) {
    for (const auto& task : rig.scheduler.pending)
        if (task.ticket != 0) return task.delay;
    return std::nullopt;
}

TEST(RunCancelTest, CancelEndsTheRunWithoutAReportWhereverItIs) {
    enum class At { Playing, Collecting, Diagnostics };
    const struct Case {
        const char* what;
        At at;
        bool gameStopped;
    } cases[] = {
        {"while the first game plays", At::Playing, true},
        {"while the log of the first game is awaited", At::Collecting, false},
        {"while the diagnostic tool runs", At::Diagnostics, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        Ended ended;
        listen(rig, ended);
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setChecked(ControlId::Res800, true);
        if (c.at == At::Diagnostics) {
            rig.keys.set(names::kSettingsKey, "Display Memory", "");
            rig.files.addFile("C:\\windows\\system32\\dxdiag.exe", "MZ");
        }
        rig.startRun();
        if (c.at == At::Collecting) {
            rig.files.addFile(rig.game.logFile(), "Average: 99.00 FPS\r\n");
            rig.cp.finish(0);
            ASSERT_EQ(rig.controller->state(), RunState::Collecting);
        }
        rig.dialogs.answers = {true};
        rig.controller->onCancelClicked();
        EXPECT_EQ(rig.dialogs.questions.size(), 1u);
        EXPECT_EQ(rig.cp.stops, c.gameStopped ? 1 : 0);
        EXPECT_FALSE(rig.view.enabled(ControlId::CancelButton));
        rig.controller->onCancelClicked();  // a second press while it ends
        EXPECT_EQ(rig.dialogs.questions.size(), 1u) << "asked once";

        if (c.at == At::Playing) {
            EXPECT_NE(rig.controller->state(), RunState::Idle) << "nothing goes back under a running game";
            rig.cp.finish(kStoppedCode);
        }
        if (c.at == At::Diagnostics) {
            rig.files.addFile(kProgram + "dxinfo.txt", "nothing useful\r\n");
            rig.dxrun.finish(0);
        }
        rig.scheduler.runAll();

        rig.expectEndedCleanly();
        EXPECT_EQ(rig.cp.starts.size(), c.at == At::Diagnostics ? 0u : 1u) << "no further game";
        EXPECT_TRUE(rig.opened.empty());
        EXPECT_FALSE(rig.files.fileExists(rig.reportPath()));
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_FALSE(rig.files.fileExists(kContent + "Sam2_old.ini"));
        if (c.at != At::Diagnostics) {
            EXPECT_EQ(rig.marker(), "0");
        }
        EXPECT_FALSE(rig.files.fileExists(rig.game.batchFile()));
        EXPECT_FALSE(after(rig.debugFile(), "Run cancelled by the user").empty());
        EXPECT_TRUE(rig.dialogs.errors.empty()) << "a cancel is no error";
        ASSERT_EQ(ended.calls, 1);
        EXPECT_EQ(ended.summary->result, RunSummary::Result::Cancelled);
        EXPECT_TRUE(ended.summary->reportPath.empty());
    }
}

TEST(RunCancelTest, DecliningTheQuestionOrPressingWhenIdleChangesNothing) {
    Rig rig;
    rig.controller->onCancelClicked();
    EXPECT_TRUE(rig.dialogs.questions.empty()) << "no run, no question";

    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.dialogs.answers = {false};
    rig.controller->onCancelClicked();
    EXPECT_EQ(rig.cp.stops, 0);
    EXPECT_TRUE(rig.view.enabled(ControlId::CancelButton));
    rig.playGame("Average: 80.00 FPS\r\n");
    rig.expectEndedCleanly();
    EXPECT_TRUE(rig.files.fileExists(rig.reportPath())) << "the run went on to its report";

    // Once the report is being written there is nothing left to cancel.
    Rig late;
    late.view.setChecked(ControlId::Res640, true);
    late.startRun();
    late.files.addFile(late.game.logFile(), "Average: 80.00 FPS\r\n");
    late.cp.finish(0);
    late.scheduler.runAll(1);  // the 2 s wait: the log is read, the report saved
    ASSERT_EQ(late.controller->state(), RunState::Finishing);
    late.controller->onCancelClicked();
    EXPECT_TRUE(late.dialogs.questions.empty());
}

// The system's close command during a run is a Cancel: asked as the button
// asks (not when quiet), ended the same way, and the window closes only once
// the run has put everything back.
TEST(RunCancelTest, ClosingTheWindowDuringARunCancelsItAndClosesAfterTheEnd) {
    const struct Case {
        const char* what;
        bool quiet;
        std::deque<bool> answers;
        bool cancelled;
    } cases[] = {
        {"asked and confirmed", false, {true}, true},
        {"asked and declined", false, {false}, false},
        {"quiet: not asked", true, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        Ended ended;
        listen(rig, ended);
        MainWindowDoubles doubles;
        MainWindow form(rig.view, doubles.services(kProgram));
        form.attachUi(doubles.uiServices());
        form.attachRun(*rig.controller);
        form.setQuiet(c.quiet);
        rig.view.setChecked(ControlId::Res640, true);
        rig.startRun();
        rig.dialogs.answers = c.answers;

        EXPECT_FALSE(form.onCloseRequested()) << "the window stays while the game plays";
        EXPECT_EQ(rig.dialogs.questions.size(), c.quiet ? 0u : 1u);
        EXPECT_EQ(rig.cp.stops, c.cancelled ? 1 : 0);
        EXPECT_THAT(doubles.log, IsEmpty());
        if (!c.cancelled) {
            EXPECT_TRUE(rig.cp.running()) << "declined: the run goes on";
            continue;
        }
        EXPECT_FALSE(form.onCloseRequested()) << "a second close while it ends";
        EXPECT_EQ(rig.dialogs.questions.size(), c.quiet ? 0u : 1u) << "asked once";
        rig.cp.finish(kStoppedCode);
        rig.scheduler.runAll();
        rig.expectEndedCleanly();
        ASSERT_EQ(ended.calls, 1) << "whoever waited for the run still hears of its end";
        EXPECT_EQ(ended.summary->result, RunSummary::Result::Cancelled);
        EXPECT_THAT(doubles.log, ElementsAre("close window"));
        EXPECT_TRUE(form.onCloseRequested()) << "idle again: the window closes";
    }
}

TEST(RunCancelTest, AStopThatFailsEndsTheRunWithTheError) {
    Rig rig;
    Ended ended;
    listen(rig, ended);
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.cp.refuseStop = true;
    rig.controller->onCancelClicked(false);
    rig.scheduler.runAll();
    EXPECT_TRUE(rig.dialogs.questions.empty()) << "told not to ask";
    EXPECT_EQ(rig.controller->state(), RunState::Idle);
    ASSERT_EQ(rig.dialogs.errors.size(), 1u);
    EXPECT_EQ(ended.summary->result, RunSummary::Result::Error);
}

TEST(RunTimeLimitTest, AGameThatRunsTooLongIsStoppedAndTheRunGoesOn) {
    const struct Case {
        const char* what;
        bool firstHangs;
        bool secondHangs;
    } cases[] = {
        {"the first of two hangs", true, false},
        {"the last hangs: the report is still written and says why", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        Ended ended;
        listen(rig, ended);
        rig.keys.set(names::kSettingsKey, "GameTimeLimit", "5");
        rig.view.setChecked(ControlId::Res640, true);
        rig.view.setChecked(ControlId::Res800, true);
        rig.startRun();
        for (bool hangs : {c.firstHangs, c.secondHangs}) {
            ASSERT_TRUE(rig.cp.running());
            if (hangs) {
                EXPECT_EQ(armedLimit(rig), 5000u);
                // A half-written log of the stopped game is no result.
                rig.files.addFile(rig.game.logFile(), "Average: 12.00 FPS\r\n");
                ASSERT_TRUE(rig.scheduler.runWithdrawable());
                EXPECT_EQ(rig.cp.stops, 1);
                rig.cp.finish(kStoppedCode);
                rig.scheduler.runAll();
            } else {
                rig.playGame("Average: 70.00 FPS\r\n");
            }
        }
        rig.expectEndedCleanly();
        EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
        EXPECT_EQ(rig.marker(), "0");
        ASSERT_TRUE(rig.files.fileExists(rig.reportPath()));
        const std::string report = rig.files.content(rig.reportPath());
        const std::string stoppedSize = c.firstHangs ? "640\xD7" "480" : "800\xD7" "600";
        EXPECT_NE(report.find("<BR><B><FONT size=5>Resolution: " + stoppedSize +
                              "</FONT></B><BR>\r\nDemo: Demo_0001.dem<br>\r\n"
                              "<span class=\"style5\"><b>No score: stopped after 5 s, the game's time limit"),
                  std::string::npos);
        EXPECT_EQ(report.find("12.00"), std::string::npos);
        const auto debug = rig.debugFile();
        EXPECT_NE(std::find(debug.begin(), debug.end(),
                            "Time limit: the game at " + stoppedSize + " ran longer than 5 s and was stopped"),
                  debug.end());
        ASSERT_EQ(ended.calls, 1);
        EXPECT_EQ(ended.summary->result, RunSummary::Result::NoFigure);
        ASSERT_EQ(ended.summary->slots.size(), 2u);
        const SlotOutcome& stopped = ended.summary->slots[c.firstHangs ? 0 : 1];
        const SlotOutcome& played = ended.summary->slots[c.firstHangs ? 1 : 0];
        EXPECT_TRUE(stopped.stopped);
        EXPECT_EQ(stopped.figure, "");
        EXPECT_EQ(stopped.reason, "stopped after 5 s, the game's time limit");
        EXPECT_EQ(played.figure, "70.00");
        EXPECT_EQ(ended.summary->reportPath, rig.reportPath());
    }
}

TEST(RunTimeLimitTest, TheLimitComesFromTheRunOrTheSettings) {
    const struct Case {
        const char* stored;  // nullptr: no value
        std::optional<unsigned> given;
        std::optional<unsigned> armedMs;
    } cases[] = {
        {nullptr, std::nullopt, 600000u},  // ten minutes when nothing is said
        {"", std::nullopt, 600000u},
        {"90", std::nullopt, 90000u},
        {" 45 ", std::nullopt, 45000u},
        {"0", std::nullopt, std::nullopt},  // off
        {"-5", std::nullopt, 600000u},      // unreadable: the default
        {"ten", std::nullopt, 600000u},
        {"99999999999", std::nullopt, 600000u},
        {"90", 3u, 3000u},  // the run's own limit wins and is not stored
        {"90", 0u, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.stored ? c.stored : "<none>") + " / " +
                     (c.given ? std::to_string(*c.given) : "-"));
        Rig rig;
        // A time limit given for this run, as the command line gives it.
        RunOptions options;
        options.gameTimeLimit = c.given;
        if (c.stored) rig.keys.set(names::kSettingsKey, "GameTimeLimit", c.stored);
        rig.view.setChecked(ControlId::Res640, true);
        rig.controller->start(commandLineRunRequest(rig.request(), options));
        ASSERT_TRUE(rig.cp.running());
        EXPECT_EQ(armedLimit(rig), c.armedMs);
        const auto stored = rig.keys.get(names::kSettingsKey, "GameTimeLimit");
        EXPECT_EQ(stored.has_value(), c.stored != nullptr) << "never written";
        rig.cp.finish(0);
        EXPECT_EQ(armedLimit(rig), std::nullopt) << "a game that ended withdraws its limit";
    }
}

}  // namespace
}  // namespace melkrin
