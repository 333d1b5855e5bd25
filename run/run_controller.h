#pragma once
// One benchmark run from the run button to the report: a chain of handlers
// on the user-interface thread, each ending by starting an outside process
// or by scheduling the next step.
#include <cstdint>
#include <functional>
#include <string>

#include "app/main_view.h"
#include "gameconfig/quality_settings.h"
#include "run/game_interface.h"
#include "run/results_report.h"
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

struct RunServices {
    MainView& view;
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
    // The application-wide error display, for steps that run from a timer or
    // a process end rather than from a control event.
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
    void BeginRun();
    void cpTerminate(ProcessRunner& sender, std::uint32_t exitCode);
    void FormClose();

    const BenchmarkRun& run() const { return run_; }
    const ResultsReport& report() const { return report_; }
    const QualityLabels& labels() const { return labels_; }
    bool inProgress() const { return inProgress_; }

private:
    bool slotChosen(int index) const;
    int currentSlotIndex() const;
    void StartFromSlot(int first);
    void CollectSlotResult(std::function<void()> then);
    void testLog(unsigned waited, const std::function<void()>& then);
    void FinishRun();
    void finishAfterReport(const std::string& savedReport, const std::string& saveError);
    void endRun();
    void abortRun(const std::string& message);
    void refuse(const std::string& message);
    void deleteIfExists(const std::string& path);
    void step(const std::function<void()>& body);

    RunServices s_;
    const GameInstall& game_;
    std::string programFolder_;
    std::string makerAddress_;
    BenchmarkRun run_;
    ResultsReport report_;
    QualityLabels labels_;
    bool inProgress_ = false;
};

}  // namespace melkrin
