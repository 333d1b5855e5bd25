// The main window's control handlers: navigation, chrome, the option writers,
// results folder and demo file choice, help file and homepage.
#include <exception>

#include "app/main_window.h"

#include "app/help_download.h"
#include "common/errors.h"
#include "common/file_system.h"
#include "common/waits.h"
#include "run/history_page.h"
#include "app/main_run_view.h"
#include "run/run_controller.h"
#include "settings/benchmark_options.h"
#include "settings/resolutions.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

constexpr const char* kNoResultsFolder = "The results directory not exist.";
constexpr const char* kDemoDialogTitle = "Browse for Serious Sam 2 demo files...";
constexpr const char* kDemoDialogFilter = "Serious Sam 2 demo file (*.dem)|*.dem";
constexpr const char* kHelpQuestion =
    "Corrupt help file! Would you like to download the newest help file from the Velkora server (approx. 450 KB)?";
constexpr const char* kNoResultsYet =
    "There are no results in the results folder yet. The history page is built from the results of the runs: "
    "run the benchmark first.";
constexpr const char* kHistoryNotBuilt = "The history page could not be built: %s";

}  // namespace

MainWindowUiServices& MainWindow::ui() {
    if (!ui_) throw MelkrinError("The main window is not ready yet");
    return *ui_;
}

// ---------------------------------------------------------------- chrome and navigation

void MainWindow::onMinimiseClicked() { ui().windows.minimiseApplication(); }
void MainWindow::onCloseClicked() { ui().windows.terminateApplication(); }

void MainWindow::onPathAndNotesClicked() { view_.showPage(0); }
void MainWindow::onResolutionAndDemoClicked() { view_.showPage(1); }
void MainWindow::onHdrAndFiltersClicked() { view_.showPage(2); }
void MainWindow::onPassesAndHistoryClicked() { view_.showPage(kPassesPage); }
void MainWindow::onHelpClicked() { openHelp(); }
void MainWindow::onUpdatePageClicked() { view_.showPage(3); }
void MainWindow::onHomepageClicked() { ui().shell.open(web::kHomepage, ShowCommand::ShowNormal); }
void MainWindow::onAboutClicked() { view_.showPage(kAboutPage); }

RunRequest MainWindow::runRequest() { return windowRunRequest(view_, settings_); }

void MainWindow::onRunClicked() {
    if (run_) run_->start(runRequest());
}

void MainWindow::onCancelClicked() {
    if (run_) run_->onCancelClicked(!quiet_);
}

bool MainWindow::onCloseRequested() {
    if (!run_) return true;
    if (run_->inProgress() && !run_->endingByItself()) run_->onCancelClicked(!quiet_);
    if (run_->inProgress()) {
        // Answered No: the run goes on and so does the window.
        if (!run_->endingByItself()) return false;
        if (!closeAfterRun_) {
            closeAfterRun_ = true;
            run_->onRunEnded = [this, ended = std::move(run_->onRunEnded)](const RunSummary& summary) {
                if (ended) ended(summary);
                ui().windows.closeMainWindow();
            };
        }
        return false;
    }
    run_->onCloseRequested();
    return true;
}

// ---------------------------------------------------------------- page 0

void MainWindow::onChooseResultsFolderClicked() {
    const auto chosen = ui().fileDialogs.chooseFolder();
    if (!chosen) return;
    // A drive root ("C:\") already ends in its separator.
    const std::string folder = chosen->size() <= 3 ? *chosen : *chosen + "\\";
    view_.setText(ControlId::ResEdit, folder);
    settings_.open(names::kSettingsKey, true);
    settings_.writeString(names::kResultPath, folder);
}

void MainWindow::onOpenResultsFolderClicked() {
    const std::string folder = view_.text(ControlId::ResEdit);
    if (folder.empty()) return;
    if (services_.files.folderExists(folder))
        ui().shell.open(folder, ShowCommand::Show);
    else
        services_.dialogs.showMessage(kNoResultsFolder);
}

void MainWindow::writeNote() {
    settings_.open(names::kSettingsKey, true);
    settings_.writeString(names::kNote, view_.text(ControlId::NoteEdit));
}

void MainWindow::onNoteEditExited() { writeNote(); }
void MainWindow::onNotePointerLeft() { writeNote(); }

// ---------------------------------------------------------------- page 1

void MainWindow::onResolutionsPointerLeft() {
    settings_.open(names::kSettingsKey, true);
    // A disabled item cannot be checked, so it is stored as "0".
    for (std::size_t i = 0; i < kFixedResolutions.size(); ++i)
        settings_.writeString(kFixedResolutions[i].key, flagText(view_.checked(kResolutionItems[i])));
}

void MainWindow::onCustomSizePointerLeft() {
    const bool on = view_.checked(ControlId::CusResBox) && !view_.text(ControlId::CusWidth).empty() &&
                    !view_.text(ControlId::CusHeight).empty();
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(names::kCustomOn, flagText(on));
}

void MainWindow::onPossibilitiesClicked() { ui().windows.showPossibilities(); }

void MainWindow::onChooseDemoClicked() {
    const auto chosen = ui().fileDialogs.chooseFile(kDemoDialogTitle, kDemoDialogFilter);
    if (!chosen) return;
    view_.setText(ControlId::DemoEdit, *chosen);
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(names::kDemoName, *chosen);
}

// ---------------------------------------------------------------- page 2

void MainWindow::writeLevel(ControlId list, const char* name, int highest) {
    const int index = view_.selection(list);
    if (index < 0 || index > highest) return;
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(name, std::to_string(index));
}

void MainWindow::onAnisotropicFilterChanged() { writeLevel(ControlId::AFBox, names::kAfLevel, 4); }
void MainWindow::onAntiAliasingChanged() { writeLevel(ControlId::AABox, names::kAaLevel, 3); }
void MainWindow::onRendererChanged() { writeLevel(ControlId::RendererBox, names::kRenderer, 1); }

void MainWindow::onHdrPointerLeft() {
    settings_.open(names::kSettingsKey, true);
    settings_.writeString(names::kHdr, flagText(view_.checked(ControlId::HDRBox)));
}

// ---------------------------------------------------------------- page 5

void MainWindow::onPassesChanged() {
    const int index = view_.selection(ControlId::PassesBox);
    if (index < 0 || index > kPassesUntilStable) return;
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(names::kPasses, PassPlan::fromListItem(index, false).passesText());
}

void MainWindow::onWarmUpClicked() {
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(names::kWarmUp, flagText(view_.checked(ControlId::WarmUpBox)));
}

void MainWindow::onHistoryClicked() {
    const std::string folder = view_.text(ControlId::ResEdit);
    if (folder.empty()) return;
    if (!services_.files.folderExists(folder)) {
        services_.dialogs.showMessage(kNoResultsFolder);
        return;
    }
    // Built afresh each time, so the page also shows results that came or
    // went while Melkrin was not running.
    const std::string page = historyFilePath(folder);
    std::string error;
    HistoryCounts counts;
    bool built = true;
    try {
        counts = rebuildHistory(services_.files, folder);
    } catch (const OsError& e) {
        built = false;
        error = e.what();
    }
    if (built && counts.runs == 0 && counts.skipped == 0) {
        // A page of nothing is no help: say why instead, and leave no empty page behind.
        (void)services_.files.deleteFile(page);
        services_.dialogs.showMessage(kNoResultsYet);
        return;
    }
    // A folder that cannot be written still shows the page built last time.
    if (!built && !services_.files.fileExists(page)) {
        services_.dialogs.showError(formatWith(kHistoryNotBuilt, error));
        return;
    }
    ui().shell.open(page, ShowCommand::Show);
}

// ---------------------------------------------------------------- help

void MainWindow::openHelp() {
    MainWindowUiServices& services = ui();
    const std::string helpFolder = services_.programFolder + "Help\\";
    const std::string helpFile = helpFolder + "help.chm";
    if (services_.files.fileExists(helpFile)) {
        services.shell.open(helpFile, ShowCommand::Show);
        return;
    }
    if (!services_.dialogs.confirm(kHelpQuestion)) return;

    services.windows.showPleaseWait();
    HelpDownloadResult result;
    try {
        services_.waits.sleep(1000);
        result = downloadHelpFile(services.helpDownloader, services.verifier, services_.files, updateServerSetting(),
                                  helpFolder);
    } catch (...) {
        services.windows.closePleaseWait();
        throw;
    }
    services.windows.closePleaseWait();
    // Only a file that passed every check is ever opened.
    if (!result.stored) {
        services_.dialogs.showError(result.problem);
        return;
    }
    services.shell.open(helpFile, ShowCommand::Show);
}

std::string MainWindow::updateServerSetting() {
    // A value that cannot be read counts as none: the maker's own server then.
    try {
        if (settings_.open(names::kSettingsKey, false) && settings_.valueExists(names::kUpdateServer))
            return settings_.readString(names::kUpdateServer);
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace melkrin
