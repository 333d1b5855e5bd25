#include "run/run_controller.h"

#include "common/dialogs.h"
#include "common/errors.h"
#include "common/file_system.h"
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
constexpr const char* kCollecting = "Collecting system information...";
constexpr const char* kPreparing = "Preparing results...";
constexpr const char* kNoInformation = "No information";

std::optional<int> selectionOf(const MainView& view, ControlId id) {
    const int index = view.selection(id);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

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
}

void RunController::step(const std::function<void()>& body) {
    try {
        body();
    } catch (const std::exception& error) {
        abortRun(error.what());
    }
}

void RunController::deleteIfExists(const std::string& path) {
    if (s_.files.fileExists(path)) (void)s_.files.deleteFile(path);
}

bool RunController::slotChosen(int index) const {
    if (index < kCustomSlot) return s_.view.checked(kResolutionItems[index]);
    return s_.view.checked(ControlId::CusResBox) && !s_.view.text(ControlId::CusWidth).empty() &&
           !s_.view.text(ControlId::CusHeight).empty();
}

int RunController::currentSlotIndex() const {
    int index = 0;
    while (index < kCustomSlot && run_.currentSlot != kResolutionSlots[index].key) ++index;
    return index;
}

void RunController::refuse(const std::string& message) {
    s_.dialogs.showMessage(message);
    s_.view.setEnabled(ControlId::BenchButton, true);
}

void RunController::BenchButtonClick() {
    if (inProgress_) return;
    s_.settings.open(names::kSettingsKey, false);
    if (!s_.files.folderExists(game_.demosFolder)) (void)s_.files.createFolder(game_.demosFolder);
    deleteIfExists(game_.logFile());
    if (!s_.files.fileExists(s_.view.text(ControlId::SS2PathEdit))) return refuse(kNoGame);

    run_.chosenCount = 0;
    run_.completedCount = 0;
    for (int i = 0; i <= kCustomSlot; ++i)
        if (slotChosen(i)) ++run_.chosenCount;
    if (run_.chosenCount <= 0) return refuse(kNoResolution);

    s_.view.setEnabled(ControlId::BenchButton, false);
    const auto demoItem = selectionOf(s_.view, ControlId::Demo);
    const DemoChoice choice{demoItem ? std::optional<int>(*demoItem + 1) : std::nullopt,
                            s_.view.text(ControlId::DemoEdit)};
    DemoVerdict verdict;
    try {
        verdict = s_.demo.prepareDemo(game_, choice);
    } catch (...) {
        s_.view.setEnabled(ControlId::BenchButton, true);
        throw;
    }
    if (verdict != DemoVerdict::dvOk) return refuse(demoRefusalMessage(verdict));

    inProgress_ = true;
    s_.view.setVisible(ControlId::Panel2, true);
    step([this] {
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
        s_.view.setText(ControlId::Label2, kCollecting);
        try {
            s_.diagnostics.collectDiagnostics([this](const Diagnostics& values) {
                run_.diagnostics = values;
                step([this] { BeginRun(); });
            });
        } catch (const OsError&) {
            // The diagnostic tool would not start: describe what can be described.
            run_.diagnostics = {kIndeterminable, kIndeterminable, kIndeterminable};
            BeginRun();
        }
    });
}

void RunController::BeginRun() {
    s_.settings.open(names::kSettingsKey, true);
    s_.settings.writeString(names::kRunMarker, "1");
    run_.stamp = runStamp(s_.clock.dateTimeText());
    run_.startedAt = s_.clock.dateTimeText();

    const std::string version = s_.settings.readString(names::kProgramVersion);
    const std::string resultsFolder = s_.view.text(ControlId::ResEdit);
    for (const auto& line : debugRunHeader(version, programFolder_, resultsFolder, game_)) s_.debugLog.add(line);

    run_.systemInfo = s_.collectSystemInfo(run_.diagnostics);
    report_.header(makerAddress_, run_.startedAt, run_.systemInfo, s_.view.text(ControlId::NoteEdit));
    for (const auto& line : debugMachineLines(run_.systemInfo)) s_.debugLog.add(line);

    QualityChoices choices;
    choices.aaLevel = selectionOf(s_.view, ControlId::AABox);
    choices.afLevel = selectionOf(s_.view, ControlId::AFBox);
    choices.hdr = s_.view.checked(ControlId::HDRBox);
    choices.renderer = s_.view.selection(ControlId::RendererBox) == 0 ? Renderer::OpenGL : Renderer::Direct3D;
    s_.config.prepare(game_, choices, labels_);

    s_.debugLog.add("");
    s_.debugLog.add("...");
    s_.debugLog.add("");
    s_.debugLog.save();
    StartFromSlot(0);
}

void RunController::StartFromSlot(int first) {
    int index = first;
    while (index <= kCustomSlot && !slotChosen(index)) ++index;
    if (index > kCustomSlot) return;

    const ResolutionSlot& slot = kResolutionSlots[index];
    const bool custom = index == kCustomSlot;
    const std::string width = custom ? s_.view.text(ControlId::CusWidth) : slot.width;
    const std::string height = custom ? s_.view.text(ControlId::CusHeight) : slot.height;
    s_.debugLog.add(custom ? customStartLine(width, height) : slot.startLine);
    s_.debugLog.save();
    s_.view.setText(ControlId::Label2, custom ? customStatusText(width, height) : slot.statusText);
    run_.currentSlot = slot.key;

    s_.files.writeFile(game_.batchFile(), toCrLfFile({gameCommandLine(s_.demo.demoFileName(), width, height)}));
    s_.cp.CurrentDirectory = game_.binFolder;
    s_.cp.CommandLine = commandLineFor(game_.batchFile());
    try {
        s_.cp.Start();
    } catch (const OsError& error) {
        // No end will come for a game that never started: end the run here and
        // give the user's configuration back.
        abortRun(error.what());
    }
}

void RunController::cpTerminate(ProcessRunner&, std::uint32_t) {
    if (!inProgress_) return;
    step([this] {
        s_.debugLog.add("Serious Sam 2 terminated");
        s_.debugLog.save();
        const int index = currentSlotIndex();
        ++run_.completedCount;
        if (index == kCustomSlot) {
            s_.debugLog.add(
                customSuccessLine(s_.view.text(ControlId::CusWidth), s_.view.text(ControlId::CusHeight)));
            CollectSlotResult([] {});
        } else if (run_.completedCount == run_.chosenCount) {
            CollectSlotResult([] {});
        } else {
            s_.debugLog.add(kResolutionSlots[index].successLine);
            CollectSlotResult([this, index] { StartFromSlot(index + 1); });
        }
    });
}

void RunController::CollectSlotResult(std::function<void()> then) {
    deleteIfExists(game_.batchFile());
    s_.scheduler.after(2000, [this, then] { step([&] { testLog(0, then); }); });
}

void RunController::testLog(unsigned waited, const std::function<void()>& then) {
    const std::string log = game_.logFile();
    const bool exists = s_.files.fileExists(log);
    const bool inUse = exists && s_.inUse.isInUse(log);
    if (inUse && waited < kLogWaitLimitMs) {
        // The game may still be writing: look again shortly, the window keeps painting.
        s_.scheduler.after(kLogRetryMs, [this, waited, then] {
            step([&] { testLog(waited + kLogRetryMs, then); });
        });
        return;
    }

    run_.lastResult.clear();
    if (exists && !inUse) {
        s_.view.repaint(ControlId::Panel2);
        s_.view.repaint(ControlId::Image1);
        s_.debugLog.add("Source exist");
        run_.lastResult = readDemoResult(s_.files.readFile(log));
        s_.debugLog.add("Result: " + run_.lastResult + " FPS");
        const int index = currentSlotIndex();
        const std::string heading = index == kCustomSlot ? customHeading(s_.view.text(ControlId::CusWidth),
                                                           s_.view.text(ControlId::CusHeight))
                                           : kResolutionSlots[index].heading;
        report_.slotBlock(heading, s_.demo.demoFileName(), labels_, run_.lastResult);
    }
    const bool last = run_.completedCount == run_.chosenCount;
    if (last) FinishRun();
    deleteIfExists(log);
    if (!last) then();
}

void RunController::FinishRun() {
    s_.view.setText(ControlId::Label2, kPreparing);
    s_.view.repaint(ControlId::Panel2);
    report_.closing();
    if (run_.lastResult.empty()) return finishAfterReport("", "");

    std::string saved;
    try {
        saved = report_.save(s_.files, s_.view.text(ControlId::ResEdit), run_.stamp);
    } catch (const std::exception& error) {
        // The configuration still goes back; the error is shown at the end.
        return finishAfterReport("", error.what());
    }
    s_.scheduler.after(1000, [this, saved] { step([&] { finishAfterReport(saved, ""); }); });
}

void RunController::finishAfterReport(const std::string& savedReport, const std::string& saveError) {
    if (!savedReport.empty()) s_.openReport(savedReport);
    s_.config.restore(game_);
    s_.scheduler.after(1000, [this, saveError] {
        step([&] {
            endRun();
            if (!saveError.empty()) s_.dialogs.showError(saveError);
        });
    });
}

void RunController::endRun() {
    s_.view.setVisible(ControlId::Panel2, false);
    inProgress_ = false;
    s_.settings.open(names::kSettingsKey, true);
    s_.settings.writeString(names::kRunMarker, "0");
    s_.view.setEnabled(ControlId::BenchButton, true);
    s_.debugLog.add("");
    s_.debugLog.add("DEBUG FINISHED.");
    s_.debugLog.add(std::string(55, '-'));
    s_.debugLog.save();
}

void RunController::abortRun(const std::string& message) {
    std::string text = message;
    if (inProgress_) {
        inProgress_ = false;
        bool restored = true;
        // Only a backup is put back: without one "Sam2.ini" is still the user's own.
        if (s_.files.fileExists(game_.configBackup())) {
            try {
                s_.config.restore(game_);
            } catch (const std::exception& error) {
                restored = false;
                text += "\r\n" + std::string(error.what());
            }
        }
        if (restored) {
            try {
                s_.settings.open(names::kSettingsKey, true);
                s_.settings.writeString(names::kRunMarker, "0");
            } catch (const std::exception&) {
                // The marker stays and start-up offers the restore again.
            }
        }
        s_.view.setVisible(ControlId::Panel2, false);
        s_.view.setEnabled(ControlId::BenchButton, true);
    }
    s_.dialogs.showError(text);
}

void RunController::FormClose() { deleteIfExists(game_.batchFile()); }

}  // namespace melkrin
