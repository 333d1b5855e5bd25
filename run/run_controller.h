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
#include "run/game_interface.h"
#include "run/resolution_slot.h"
#include "run/results_report.h"
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
class Scheduler;
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
    rsIdle,
    rsDiagnostics,  // the diagnostic tool runs
    rsPreparing,    // machine description, configuration, first start
    rsPlaying,      // the game plays the slot playingSlot()
    rsCollecting,   // after a game: waiting for and reading its log
    rsFinishing,    // report, restore, the last waits
};

// How a run ended: all slots played, or stopped by an error.
struct RunOutcome {
    bool failed = false;
    std::string error;

    static RunOutcome completed() { return {}; }
    static RunOutcome stoppedBy(std::string message) { return {true, std::move(message)}; }
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
};

class RunController {
public:
    // After a game run the log is tested again until the game lets go of it,
    // at most this long; then it counts as missing and the run goes on.
    static constexpr unsigned kLogWaitLimitMs = 30000;
    static constexpr unsigned kLogRetryMs = 500;

    // game must stay valid (start-up fills it); makerAddress ends the report title.
    RunController(RunServices services, const GameInstall& game, std::string programFolder, std::string makerAddress);

    void BenchButtonClick();
    void cpTerminate(ProcessRunner& sender, std::uint32_t exitCode);
    void FormClose();

    const BenchmarkRun& run() const { return run_; }
    const ResultsReport& report() const { return report_; }
    const QualityLabels& labels() const { return labels_; }
    RunState state() const { return state_; }
    bool inProgress() const { return state_ != RunState::rsIdle; }
    int playingSlot() const { return playing_; }

private:
    // The slot with the custom size as the window shows it now.
    ResolutionSlot slotAt(int index) const;
    bool slotChosen(int index) const;
    void diagnosticsEnded(const Diagnostics& values);
    void BeginRun();
    void StartFromSlot(int first);
    void CollectSlotResult();
    void testLog(unsigned waited);
    void FinishRun();
    void endRun(const RunOutcome& outcome);
    void closeRun();
    void noteError(const std::string& message);
    void refuse(const std::string& message);
    void deleteIfExists(const std::string& path);
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
    RunState state_ = RunState::rsIdle;
    int playing_ = -1;
    bool markerWritten_ = false;       // this run set "NoErrorWarning" to "1"
    bool restoreFailed_ = false;
    std::vector<std::string> errors_;  // shown once, together, when the run has ended
};

}  // namespace melkrin
