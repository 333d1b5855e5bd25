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
#include "common/debug_log.h"
#include "run/pass_statistics.h"
#include "common/process_runner.h"
#include "run/resolution_slot.h"
#include "run/result_files.h"
#include "run/result_log.h"
#include "run/run_clock.h"
#include "run/run_facts.h"
#include "run/run_log_lines.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"
#include "update/update_key.h"

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
    s_.cp.onTerminate = [this](ProcessRunner& sender, std::uint32_t exitCode) {
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
        if (this->state() == state) step(body);
    });
}

void RunController::deleteIfExists(const std::string& path) {
    if (s_.files.fileExists(path)) (void)s_.files.deleteFile(path);
}

int RunController::playingSlot() const {
    if (const auto* playing = std::get_if<phase::Playing>(&phase_)) return slotAt(playing->slot).index;
    if (const auto* collecting = std::get_if<phase::Collecting>(&phase_)) return slotAt(collecting->slot).index;
    return -1;
}

void RunController::refuse(const std::string& message) {
    s_.dialogs.showMessage(message);
    s_.view.enableRunButton(true);
}

void RunController::start(RunRequest request) {
    if (inProgress()) return;
    s_.settings.open(names::kSettingsKey, false);
    if (!s_.files.folderExists(game_.demosFolder)) (void)s_.files.createFolder(game_.demosFolder);
    deleteIfExists(game_.logFile());
    if (!s_.files.fileExists(request.gameExePath)) return refuse(kNoGame);

    run_.chosenCount = static_cast<int>(request.slots.size());
    run_.completedCount = 0;
    if (run_.chosenCount <= 0) return refuse(kNoResolution);
    // Without a folder the report would land in whatever the working folder is.
    if (trim(request.resultsFolder).empty()) return refuse(kNoResultsFolder);

    s_.view.enableRunButton(false);
    DemoVerdict verdict;
    try {
        verdict = s_.demo.prepareDemo(game_, {request.demoNumber, request.demoFile});
    } catch (...) {
        s_.view.enableRunButton(true);
        throw;
    }
    if (verdict != DemoVerdict::Ok) return refuse(demoRefusalMessage(verdict));

    request_ = std::move(request);
    phase_ = phase::Diagnostics{};
    tally_ = RunTally{};
    // A run that ends before it began still says when it was tried.
    startedAtIso_ = s_.clock.isoDateTime();
    provenance_ = RunProvenance{};
    resultFile_.clear();
    s_.view.enableCancelButton(true);
    s_.view.showProgress(true);
    step([this] {
        s_.settings.open(names::kSettingsKey, false);
        const std::string memory = s_.settings.readString(names::kDisplayMemory);
        if (!memory.empty()) {
            const std::string driver = s_.settings.readString(names::kDriverVersion);
            const std::string sound = s_.settings.readString(names::kSound);
            run_.diagnostics = {memory, driver.empty() ? kNoInformation : driver,
                                sound.empty() ? kNoInformation : sound};
            beginRun();
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
    if (!std::holds_alternative<phase::Diagnostics>(phase_)) return;
    run_.diagnostics = values;
    if (tally_.cancel == CancelRequest::Requested) return endRun(RunOutcome::cancelledByUser());
    step([this] { beginRun(); });
}

void RunController::beginRun() {
    phase_ = phase::Preparing{};
    s_.settings.open(names::kSettingsKey, true);
    tally_.markerWritten = true;
    s_.settings.writeString(names::kRunMarker, "1");
    killPoint("marker");
    run_.stamp = runStamp(s_.clock.dateTimeText());
    run_.startedAt = s_.clock.dateTimeText();
    startedAtIso_ = s_.clock.isoDateTime();

    const std::string version = s_.settings.readString(names::kProgramVersion);
    programVersion_ = version;
    for (const auto& line : debugRunHeader(version, programFolder_, request_.resultsFolder, game_,
                                           update::usesDevelopmentKey()))
        s_.debugLog.add(line);

    run_.systemInfo = s_.collectSystemInfo(run_.diagnostics);
    report_.header(makerAddress_, run_.startedAt, run_.systemInfo, request_.note);
    for (const auto& line : debugMachineLines(run_.systemInfo)) s_.debugLog.add(line);

    s_.config.prepare(game_, request_.quality, labels_);
    recordProvenance();

    s_.debugLog.add("");
    s_.debugLog.add("...");
    s_.debugLog.add("");
    s_.debugLog.save();
    startFromSlot(0);
}

void RunController::startFromSlot(std::size_t position) {
    if (position >= request_.slots.size()) return finishRun();
    startGame({position, request_.passes.warmUp, {}});
}

// One game start at the resolution playing: a pass, or the warm-up before them.
void RunController::startGame(phase::SlotPasses passes) {
    const PassPlan& plan = request_.passes;
    const ResolutionSlot& slot = slotAt(passes);
    std::string status = slot.statusText;
    if (!plan.single()) {
        const std::string where = " at " + slot.width + "\xD7" + slot.height;
        const std::string number = std::to_string(passes.counted.size() + 1);
        if (passes.warmingUp) {
            s_.debugLog.add("Warm-up pass" + where + ", not counted");
            status += " (warm-up)";
        } else if (plan.untilStable) {
            s_.debugLog.add("Pass " + number + where + ", " + kUntilStable);
            status += " (pass " + number + ")";
        } else {
            s_.debugLog.add("Pass " + number + " of " + std::to_string(plan.count) + where);
            status += " (pass " + number + " of " + std::to_string(plan.count) + ")";
        }
    }
    s_.debugLog.add(slot.startLine);
    s_.debugLog.save();
    s_.view.setStatus(status);
    run_.currentSlot = slot.key;
    phase::GameTiming timing{s_.clock.isoDateTime(), s_.facts ? s_.facts->steadySeconds() : 0.0, std::nullopt};
    phase::Playing& playing =
        phase_.emplace<phase::Playing>(phase::Playing{std::move(passes), 0, 0, false, std::move(timing)});

    s_.files.writeFile(game_.batchFile(), toCrLfFile({gameCommandLine(s_.demo.demoFileName(), slot.width, slot.height)}));
    s_.cp.currentDirectory = game_.binFolder;
    s_.cp.commandLine = commandLineFor(game_.batchFile());
    // A refused start raises: no end will come for a game that never started,
    // and the runner guarantees that nothing it started is left running.
    s_.cp.start();
    killPoint("game");
    if (tally_.anyStopped) killPoint("game after time limit");
    armTimeLimit(playing);
}

void RunController::armTimeLimit(phase::Playing& playing) {
    const int game = playing.game = ++gamesStarted_;
    if (request_.timeLimit == 0) return;
    playing.limitTicket = s_.scheduler.schedule(request_.timeLimit * 1000u, [this, game] {
        // A limit that outlived its game (a scheduler that cannot withdraw) does nothing.
        step([this, game] { timeLimitReached(game); });
    });
}

void RunController::timeLimitReached(int game) {
    auto* playing = std::get_if<phase::Playing>(&phase_);
    if (!playing || playing->game != game) return;
    playing->limitTicket = 0;
    if (tally_.cancel == CancelRequest::Requested) return;
    playing->stoppedByLimit = true;
    tally_.anyStopped = true;
    const ResolutionSlot& slot = slotAt(playing->slot);
    s_.debugLog.add("Time limit: the game at " + slot.width + "\xD7" + slot.height + " ran longer than " +
                    std::to_string(request_.timeLimit) + " s and was stopped");
    s_.debugLog.save();
    killPoint("time limit");
    // The game's end still arrives through cpTerminate: only then is nothing of
    // it left that could hold the log or the configuration.
    s_.cp.stop();
}

void RunController::onCancelClicked(bool ask) {
    const auto cancellable = [this] {
        return inProgress() && !std::holds_alternative<phase::Finishing>(phase_) &&
               tally_.cancel == CancelRequest::None;
    };
    if (!cancellable()) return;
    if (ask) {
        tally_.cancel = CancelRequest::Asking;
        const bool yes = s_.dialogs.confirm(kCancelQuestion);
        if (tally_.cancel == CancelRequest::Asking) tally_.cancel = CancelRequest::None;
        // The run went on while the question was up: it may be over by now.
        if (!yes || !cancellable()) return;
    }
    tally_.cancel = CancelRequest::Requested;
    s_.view.enableCancelButton(false);
    s_.view.setStatus(kCancelling);
    s_.debugLog.add("Run cancelled by the user");
    step([this] {
        s_.debugLog.save();
        killPoint("cancel");
        switch (state()) {
            case RunState::Playing:
                return s_.cp.stop();  // its end ends the run
            case RunState::Diagnostics:
                return;  // the diagnostic tool ends within seconds; then the run ends
            default:
                return endRun(RunOutcome::cancelledByUser());
        }
    });
}

namespace {

PassOutcome passOutcome(const std::string& figure, const std::string& reason, const phase::GameTiming& timing) {
    PassOutcome pass{figure, figureValue(figure), {}, timing.startedAt, timing.durationSeconds};
    if (!pass.fps) pass.reason = figure.empty() ? reason : "the game's figure \"" + figure + "\" is no number";
    return pass;
}

std::vector<double> figuresOf(const std::vector<PassOutcome>& passes) {
    std::vector<double> figures;
    for (const auto& pass : passes)
        if (pass.fps) figures.push_back(*pass.fps);
    return figures;
}

}  // namespace

void RunController::recordSlot(const phase::SlotPasses& passes, const std::string& figure, const std::string& reason,
                               bool stopped, std::vector<PassOutcome> outcomes) {
    const ResolutionSlot& slot = slotAt(passes);
    const auto statistics = passStatistics(figuresOf(outcomes));
    tally_.outcomes.push_back({slot.index, slot.width + "x" + slot.height, figure,
                               figure.empty() ? reason : std::string(), stopped, std::move(outcomes), statistics});
}

void RunController::cpTerminate(ProcessRunner&, std::uint32_t) {
    // The exit code says nothing about the benchmark: the game's log does.
    auto* playing = std::get_if<phase::Playing>(&phase_);
    if (!playing) return;
    s_.scheduler.cancel(std::exchange(playing->limitTicket, 0));
    step([this] {
        phase::Playing ended = std::get<phase::Playing>(std::move(phase_));
        if (tally_.cancel == CancelRequest::Requested) {
            killPoint("cancelled game");
            s_.debugLog.add("Serious Sam 2 terminated");
            deleteIfExists(game_.batchFile());
            return endRun(RunOutcome::cancelledByUser());
        }
        if (ended.stoppedByLimit) killPoint("time limit stopped");
        const ResolutionSlot& slot = slotAt(ended.slot);
        if (s_.facts) ended.timing.durationSeconds = s_.facts->steadySeconds() - ended.timing.startSeconds;
        phase_ = phase::Collecting{std::move(ended.slot), ended.stoppedByLimit, std::move(ended.timing)};
        s_.debugLog.add("Serious Sam 2 terminated");
        s_.debugLog.save();
        // The custom size is always the last; a fixed one says so only when more
        // follow. With passes another game may follow at the same size.
        const bool single = request_.passes.single();
        if (single) ++run_.completedCount;
        if (!single || slot.index == kCustomSlot || run_.completedCount != run_.chosenCount)
            s_.debugLog.add(slot.successLine);
        deleteIfExists(game_.batchFile());
        later(2000, RunState::Collecting, [this] { testLog(0); });
    });
}

void RunController::testLog(unsigned waited) {
    killPoint("collect");
    const std::string log = game_.logFile();
    const bool exists = s_.files.fileExists(log);
    const bool inUse = exists && s_.inUse.isInUse(log);
    if (inUse && waited < kLogWaitLimitMs) {
        // The game may still be writing: look again shortly, the window keeps painting.
        later(kLogRetryMs, RunState::Collecting, [this, waited] { testLog(waited + kLogRetryMs); });
        return;
    }

    phase::Collecting collecting = std::get<phase::Collecting>(std::move(phase_));
    const bool single = request_.passes.single();
    const ResolutionSlot& slot = slotAt(collecting.slot);
    run_.lastResult.clear();
    std::string figure;
    std::string reason;
    if (collecting.stoppedByLimit) {
        // Whatever its log holds, a game that was ended gave no figure.
        reason = "stopped after " + std::to_string(request_.timeLimit) + " s, the game's time limit";
        if (single) report_.stoppedBlock(slot.heading, s_.demo.demoFileName(), reason);
    } else if (exists && !inUse) {
        s_.view.repaintAll();
        s_.debugLog.add("Source exist");
        run_.lastResult = readDemoResult(s_.files.readFile(log));
        s_.debugLog.add("Result: " + run_.lastResult + " FPS");
        figure = run_.lastResult;
        reason = "the game's log holds no figure";
        if (single) report_.slotBlock(slot.heading, s_.demo.demoFileName(), labels_, figure);
    } else {
        reason = exists ? "the game's log stayed in use" : "the game left no log";
    }
    if (!single)
        return passEnded(std::move(collecting.slot), figure, reason, collecting.stoppedByLimit, collecting.timing);
    recordSlot(collecting.slot, figure, reason, collecting.stoppedByLimit,
               {passOutcome(figure, reason, collecting.timing)});
    nextSlotOrFinish(collecting.slot.position);
}

// A game of a resolution played more than once has ended and its log is read.
void RunController::passEnded(phase::SlotPasses passes, const std::string& figure, const std::string& reason,
                              bool stopped, const phase::GameTiming& timing) {
    const ResolutionSlot& slot = slotAt(passes);
    const std::string where = " at " + slot.width + "\xD7" + slot.height + ": ";
    if (passes.warmingUp) {
        passes.warmingUp = false;
        s_.debugLog.add("Warm-up" + where + (figure.empty() ? "no figure, " + reason : figure + " FPS") +
                        " (not counted)");
        s_.debugLog.save();
        if (stopped) return slotDone(passes, reason, stopped);
        deleteIfExists(game_.logFile());
        return startGame(std::move(passes));
    }
    PassOutcome pass = passOutcome(figure, reason, timing);
    s_.debugLog.add("Pass " + std::to_string(passes.counted.size() + 1) + where +
                    (pass.fps ? formatFigure(*pass.fps) + " FPS" : "no figure, " + pass.reason));
    s_.debugLog.save();
    const std::string why = pass.reason;
    passes.counted.push_back(std::move(pass));
    // A game the time limit had to end would likely hang again: the resolution ends here.
    if (!stopped &&
        anotherPassWanted(request_.passes, static_cast<int>(passes.counted.size()), figuresOf(passes.counted))) {
        deleteIfExists(game_.logFile());
        return startGame(std::move(passes));
    }
    slotDone(passes, why, stopped);
}

// The passes of a resolution are over: its block in the report and its record.
void RunController::slotDone(const phase::SlotPasses& passes, const std::string& lastReason, bool stopped) {
    const ResolutionSlot& slot = slotAt(passes);
    const auto statistics = passStatistics(figuresOf(passes.counted));
    s_.debugLog.add("Passes at " + slot.width + "\xD7" + slot.height + " done");
    if (statistics) {
        s_.debugLog.add("Mean: " + formatFigure(statistics->mean) + " FPS");
        for (const auto& line : passLines(request_.passes, passes.counted, *statistics)) s_.debugLog.add(line);
        report_.passesBlock(slot.heading, s_.demo.demoFileName(), labels_, request_.passes, passes.counted,
                            *statistics);
        tally_.anyBlock = true;
        run_.lastResult = formatFigure(statistics->mean);
    } else {
        s_.debugLog.add("No pass gave a figure");
        run_.lastResult.clear();
        if (stopped) {
            report_.stoppedBlock(slot.heading, s_.demo.demoFileName(), lastReason);
            tally_.anyBlock = true;
        }
    }
    s_.debugLog.save();
    const std::string reason =
        passes.counted.empty() ? lastReason : "no pass gave a figure (last: " + lastReason + ")";
    recordSlot(passes, run_.lastResult, reason, stopped, passes.counted);
    ++run_.completedCount;
    nextSlotOrFinish(passes.position);
}

void RunController::nextSlotOrFinish(std::size_t position) {
    const bool last = run_.completedCount >= run_.chosenCount;
    if (last) finishRun();
    deleteIfExists(game_.logFile());
    if (!last) startFromSlot(position + 1);
}

void RunController::finishRun() {
    phase_ = phase::Finishing{};
    s_.view.setStatus(kPreparing);
    s_.view.repaintProgress();
    report_.closing();
    // A stopped game is written up even when it was the last one: the page says
    // why it has no figure. With passes, any resolution's block is worth a page.
    const bool noReport =
        request_.passes.single() ? run_.lastResult.empty() && !tally_.anyStopped : !tally_.anyBlock;
    if (noReport) {
        writeResultFiles("");
        return endRun(RunOutcome::completed());
    }

    std::string saved;
    try {
        saved = report_.save(s_.files, request_.resultsFolder, run_.stamp);
        tally_.reportPath = saved;
    } catch (const std::exception& error) {
        // The configuration still goes back; the error is shown at the end.
        noteError(error.what());
        writeResultFiles("");
        return endRun(RunOutcome::completed());
    }
    writeResultFiles(saved);
    later(1000, RunState::Finishing, [this, saved] {
        if (openReportAtEnd) s_.openReport(saved);
        endRun(RunOutcome::completed());
    });
}

void RunController::noteError(const std::string& message) {
    std::vector<std::string>& errors = tally_.errors;
    if (std::find(errors.begin(), errors.end(), message) != errors.end()) return;
    errors.push_back(message);
    // The debug log shows how far the run got and why it went no further.
    const auto lines = splitLines(message);
    for (std::size_t i = 0; i < lines.size(); ++i) s_.debugLog.add(i == 0 ? "ERROR: " + lines[i] : lines[i]);
}

// Every run ends here, once: a normal end after the report, a cancel, or an
// error anywhere on the way.
void RunController::endRun(const RunOutcome& outcome) {
    if (!inProgress()) return;
    // From here on no end of a game and no timer of this run does anything.
    if (auto* playing = std::get_if<phase::Playing>(&phase_)) s_.scheduler.cancel(std::exchange(playing->limitTicket, 0));
    phase_ = phase::Finishing{};
    if (outcome.failed) noteError(outcome.error);
    if (outcome.cancelled) tally_.cancel = CancelRequest::Requested;
    try {
        s_.config.restore(game_);
        killPoint("restored");
    } catch (const std::exception& error) {
        tally_.restoreFailed = true;
        noteError(error.what());
    }
    s_.scheduler.after(1000, [this] { closeRun(); });
}

void RunController::closeRun() {
    s_.view.showProgress(false);
    // A backup that is still there holds a user's file (a failed restore, or
    // the backup of an interrupted run this run never touched): the marker
    // stays, and the next start offers to put it back.
    if (tally_.markerWritten && !tally_.restoreFailed && !s_.files.fileExists(game_.configBackup())) {
        try {
            s_.settings.open(names::kSettingsKey, true);
            s_.settings.writeString(names::kRunMarker, "0");
        } catch (const std::exception& error) {
            noteError(error.what());
        }
    }
    s_.view.enableRunButton(true);
    phase_ = phase::Idle{};
    s_.debugLog.add("");
    s_.debugLog.add("DEBUG FINISHED.");
    s_.debugLog.add(std::string(55, '-'));
    try {
        s_.debugLog.save();
    } catch (const std::exception& error) {
        std::vector<std::string>& errors = tally_.errors;
        if (std::find(errors.begin(), errors.end(), error.what()) == errors.end()) errors.push_back(error.what());
    }
    const RunSummary ended = summary();
    if (!tally_.errors.empty()) s_.dialogs.showError(joinLines(tally_.errors, "\r\n\r\n"));
    tally_.errors.clear();
    if (onRunEnded) onRunEnded(ended);
}

RunSummary RunController::summary() const {
    RunSummary summary;
    summary.slots = tally_.outcomes;
    summary.reportPath = tally_.reportPath;
    summary.errors = tally_.errors;
    summary.plan = request_.passes;
    summary.record = resultRecord(tally_.reportPath);
    summary.resultFile = resultFile_;
    using R = RunSummary::Result;
    const auto& outcomes = tally_.outcomes;
    const bool allFigures = static_cast<int>(outcomes.size()) == run_.chosenCount &&
                            std::all_of(outcomes.begin(), outcomes.end(), [](const SlotOutcome& o) { return !o.figure.empty(); });
    summary.result = !tally_.errors.empty()                      ? R::Error
                     : tally_.cancel == CancelRequest::Requested ? R::Cancelled
                     : allFigures                                ? R::Done
                                                                 : R::NoFigure;
    return summary;
}

void RunController::onCloseRequested() { deleteIfExists(game_.batchFile()); }

}  // namespace melkrin
