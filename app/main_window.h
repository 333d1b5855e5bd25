#pragma once
// The main window's presenter: start-up, shutdown and the control handlers,
// under the names the window's events carry. It reads and changes controls
// only through MainView, so the same handlers run under tests.
#include "run/pass_statistics.h"
#include "run/run_request.h"
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/main_view.h"
#include "app/window_services.h"
#include "common/dialogs.h"
#include "gameconfig/game_interface.h"
#include "settings/settings_store.h"
#include "update/http_client.h"

namespace melkrin {

class RunningGame;

class DisplayModeSource;
class FileSystem;
class RunController;
class KeyStore;
class ShellFileOperation;
class Waits;

// The outside world as the main window sees it. Owned by the caller; lives as
// long as the window.
struct MainWindowServices {
    KeyStore& keys;
    FileSystem& files;
    ShellFileOperation& fileOp;
    DisplayModeSource& displayModes;
    Dialogs& dialogs;
    Waits& waits;
    std::string programFolder;  // with a trailing backslash
    // The recovery waits for a game left running; none: it does not look.
    RunningGame* runningGame = nullptr;
};

// The passes list: items 0 to 9 are 1 to 10 passes, the last "until stable".
inline constexpr int kPassesUntilStable = PassPlan::kUntilStableItem;

class MainWindow {
public:
    MainWindow(MainView& view, MainWindowServices services);

    // Start-up: runs while the window is created, before it is first shown.
    // An error ends start-up where it was raised; the window opens all the same.
    void onCreate();
    // Shutdown: empties the diagnostic cache when the settings key exists.
    void onDestroy();

    // The window's own services, attached once the window exists.
    void attachUi(MainWindowUiServices ui) { ui_.emplace(std::move(ui)); }
    // The benchmark run behind the run button.
    void attachRun(RunController& run) { run_ = &run; }
    // The run's options as the window shows and stores them now.
    RunRequest runRequest();

    // Demo group change (also raised when start-up marks an item).
    void demoChanging();

    // Window chrome.
    void onMinimiseClicked();
    void onCloseClicked();
    // Navigation bar: "Benchmark" and "Help" items.
    void onPathAndNotesClicked();
    void onResolutionAndDemoClicked();
    void onHdrAndFiltersClicked();
    void onPassesAndHistoryClicked();
    void onHelpClicked();
    void onUpdatePageClicked();
    void onHomepageClicked();
    void onAboutClicked();
    // The run button.
    void onRunClicked();
    // The progress panel's cancel button and Escape: ends the run in progress
    // (asks first unless the run was started quiet from the command line).
    void onCancelClicked();
    void setQuiet(bool quiet) { quiet_ = quiet; }
    // The window is closed by the system's means (not by its close picture).
    // The system's close command. During a run it is a Cancel (asked as the
    // button asks, unless quiet) and the window closes once the run has
    // ended; false while the window is to stay.
    bool onCloseRequested();

    // Option pages. Each writer stores its value the moment its control reports the change.
    void onChooseResultsFolderClicked();
    void onOpenResultsFolderClicked();
    void onNoteEditExited();
    void onNotePointerLeft();
    void onResolutionsPointerLeft();
    void onCustomSizePointerLeft();
    void onPossibilitiesClicked();
    void onChooseDemoClicked();
    void onAnisotropicFilterChanged();
    void onAntiAliasingChanged();
    void onHdrPointerLeft();
    void onRendererChanged();
    // Passes and history.
    void onPassesChanged();
    void onWarmUpClicked();
    // Rebuilds the results folder's history page and opens it; says so when
    // the folder holds no results yet.
    void onHistoryClicked();
    // "Update benchmark": the proxy fields as they stand, then a check.
    void onUpdateClicked();
    // The online update's messages to the user.
    void onUpdateAborted();
    void onUpgradeLater();
    void onUpdateHostUnreachable();
    // The update component's proxy settings and its check, once it exists.
    void attachUpdate(update::HttpProxy& proxy, std::function<void()> startCheck) {
        updateProxy_ = &proxy;
        startUpdateCheck_ = std::move(startCheck);
    }

    // The application-wide error display: runs a handler, and shows an error it
    // raised with its message. Only that handler ends. False when it failed.
    template <class Handler>
    bool guarded(Handler&& handler) {
        try {
            std::forward<Handler>(handler)();
            return true;
        } catch (const std::exception& error) {
            reportError(error.what());
        } catch (...) {
            reportError("Unknown error");
        }
        return false;
    }

    SettingsStore& settings() { return settings_; }
    MainView& view() { return view_; }
    const MainWindowServices& services() const { return services_; }
    const GameInstall& gameInstall() const { return game_; }
    const std::string& programFolder() const { return services_.programFolder; }
    // What start-up has to say in the debug log (a refused version.txt).
    const std::vector<std::string>& startupLogLines() const { return startupLogLines_; }

private:
    void runStartup();
    bool checkInstallation();
    void takeOverVersionFile();
    void loadResolutions();
    void loadDemo();
    void loadResultsFolder();
    void loadQualityAndProxy();
    void loadPasses();
    void removeStaleBatchFile();
    void offerRecovery();
    void reportError(const std::string& message);
    MainWindowUiServices& ui();
    void writeNote();
    void writeLevel(ControlId list, const char* name, int highest);
    void openHelp();
    std::string updateServerSetting();

    MainView& view_;
    MainWindowServices services_;
    SettingsStore settings_;
    GameInstall game_;
    std::optional<MainWindowUiServices> ui_;
    RunController* run_ = nullptr;
    update::HttpProxy* updateProxy_ = nullptr;
    std::function<void()> startUpdateCheck_;
    bool quiet_ = false;
    bool closeAfterRun_ = false;
    std::vector<std::string> startupLogLines_;
};

}  // namespace melkrin
