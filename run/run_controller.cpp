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

PassPlan RunController::passPlan() {
    // A value of the wrong type reads as missing, as an unreadable time limit does.
    const auto stored = [this](const char* name) {
        try {
            return s_.settings.readString(name);
        } catch (const std::exception&) {
            return std::string();
        }
    };
    const auto passes = s_.view.passes();
    const auto warmUp = s_.view.warmUp();
    return PassPlan::fromStored(passes ? *passes : stored(names::kPasses),
                                warmUp ? (*warmUp ? "1" : "0") : stored(names::kWarmUp));
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

void RunController::onRunClicked() {
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
    if (verdict != DemoVerdict::Ok) return refuse(demoRefusalMessage(verdict));

    state_ = RunState::Diagnostics;
    playing_ = -1;
    markerWritten_ = false;
    restoreFailed_ = false;
    cancelling_ = false;
    stoppedByLimit_ = false;
    anyStopped_ = false;
    outcomes_.clear();
    anyBlock_ = false;
    reportPath_.clear();
    errors_.clear();
    s_.view.enableCancelButton(true);
    s_.view.showProgress(true);
    step([this] {
        timeLimit_ = gameTimeLimit();
        plan_ = passPlan();
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
    if (state_ != RunState::Diagnostics) return;
    run_.diagnostics = values;
    if (cancelling_) return endRun(RunOutcome::cancelledByUser());
    step([this] { beginRun(); });
}

void RunController::beginRun() {
    state_ = RunState::Preparing;
    s_.settings.open(names::kSettingsKey, true);
    markerWritten_ = true;
    s_.settings.writeString(names::kRunMarker, "1");
    killPoint("marker");
    run_.stamp = runStamp(s_.clock.dateTimeText());
    run_.startedAt = s_.clock.dateTimeText();
    startedAtIso_ = s_.clock.isoDateTime();

    const std::string version = s_.settings.readString(names::kProgramVersion);
    programVersion_ = version;
    for (const auto& line : debugRunHeader(version, programFolder_, s_.view.resultsFolder(), game_,
                                                update::usesDevelopmentKey()))
        s_.debugLog.add(line);

    run_.systemInfo = s_.collectSystemInfo(run_.diagnostics);
    report_.header(makerAddress_, run_.startedAt, run_.systemInfo, s_.view.note());
    for (const auto& line : debugMachineLines(run_.systemInfo)) s_.debugLog.add(line);

    s_.config.prepare(game_, s_.view.qualityChoices(), labels_);

    s_.debugLog.add("");
    s_.debugLog.add("...");
    s_.debugLog.add("");
    s_.debugLog.save();
    startFromSlot(0);
}

void RunController::startFromSlot(int first) {
    int index = first;
    while (index <= kCustomSlot && !slotChosen(index)) ++index;
    // The choices cannot change under the progress panel; should they have, the run ends here.
    if (index > kCustomSlot) return finishRun();

    playing_ = index;
    warmingUp_ = plan_.warmUp;
    passGames_ = 0;
    passes_.clear();
    startGame();
}

// One game start at the resolution playing: a pass, or the warm-up before them.
void RunController::startGame() {
    const ResolutionSlot slot = slotAt(playing_);
    std::string status = slot.statusText;
    if (!plan_.single()) {
        const std::string where = " at " + slot.width + "\xD7" + slot.height;
        const std::string number = std::to_string(passGames_ + 1);
        if (warmingUp_) {
            s_.debugLog.add("Warm-up pass" + where + ", not counted");
            status += " (warm-up)";
        } else if (plan_.untilStable) {
            s_.debugLog.add("Pass " + number + where + ", until stable");
            status += " (pass " + number + ")";
        } else {
            s_.debugLog.add("Pass " + number + " of " + std::to_string(plan_.count) + where);
            status += " (pass " + number + " of " + std::to_string(plan_.count) + ")";
        }
    }
    s_.debugLog.add(slot.startLine);
    s_.debugLog.save();
    s_.view.setStatus(status);
    run_.currentSlot = slot.key;
    state_ = RunState::Playing;

    s_.files.writeFile(game_.batchFile(), toCrLfFile({gameCommandLine(s_.demo.demoFileName(), slot.width, slot.height)}));
    s_.cp.currentDirectory = game_.binFolder;
    s_.cp.commandLine = commandLineFor(game_.batchFile());
    stoppedByLimit_ = false;
    // A refused start raises: no end will come for a game that never started,
    // and the runner guarantees that nothing it started is left running.
    s_.cp.start();
    killPoint("game");
    if (anyStopped_) killPoint("game after time limit");
    armTimeLimit();
}

void RunController::armTimeLimit() {
    const int game = ++gameNumber_;
    if (timeLimit_ == 0) return;
    limitTicket_ = s_.scheduler.schedule(timeLimit_ * 1000u, [this, game] {
        // A limit that outlived its game (a scheduler that cannot withdraw) does nothing.
        if (state_ == RunState::Playing && gameNumber_ == game) step([this, game] { timeLimitReached(game); });
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
void RunController::stopGame() { s_.cp.stop(); }

void RunController::onCancelClicked(bool ask) {
    const auto cancellable = [this] {
        return inProgress() && state_ != RunState::Finishing && !cancelling_ && !asking_;
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
            case RunState::Playing:
                return stopGame();  // its end ends the run
            case RunState::Diagnostics:
                return;  // the diagnostic tool ends within seconds; then the run ends
            default:
                return endRun(RunOutcome::cancelledByUser());
        }
    });
}

namespace {

PassOutcome passOutcome(const std::string& figure, const std::string& reason) {
    PassOutcome pass{figure, figureValue(figure), {}};
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

void RunController::recordSlot(const std::string& figure, const std::string& reason,
                               std::vector<PassOutcome> passes) {
    const ResolutionSlot slot = slotAt(playing_);
    const auto statistics = passStatistics(figuresOf(passes));
    outcomes_.push_back({playing_, slot.width + "x" + slot.height, figure, figure.empty() ? reason : std::string(),
                         stoppedByLimit_, std::move(passes), statistics});
}

void RunController::cpTerminate(ProcessRunner&, std::uint32_t) {
    // The exit code says nothing about the benchmark: the game's log does.
    if (state_ != RunState::Playing) return;
    s_.scheduler.cancel(std::exchange(limitTicket_, 0));
    step([this] {
        if (cancelling_) {
            killPoint("cancelled game");
            s_.debugLog.add("Serious Sam 2 terminated");
            deleteIfExists(game_.batchFile());
            return endRun(RunOutcome::cancelledByUser());
        }
        if (stoppedByLimit_) killPoint("time limit stopped");
        state_ = RunState::Collecting;
        s_.debugLog.add("Serious Sam 2 terminated");
        s_.debugLog.save();
        // The custom size is always the last; a fixed one says so only when more
        // follow. With passes another game may follow at the same size.
        if (plan_.single()) ++run_.completedCount;
        if (!plan_.single() || playing_ == kCustomSlot || run_.completedCount != run_.chosenCount)
            s_.debugLog.add(slotAt(playing_).successLine);
        collectSlotResult();
    });
}

void RunController::collectSlotResult() {
    deleteIfExists(game_.batchFile());
    later(2000, RunState::Collecting, [this] { testLog(0); });
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

    run_.lastResult.clear();
    std::string figure;
    std::string reason;
    if (stoppedByLimit_) {
        // Whatever its log holds, a game that was ended gave no figure.
        reason = "stopped after " + std::to_string(timeLimit_) + " s, the game's time limit";
        if (plan_.single()) report_.stoppedBlock(slotAt(playing_).heading, s_.demo.demoFileName(), reason);
    } else if (exists && !inUse) {
        s_.view.repaintAll();
        s_.debugLog.add("Source exist");
        run_.lastResult = readDemoResult(s_.files.readFile(log));
        s_.debugLog.add("Result: " + run_.lastResult + " FPS");
        figure = run_.lastResult;
        reason = "the game's log holds no figure";
        if (plan_.single()) report_.slotBlock(slotAt(playing_).heading, s_.demo.demoFileName(), labels_, figure);
    } else {
        reason = exists ? "the game's log stayed in use" : "the game left no log";
    }
    if (!plan_.single()) return passEnded(figure, reason, stoppedByLimit_);
    recordSlot(figure, reason, {passOutcome(figure, reason)});
    nextSlotOrFinish();
}

// A game of a resolution played more than once has ended and its log is read.
void RunController::passEnded(const std::string& figure, const std::string& reason, bool stopped) {
    const ResolutionSlot slot = slotAt(playing_);
    const std::string where = " at " + slot.width + "\xD7" + slot.height + ": ";
    if (warmingUp_) {
        warmingUp_ = false;
        s_.debugLog.add("Warm-up" + where + (figure.empty() ? "no figure, " + reason : figure + " FPS") +
                        " (not counted)");
        s_.debugLog.save();
        if (stopped) return slotDone(reason);
        deleteIfExists(game_.logFile());
        return startGame();
    }
    PassOutcome pass = passOutcome(figure, reason);
    ++passGames_;
    s_.debugLog.add("Pass " + std::to_string(passGames_) + where +
                    (pass.fps ? formatFigure(*pass.fps) + " FPS" : "no figure, " + pass.reason));
    s_.debugLog.save();
    const std::string why = pass.reason;
    passes_.push_back(std::move(pass));
    // A game the time limit had to end would likely hang again: the resolution ends here.
    if (!stopped && anotherPassWanted(plan_, passGames_, figuresOf(passes_))) {
        deleteIfExists(game_.logFile());
        return startGame();
    }
    slotDone(why);
}

// The passes of a resolution are over: its block in the report and its record.
void RunController::slotDone(const std::string& lastReason) {
    const ResolutionSlot slot = slotAt(playing_);
    const auto statistics = passStatistics(figuresOf(passes_));
    s_.debugLog.add("Passes at " + slot.width + "\xD7" + slot.height + " done");
    if (statistics) {
        s_.debugLog.add("Mean: " + formatFigure(statistics->mean) + " FPS");
        for (const auto& line : passLines(plan_, passes_, *statistics)) s_.debugLog.add(line);
        report_.passesBlock(slot.heading, s_.demo.demoFileName(), labels_, plan_, passes_, *statistics);
        anyBlock_ = true;
        run_.lastResult = formatFigure(statistics->mean);
    } else {
        s_.debugLog.add("No pass gave a figure");
        run_.lastResult.clear();
        if (stoppedByLimit_) {
            report_.stoppedBlock(slot.heading, s_.demo.demoFileName(), lastReason);
            anyBlock_ = true;
        }
    }
    s_.debugLog.save();
    const std::string reason = passes_.empty() ? lastReason : "no pass gave a figure (last: " + lastReason + ")";
    recordSlot(run_.lastResult, reason, passes_);
    ++run_.completedCount;
    nextSlotOrFinish();
}

void RunController::nextSlotOrFinish() {
    const bool last = run_.completedCount >= run_.chosenCount;
    if (last) finishRun();
    deleteIfExists(game_.logFile());
    if (!last) startFromSlot(playing_ + 1);
}

void RunController::finishRun() {
    state_ = RunState::Finishing;
    s_.view.setStatus(kPreparing);
    s_.view.repaintProgress();
    report_.closing();
    // A stopped game is written up even when it was the last one: the page says
    // why it has no figure. With passes, any resolution's block is worth a page.
    const bool noReport = plan_.single() ? run_.lastResult.empty() && !anyStopped_ : !anyBlock_;
    if (noReport) {
        writeResultFiles("");
        return endRun(RunOutcome::completed());
    }

    std::string saved;
    try {
        saved = report_.save(s_.files, s_.view.resultsFolder(), run_.stamp);
        reportPath_ = saved;
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

ResultRecord RunController::resultRecord(const std::string& reportPath) {
    ResultRecord record;
    record.version = programVersion_;
    record.startedAt = startedAtIso_;
    record.endedAt = s_.clock.isoDateTime();
    record.reportFile = reportPath.substr(reportPath.find_last_of("\\/") + 1);
    record.note = s_.view.note();
    record.machine = run_.systemInfo;
    for (int i = 0; i <= kCustomSlot; ++i)
        if (slotChosen(i)) record.resolutions.push_back(slotAt(i).width + "x" + slotAt(i).height);
    const auto demo = s_.view.demoNumber();
    if (demo && *demo >= 1 && *demo <= 3)
        record.demoNumber = *demo;
    else
        record.demoFile = s_.demo.demoFileName();
    record.quality = s_.view.qualityChoices();
    record.plan = plan_;
    record.timeLimit = timeLimit_;
    record.slots = outcomes_;
    return record;
}

// result_<stamp>.json beside the report and the run's rows in results.csv. A
// results folder that is gone has already been reported by the report's save
// (or is, by the next run's refusal): no second message for the same cause.
void RunController::writeResultFiles(const std::string& reportPath) {
    const std::string folder = s_.view.resultsFolder();
    if (!s_.files.folderExists(folder)) {
        s_.debugLog.add("Result files not written: the folder \"" + folder + "\" does not exist");
        return;
    }
    const ResultRecord record = resultRecord(reportPath);
    try {
        s_.files.writeFile(resultJsonPath(folder, run_.stamp), resultJson(record, s_.toUtf8));
    } catch (const std::exception& error) {
        noteError(error.what());
    }
    try {
        s_.files.appendFile(resultsCsvPath(folder), resultsCsvRows(record), resultsCsvHeader());
    } catch (const std::exception& error) {
        noteError("The results of this run could not be added to the table of results:\r\n" +
                  std::string(error.what()) +
                  "\r\nIf a spreadsheet program has the table open, close it. The results of this run are in \"" +
                  resultJsonPath(folder, run_.stamp) + "\" all the same.");
    }
    if (s_.resultsWritten) {
        try {
            s_.resultsWritten(folder);
        } catch (const std::exception& error) {
            noteError(error.what());
        }
    }
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
    if (state_ == RunState::Idle) return;
    // From here on no end of a game and no timer of this run does anything.
    state_ = RunState::Finishing;
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
    state_ = RunState::Idle;
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
    summary.plan = plan_;
    using R = RunSummary::Result;
    const bool allFigures = static_cast<int>(outcomes_.size()) == run_.chosenCount &&
                            std::all_of(outcomes_.begin(), outcomes_.end(), [](const SlotOutcome& o) { return !o.figure.empty(); });
    summary.result = !errors_.empty() ? R::Error : cancelling_ ? R::Cancelled : allFigures ? R::Done : R::NoFigure;
    if (!errors_.empty()) s_.dialogs.showError(joinLines(errors_, "\r\n\r\n"));
    errors_.clear();
    if (onRunEnded) onRunEnded(summary);
}

void RunController::onCloseRequested() { deleteIfExists(game_.batchFile()); }

}  // namespace melkrin
