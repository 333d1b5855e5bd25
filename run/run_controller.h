#pragma once
// One benchmark run from the run button to the report. The run is a state
// machine on the user-interface thread: each event (the button, the end of
// the diagnostic tool, the end of a game, a timer) checks the state it
// expects, and every way a run can end reaches endRun, which puts the user's
// configuration back, clears the run marker, gives the window back, saves
// the debug log and shows what went wrong.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gameconfig/quality_settings.h"
#include "gameconfig/game_interface.h"
#include "run/pass_statistics.h"
#include "run/resolution_slot.h"
#include "run/result_files.h"
#include "run/results_report.h"
#include "common/scheduler.h"
#include "run/run_view.h"
#include "sysinfo/diagnostics.h"
#include "sysinfo/system_info.h"

namespace melkrin {

class DebugLog;
class DemoPreparation;
class Dialogs;
class FileInUseProbe;
class FileSystem;
class GameConfigFile;
class ProcessRunner;
class RunClock;
class SettingsStore;

struct BenchmarkRun {
    int chosenCount = 0;
    int completedCount = 0;
    std::string currentSlot;
    std::string stamp;
    std::string startedAt;
    Diagnostics diagnostics;
    SystemInfo systemInfo;
    std::string lastResult;
};

enum class RunState {
    Idle,
    Diagnostics,  // the diagnostic tool runs
    Preparing,    // machine description, configuration, first start
    Playing,      // the game plays the slot playingSlot()
    Collecting,   // after a game: waiting for and reading its log
    Finishing,    // report, restore, the last waits
};

// How a run ended: all slots played, stopped by an error, or cancelled.
struct RunOutcome {
    bool failed = false;
    std::string error;
    bool cancelled = false;

    static RunOutcome completed() { return {}; }
    static RunOutcome stoppedBy(std::string message) { return {true, std::move(message), false}; }
    static RunOutcome cancelledByUser() { return {false, {}, true}; }
};

// What a run left, for whoever started it (a scripted run's exit code and
// its JSON file).
struct RunSummary {
    enum class Result { Done, NoFigure, Cancelled, Error };
    Result result = Result::Done;
    std::vector<SlotOutcome> slots;  // in the order played
    std::string reportPath;          // empty: no report written
    std::vector<std::string> errors;
    PassPlan plan;                   // the passes the run played
};

struct RunServices {
    RunView& view;
    SettingsStore& settings;
    FileSystem& files;
    Dialogs& dialogs;
    ProcessRunner& cp;
    DiagnosticCollector& diagnostics;
    std::function<SystemInfo(const Diagnostics&)> collectSystemInfo;
    FileInUseProbe& inUse;
    std::function<void(const std::string& path)> openReport;  // the shell's "open"
    RunClock& clock;
    Scheduler& scheduler;
    DebugLog& debugLog;
    GameConfigFile& config;
    DemoPreparation& demo;
    // The application-wide error display, for events that arrive from a
    // process end rather than from a control.
    std::function<void(const std::function<void()>&)> guard;
    // The system code page's texts as UTF-8 for the result file; empty: Latin-1.
    std::function<std::string(const std::string&)> toUtf8;
    // Called after result_<stamp>.json and results.csv were written (the
    // history page is rebuilt from them); empty: nothing.
    std::function<void(const std::string& resultsFolder)> resultsWritten;
};

class RunController {
public:
    // After a game run the log is tested again until the game lets go of it,
    // at most this long; then it counts as missing and the run goes on.
    static constexpr unsigned kLogWaitLimitMs = 30000;
    static constexpr unsigned kLogRetryMs = 500;
    // A game that runs longer than this is ended (the stored option
    // "GameTimeLimit" in seconds, 0 for none).
    static constexpr unsigned kDefaultGameTimeLimit = 600;
    static constexpr unsigned kLongestGameTimeLimit = 7 * 24 * 3600;

    // game must stay valid (start-up fills it); makerAddress ends the report title.
    RunController(RunServices services, const GameInstall& game, std::string programFolder, std::string makerAddress);

    void onRunClicked();
    void cpTerminate(ProcessRunner& sender, std::uint32_t exitCode);
    void onCloseRequested();
    // The progress panel's cancel button and Escape: asks once (unless told
    // not to), ends the running game and ends the run without a report.
    void onCancelClicked(bool ask = true);

    // Called once at the end of every run that started, after the window
    // was given back.
    std::function<void(const RunSummary&)> onRunEnded;
    // A quiet scripted run saves its report but opens no browser.
    bool openReportAtEnd = true;

    const BenchmarkRun& run() const { return run_; }
    const ResultsReport& report() const { return report_; }
    const QualityLabels& labels() const { return labels_; }
    RunState state() const { return state_; }
    bool inProgress() const { return state_ != RunState::Idle; }
    int playingSlot() const { return playing_; }

private:
    // The slot with the custom size as the window shows it now.
    ResolutionSlot slotAt(int index) const;
    bool slotChosen(int index) const;
    void diagnosticsEnded(const Diagnostics& values);
    void beginRun();
    void startFromSlot(int first);
    void startGame();
    void passEnded(const std::string& figure, const std::string& reason, bool stopped);
    void slotDone(const std::string& lastReason);
    void nextSlotOrFinish();
    PassPlan passPlan();
    void writeResultFiles(const std::string& reportPath);
    ResultRecord resultRecord(const std::string& reportPath);
    void collectSlotResult();
    void testLog(unsigned waited);
    void finishRun();
    void endRun(const RunOutcome& outcome);
    void closeRun();
    void noteError(const std::string& message);
    void refuse(const std::string& message);
    void deleteIfExists(const std::string& path);
    unsigned gameTimeLimit();
    void armTimeLimit();
    void timeLimitReached(int game);
    void stopGame();
    void recordSlot(const std::string& figure, const std::string& reason, std::vector<PassOutcome> passes);
    // Runs one step of the run; an error it raises ends the run.
    void step(const std::function<void()>& body);
    // A continuation after a delay, dropped when the run has left state by then.
    void later(unsigned milliseconds, RunState state, std::function<void()> body);

    RunServices s_;
    const GameInstall& game_;
    std::string programFolder_;
    std::string makerAddress_;
    BenchmarkRun run_;
    ResultsReport report_;
    QualityLabels labels_;
    RunState state_ = RunState::Idle;
    int playing_ = -1;
    bool markerWritten_ = false;       // this run set "NoErrorWarning" to "1"
    bool restoreFailed_ = false;
    bool cancelling_ = false;          // the user cancelled; the run ends once the game has
    bool asking_ = false;              // the cancel question is up
    bool stoppedByLimit_ = false;      // the game now playing was ended by the time limit
    bool anyStopped_ = false;
    unsigned timeLimit_ = 0;           // seconds, 0: none
    int gameNumber_ = 0;               // counts the games, so that a late limit finds its own
    Scheduler::Ticket limitTicket_ = 0;
    std::vector<SlotOutcome> outcomes_;
    PassPlan plan_;                    // read at the run button
    bool warmingUp_ = false;           // the game now playing is the warm-up
    int passGames_ = 0;                // counted games of the resolution now playing
    std::vector<PassOutcome> passes_;  // their outcomes
    bool anyBlock_ = false;            // the report holds a resolution's block
    std::string startedAtIso_;
    std::string programVersion_;
    std::string reportPath_;
    std::vector<std::string> errors_;  // shown once, together, when the run has ended
};

}  // namespace melkrin
