#include "run/run_controller.h"

#include <algorithm>
#include <utility>

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/file_system.h"
#include "common/kill_points.h"
#include "common/scheduler.h"
#include "common/text.h"
#include "gameconfig/demo_preparation.h"
#include "gameconfig/game_config_file.h"
#include "run/debug_log.h"
#include "run/process_runner.h"
#include "run/resolution_slot.h"
#include "run/result_log.h"
#include "run/run_clock.h"
#include "run/run_log_lines.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin {
namespace {

constexpr const char* kNoGame = "ERROR. Please, install the retail version of Serious Sam 2.";
constexpr const char* kNoResolution = "ERROR. Please, choose a resolution of Serious Sam 2.";
constexpr const char* kNoResultsFolder = "ERROR. Please, choose a folder for the results.";
constexpr const char* kCollecting = "Collecting system information...";
constexpr const char* kPreparing = "Preparing results...";
constexpr const char* kNoInformation = "No information";
constexpr const char* kCancelQuestion = "Cancel the benchmark? The game is ended and no report is written.";
constexpr const char* kCancelling = "Cancelling...";

// The command interpreter needs a batch path with blanks quoted
// (games usually live below "C:\Program Files").
std::string commandLineFor(const std::string& path) {
    return path.find(' ') == std::string::npos ? path : "\"" + path + "\"";
}

}  // namespace

RunController::RunController(RunServices services, const GameInstall& game, std::string programFolder,
                             std::string makerAddress)
    : s_(std::move(services)), game_(game), programFolder_(std::move(programFolder)),
      makerAddress_(std::move(makerAddress)) {
    s_.cp.OnTerminate = [this](ProcessRunner& sender, std::uint32_t exitCode) {
        s_.guard([&] { cpTerminate(sender, exitCode); });
    };
    s_.diagnostics.setGuard(s_.guard);
}

void RunController::step(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        endRun(RunOutcome::stoppedBy(error.what()));
    } catch (...) {
        endRun(RunOutcome::stoppedBy("Unknown error"));
    }
}

void RunController::later(unsigned milliseconds, RunState state, std::function<void()> body) {
    s_.scheduler.after(milliseconds, [this, state, body = std::move(body)] {
        if (state_ == state) step(body);
    });
}

void RunController::deleteIfExists(const std::string& path) {
    if (s_.files.fileExists(path)) (void)s_.files.deleteFile(path);
}

unsigned RunController::gameTimeLimit() {
    if (const auto given = s_.view.gameTimeLimit()) return std::min(*given, kLongestGameTimeLimit);
    const std::string stored = trim(s_.settings.readString(names::kGameTimeLimit));
    if (stored.empty() || stored.size() > 9 || !std::all_of(stored.begin(), stored.end(), [](char c) {
            return c >= '0' && c <= '9';
        }))
        return kDefaultGameTimeLimit;
    return std::min(static_cast<unsigned>(std::stoul(stored)), kLongestGameTimeLimit);
}

ResolutionSlot RunController::slotAt(int index) const {
    return resolutionSlot(index, s_.view.customWidth(), s_.view.customHeight());
}

bool RunController::slotChosen(int index) const {
    if (index < kCustomSlot) return s_.view.slotChecked(index);
    return s_.view.slotChecked(kCustomSlot) && !s_.view.customWidth().empty() && !s_.view.customHeight().empty();
}

void RunController::refuse(const std::string& message) {
    s_.dialogs.showMessage(message);
    s_.view.enableRunButton(true);
}

void RunController::BenchButtonClick() {
    if (inProgress()) return;
    s_.settings.open(names::kSettingsKey, false);
    if (!s_.files.folderExists(game_.demosFolder)) (void)s_.files.createFolder(game_.demosFolder);
    deleteIfExists(game_.logFile());
    if (!s_.files.fileExists(s_.view.gameExePath())) return refuse(kNoGame);

    run_.chosenCount = 0;
    run_.completedCount = 0;
    for (int i = 0; i <= kCustomSlot; ++i)
        if (slotChosen(i)) ++run_.chosenCount;
    if (run_.chosenCount <= 0) return refuse(kNoResolution);
    // Without a folder the report would land in whatever the working folder is.
    if (trim(s_.view.resultsFolder()).empty()) return refuse(kNoResultsFolder);

    s_.view.enableRunButton(false);
    DemoVerdict verdict;
    try {
        verdict = s_.demo.prepareDemo(game_, {s_.view.demoNumber(), s_.view.demoFile()});
    } catch (...) {
        s_.view.enableRunButton(true);
        throw;
    }
    if (verdict != DemoVerdict::dvOk) return refuse(demoRefusalMessage(verdict));

    state_ = RunState::rsDiagnostics;
    playing_ = -1;
    markerWritten_ = false;
    restoreFailed_ = false;
    cancelling_ = false;
    stoppedByLimit_ = false;
    anyStopped_ = false;
    outcomes_.clear();
    reportPath_.clear();
    errors_.clear();
    s_.view.enableCancelButton(true);
    s_.view.showProgress(true);
    step([this] {
        timeLimit_ = gameTimeLimit();
        s_.settings.open(names::kSettingsKey, false);
        const std::string memory = s_.settings.readString(names::kDisplayMemory);
        if (!memory.empty()) {
            const std::string driver = s_.settings.readString(names::kDriverVersion);
            const std::string sound = s_.settings.readString(names::kSound);
            run_.diagnostics = {memory, driver.empty() ? kNoInformation : driver,
                                sound.empty() ? kNoInformation : sound};
            BeginRun();
            return;
        }
        s_.view.setStatus(kCollecting);
        try {
            s_.diagnostics.collectDiagnostics([this](const Diagnostics& values) { diagnosticsEnded(values); });
        } catch (const OsError&) {
            // The diagnostic tool would not start: describe what can be described.
            diagnosticsEnded({kIndeterminable, kIndeterminable, kIndeterminable});
        }
    });
}

void RunController::diagnosticsEnded(const Diagnostics& values) {
    if (state_ != RunState::rsDiagnostics) return;
    run_.diagnostics = values;
    if (cancelling_) return endRun(RunOutcome::cancelledByUser());
    step([this] { BeginRun(); });
}

void RunController::BeginRun() {
    state_ = RunState::rsPreparing;
    s_.settings.open(names::kSettingsKey, true);
    markerWritten_ = true;
    s_.settings.writeString(names::kRunMarker, "1");
    killPoint("marker");
    run_.stamp = runStamp(s_.clock.dateTimeText());
    run_.startedAt = s_.clock.dateTimeText();

    const std::string version = s_.settings.readString(names::kProgramVersion);
    for (const auto& line : debugRunHeader(version, programFolder_, s_.view.resultsFolder(), game_))
        s_.debugLog.add(line);

    run_.systemInfo = s_.collectSystemInfo(run_.diagnostics);
    report_.header(makerAddress_, run_.startedAt, run_.systemInfo, s_.view.note());
    for (const auto& line : debugMachineLines(run_.systemInfo)) s_.debugLog.add(line);

    s_.config.prepare(game_, s_.view.qualityChoices(), labels_);

    s_.debugLog.add("");
    s_.debugLog.add("...");
    s_.debugLog.add("");
    s_.debugLog.save();
    StartFromSlot(0);
}

void RunController::StartFromSlot(int first) {
    int index = first;
    while (index <= kCustomSlot && !slotChosen(index)) ++index;
    // The choices cannot change under the progress panel; should they have, the run ends here.
    if (index > kCustomSlot) return FinishRun();

    const ResolutionSlot slot = slotAt(index);
    s_.debugLog.add(slot.startLine);
    s_.debugLog.save();
    s_.view.setStatus(slot.statusText);
    run_.currentSlot = slot.key;
    playing_ = index;
    state_ = RunState::rsPlaying;

    s_.files.writeFile(game_.batchFile(), toCrLfFile({gameCommandLine(s_.demo.demoFileName(), slot.width, slot.height)}));
    s_.cp.CurrentDirectory = game_.binFolder;
    s_.cp.CommandLine = commandLineFor(game_.batchFile());
    stoppedByLimit_ = false;
    // A refused start raises: no end will come for a game that never started,
    // and the runner guarantees that nothing it started is left running.
    s_.cp.Start();
    killPoint("game");
    if (anyStopped_) killPoint("game after time limit");
    armTimeLimit();
}

void RunController::armTimeLimit() {
    const int game = ++gameNumber_;
    if (timeLimit_ == 0) return;
    limitTicket_ = s_.scheduler.schedule(timeLimit_ * 1000u, [this, game] {
        // A limit that outlived its game (a scheduler that cannot withdraw) does nothing.
        if (state_ == RunState::rsPlaying && gameNumber_ == game) step([this, game] { timeLimitReached(game); });
    });
}

void RunController::timeLimitReached(int) {
    limitTicket_ = 0;
    if (cancelling_) return;
    stoppedByLimit_ = true;
    anyStopped_ = true;
    const ResolutionSlot slot = slotAt(playing_);
    s_.debugLog.add("Time limit: the game at " + slot.width + "\xD7" + slot.height + " ran longer than " +
                    std::to_string(timeLimit_) + " s and was stopped");
    s_.debugLog.save();
    killPoint("time limit");
    stopGame();
}

// The game's end still arrives through cpTerminate: only then is nothing of
// it left that could hold the log or the configuration.
void RunController::stopGame() { s_.cp.Stop(); }

void RunController::CancelButtonClick(bool ask) {
    const auto cancellable = [this] {
        return inProgress() && state_ != RunState::rsFinishing && !cancelling_ && !asking_;
    };
    if (!cancellable()) return;
    if (ask) {
        asking_ = true;
        const bool yes = s_.dialogs.confirm(kCancelQuestion);
        asking_ = false;
        // The run went on while the question was up: it may be over by now.
        if (!yes || !cancellable()) return;
    }
    cancelling_ = true;
    s_.view.enableCancelButton(false);
    s_.view.setStatus(kCancelling);
    s_.debugLog.add("Run cancelled by the user");
    step([this] {
        s_.debugLog.save();
        killPoint("cancel");
        switch (state_) {
            case RunState::rsPlaying:
                return stopGame();  // its end ends the run
            case RunState::rsDiagnostics:
                return;  // the diagnostic tool ends within seconds; then the run ends
            default:
                return endRun(RunOutcome::cancelledByUser());
        }
    });
}

void RunController::recordSlot(const std::string& figure, const std::string& reason) {
    const ResolutionSlot slot = slotAt(playing_);
    outcomes_.push_back({playing_, slot.width + "x" + slot.height, figure, figure.empty() ? reason : std::string(),
                         stoppedByLimit_});
}

void RunController::cpTerminate(ProcessRunner&, std::uint32_t) {
    // The exit code says nothing about the benchmark: the game's log does.
    if (state_ != RunState::rsPlaying) return;
    s_.scheduler.cancel(std::exchange(limitTicket_, 0));
    step([this] {
        if (cancelling_) {
            killPoint("cancelled game");
            s_.debugLog.add("Serious Sam 2 terminated");
            deleteIfExists(game_.batchFile());
            return endRun(RunOutcome::cancelledByUser());
        }
        if (stoppedByLimit_) killPoint("time limit stopped");
        state_ = RunState::rsCollecting;
        s_.debugLog.add("Serious Sam 2 terminated");
        s_.debugLog.save();
        ++run_.completedCount;
        // The custom size is always the last; a fixed one says so only when more follow.
        if (playing_ == kCustomSlot || run_.completedCount != run_.chosenCount)
            s_.debugLog.add(slotAt(playing_).successLine);
        CollectSlotResult();
    });
}

void RunController::CollectSlotResult() {
    deleteIfExists(game_.batchFile());
    later(2000, RunState::rsCollecting, [this] { testLog(0); });
}

void RunController::testLog(unsigned waited) {
    killPoint("collect");
    const std::string log = game_.logFile();
    const bool exists = s_.files.fileExists(log);
    const bool inUse = exists && s_.inUse.isInUse(log);
    if (inUse && waited < kLogWaitLimitMs) {
        // The game may still be writing: look again shortly, the window keeps painting.
        later(kLogRetryMs, RunState::rsCollecting, [this, waited] { testLog(waited + kLogRetryMs); });
        return;
    }

    run_.lastResult.clear();
    if (stoppedByLimit_) {
        // Whatever its log holds, a game that was ended gave no figure.
        const std::string reason = "stopped after " + std::to_string(timeLimit_) + " s, the game's time limit";
        report_.stoppedBlock(slotAt(playing_).heading, s_.demo.demoFileName(), reason);
        recordSlot("", reason);
    } else if (exists && !inUse) {
        s_.view.repaintAll();
        s_.debugLog.add("Source exist");
        run_.lastResult = readDemoResult(s_.files.readFile(log));
        s_.debugLog.add("Result: " + run_.lastResult + " FPS");
        report_.slotBlock(slotAt(playing_).heading, s_.demo.demoFileName(), labels_, run_.lastResult);
        recordSlot(run_.lastResult, "the game's log holds no figure");
    } else {
        recordSlot("", exists ? "the game's log stayed in use" : "the game left no log");
    }
    const bool last = run_.completedCount >= run_.chosenCount;
    if (last) FinishRun();
    deleteIfExists(log);
    if (!last) StartFromSlot(playing_ + 1);
}

void RunController::FinishRun() {
    state_ = RunState::rsFinishing;
    s_.view.setStatus(kPreparing);
    s_.view.repaintProgress();
    report_.closing();
    // A stopped game is written up even when it was the last one: the page says why it has no figure.
    if (run_.lastResult.empty() && !anyStopped_) return endRun(RunOutcome::completed());

    std::string saved;
    try {
        saved = report_.save(s_.files, s_.view.resultsFolder(), run_.stamp);
        reportPath_ = saved;
    } catch (const std::exception& error) {
        // The configuration still goes back; the error is shown at the end.
        noteError(error.what());
        return endRun(RunOutcome::completed());
    }
    later(1000, RunState::rsFinishing, [this, saved] {
        if (openReportAtEnd) s_.openReport(saved);
        endRun(RunOutcome::completed());
    });
}

void RunController::noteError(const std::string& message) {
    if (std::find(errors_.begin(), errors_.end(), message) != errors_.end()) return;
    errors_.push_back(message);
    // The debug log shows how far the run got and why it went no further.
    const auto lines = splitLines(message);
    for (std::size_t i = 0; i < lines.size(); ++i) s_.debugLog.add(i == 0 ? "ERROR: " + lines[i] : lines[i]);
}

// Every run ends here, once: a normal end after the report, or an error
// anywhere on the way.
void RunController::endRun(const RunOutcome& outcome) {
    if (state_ == RunState::rsIdle) return;
    // From here on no end of a game and no timer of this run does anything.
    state_ = RunState::rsFinishing;
    s_.scheduler.cancel(std::exchange(limitTicket_, 0));
    if (outcome.failed) noteError(outcome.error);
    cancelling_ = cancelling_ || outcome.cancelled;
    try {
        s_.config.restore(game_);
        killPoint("restored");
    } catch (const std::exception& error) {
        restoreFailed_ = true;
        noteError(error.what());
    }
    s_.scheduler.after(1000, [this] { closeRun(); });
}

void RunController::closeRun() {
    s_.view.showProgress(false);
    // A backup that is still there holds a user's file (a failed restore, or
    // the backup of an interrupted run this run never touched): the marker
    // stays, and the next start offers to put it back.
    if (markerWritten_ && !restoreFailed_ && !s_.files.fileExists(game_.configBackup())) {
        try {
            s_.settings.open(names::kSettingsKey, true);
            s_.settings.writeString(names::kRunMarker, "0");
        } catch (const std::exception& error) {
            noteError(error.what());
        }
    }
    s_.view.enableRunButton(true);
    state_ = RunState::rsIdle;
    s_.debugLog.add("");
    s_.debugLog.add("DEBUG FINISHED.");
    s_.debugLog.add(std::string(55, '-'));
    try {
        s_.debugLog.save();
    } catch (const std::exception& error) {
        if (std::find(errors_.begin(), errors_.end(), error.what()) == errors_.end()) errors_.push_back(error.what());
    }
    RunSummary summary;
    summary.slots = outcomes_;
    summary.reportPath = reportPath_;
    summary.errors = errors_;
    using R = RunSummary::Result;
    const bool allFigures = static_cast<int>(outcomes_.size()) == run_.chosenCount &&
                            std::all_of(outcomes_.begin(), outcomes_.end(), [](const SlotOutcome& o) { return !o.figure.empty(); });
    summary.result = !errors_.empty() ? R::rrError : cancelling_ ? R::rrCancelled : allFigures ? R::rrDone : R::rrNoFigure;
    if (!errors_.empty()) s_.dialogs.showError(joinLines(errors_, "\r\n\r\n"));
    errors_.clear();
    if (onRunEnded) onRunEnded(summary);
}

void RunController::FormClose() { deleteIfExists(game_.batchFile()); }

}  // namespace melkrin
