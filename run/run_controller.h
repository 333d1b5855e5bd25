#pragma once
// One benchmark run from the run button to the report. The run is a state
// machine on the user-interface thread: each event (the button, the end of
// the diagnostic tool, the end of a game, a timer) checks the state it
// expects, and every way a run can end reaches endRun, which puts the user's
// configuration back, clears the run marker, gives the window back, saves
// the debug log and shows what went wrong.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "gameconfig/quality_settings.h"
#include "gameconfig/game_interface.h"
#include "run/pass_statistics.h"
#include "run/resolution_slot.h"
#include "run/result_files.h"
#include "run/results_report.h"
#include "run/run_request.h"
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
class RunFacts;
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

// The run's phases, each with what only it needs. The index of a phase in
// RunPhase is its RunState.
namespace phase {

struct Idle {};
struct Diagnostics {};
struct Preparing {};
// The games so far at the resolution now playing.
struct SlotPasses {
    std::size_t position = 0;          // in RunRequest::slots
    bool warmingUp = false;            // the game now playing (or just ended) is the warm-up
    std::vector<PassOutcome> counted;  // the counted games' outcomes
};
// When the game now playing (or just ended) started, and how long it ran.
struct GameTiming {
    std::string startedAt;                  // local ISO time
    double startSeconds = 0;                // on the steady clock
    std::optional<double> durationSeconds;  // once it has ended
};
struct Playing {
    SlotPasses slot;
    int game = 0;                      // counts the games, so that a late limit finds its own
    Scheduler::Ticket limitTicket = 0;
    bool stoppedByLimit = false;       // the time limit ended this game
    GameTiming timing;
};
struct Collecting {
    SlotPasses slot;
    bool stoppedByLimit = false;
    GameTiming timing;
};
struct Finishing {};

}  // namespace phase

using RunPhase = std::variant<phase::Idle, phase::Diagnostics, phase::Preparing, phase::Playing, phase::Collecting,
                              phase::Finishing>;

// The user's cancel: not asked, the question is up, or said yes (the run
// ends once the game has).
enum class CancelRequest { None, Asking, Requested };

// What the run gathers on its way, for its one end path.
struct RunTally {
    bool markerWritten = false;  // this run set "NoErrorWarning" to "1"
    bool restoreFailed = false;
    CancelRequest cancel = CancelRequest::None;
    bool anyStopped = false;     // the time limit ended a game
    bool anyBlock = false;       // the report holds a resolution's block
    std::vector<SlotOutcome> outcomes;
    std::string reportPath;
    std::vector<std::string> errors;  // shown once, together, when the run has ended
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
    ResultRecord record;             // what the result file says (or would say) of the run
    std::string resultFile;          // path of the result file written; empty: none
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
    // Hashes, versions and the run's identity for the result file; none: the
    // file records them as unknown.
    RunFacts* facts = nullptr;
};

class RunController {
public:
    // After a game run the log is tested again until the game lets go of it,
    // at most this long; then it counts as missing and the run goes on.
    static constexpr unsigned kLogWaitLimitMs = 30000;
    static constexpr unsigned kLogRetryMs = 500;
    static constexpr unsigned kDefaultGameTimeLimit = melkrin::kDefaultGameTimeLimit;
    static constexpr unsigned kLongestGameTimeLimit = melkrin::kLongestGameTimeLimit;

    // game must stay valid (start-up fills it); makerAddress ends the report title.
    RunController(RunServices services, const GameInstall& game, std::string programFolder, std::string makerAddress);

    // The run button, with the options the run is to use.
    void start(RunRequest request);
    void cpTerminate(ProcessRunner& sender, std::uint32_t exitCode);
    void onCloseRequested();
    // The progress panel's cancel button and Escape: asks once (unless told
    // not to), ends the running game and ends the run without a report.
    void onCancelClicked(bool ask = true);
    // The run ends by itself now: cancelled, or putting things back after its last game.
    bool endingByItself() const {
        return inProgress() &&
               (tally_.cancel == CancelRequest::Requested || std::holds_alternative<phase::Finishing>(phase_));
    }

    // Called once at the end of every run that started, after the window
    // was given back.
    std::function<void(const RunSummary&)> onRunEnded;
    // A quiet scripted run saves its report but opens no browser.
    bool openReportAtEnd = true;

    const BenchmarkRun& run() const { return run_; }
    const ResultsReport& report() const { return report_; }
    const QualityLabels& labels() const { return labels_; }
    RunState state() const { return static_cast<RunState>(phase_.index()); }
    bool inProgress() const { return !std::holds_alternative<phase::Idle>(phase_); }
    // The resolution slot (0 to 9) playing or being read; -1 in other phases.
    int playingSlot() const;

private:
    // Events: each looks at the phase it expects.
    void diagnosticsEnded(const Diagnostics& values);
    void timeLimitReached(int game);
    void testLog(unsigned waited);

    void beginRun();
    void startFromSlot(std::size_t position);
    void startGame(phase::SlotPasses slot);
    void passEnded(phase::SlotPasses slot, const std::string& figure, const std::string& reason, bool stopped,
                   const phase::GameTiming& timing);
    void slotDone(const phase::SlotPasses& slot, const std::string& lastReason, bool stopped);
    void nextSlotOrFinish(std::size_t position);
    void recordSlot(const phase::SlotPasses& slot, const std::string& figure, const std::string& reason,
                    bool stopped, std::vector<PassOutcome> passes);
    void finishRun();
    void writeResultFiles(const std::string& reportPath);
    void appendResultsCsv(const ResultRecord& record);
    ResultRecord resultRecord(const std::string& reportPath) const;
    // Once per run, before the first game: hashes, versions, identity.
    void recordProvenance();
    std::optional<std::string> fileSha256(const std::string& path) const;
    // The end path: every run that started reaches endRun once, then closeRun.
    void endRun(const RunOutcome& outcome);
    void closeRun();
    RunSummary summary() const;

    void noteError(const std::string& message);
    void refuse(const std::string& message);
    void deleteIfExists(const std::string& path);
    void armTimeLimit(phase::Playing& playing);
    const ResolutionSlot& slotAt(const phase::SlotPasses& slot) const { return request_.slots[slot.position]; }
    // Runs one step of the run; an error it raises ends the run.
    void step(const std::function<void()>& body);
    // A continuation after a delay, dropped when the run has left state by then.
    void later(unsigned milliseconds, RunState state, std::function<void()> body);

    RunServices s_;
    const GameInstall& game_;
    std::string programFolder_;
    std::string makerAddress_;
    RunRequest request_;
    RunPhase phase_;
    RunTally tally_;
    BenchmarkRun run_;
    ResultsReport report_;
    QualityLabels labels_;
    int gamesStarted_ = 0;
    std::string startedAtIso_;
    std::string programVersion_;
    RunProvenance provenance_;
    std::optional<std::string> programSha256_;  // the program file does not change while it runs
    bool programHashed_ = false;
    std::string resultFile_;
};

}  // namespace melkrin
