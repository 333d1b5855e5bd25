#include "app/main_window.h"

#include "app/display_modes.h"
#include "common/errors.h"
#include "common/file_system.h"
#include "common/shell_file_op.h"
#include "common/text.h"
#include "common/waits.h"
#include "gameconfig/running_game.h"
#include "settings/base64.h"
#include "settings/benchmark_options.h"
#include "settings/resolutions.h"
#include "settings/settings_names.h"
#include "update/update_info.h"

namespace melkrin {
namespace {

constexpr const char* kReinstall = "Please reinstall the Quorvane Melkrin!";
constexpr const char* kInstallGame = "Please install the Serious Sam 2!";
constexpr const char* kRecoveryQuestion =
    "The last time an error occured. Do you wish to restore the original settings?";
constexpr const char* kGameStillRunning =
    "Serious Sam 2 is still running from the interrupted benchmark. Melkrin waits for it to end.";
// A demo plays in a few minutes; a game still there after this is left to the user.
constexpr unsigned kGameEndWaitMs = 5 * 60 * 1000;

constexpr ControlId kDemoControls[] = {ControlId::DemoEdit, ControlId::DemoEditButton};
constexpr ControlId kProxyFields[] = {ControlId::ProxyServerEdit, ControlId::ProxyPortEdit,
                                      ControlId::ProxyUsernameEdit, ControlId::ProxyPassEdit};

}  // namespace

MainWindow::MainWindow(MainView& view, MainWindowServices services)
    : view_(view), services_(std::move(services)), settings_(services_.keys) {}

void MainWindow::reportError(const std::string& message) { services_.dialogs.showError(message); }

void MainWindow::onCreate() {
    guarded([this] { runStartup(); });
}

void MainWindow::runStartup() {
    view_.applyTheme();
    view_.showPage(kAboutPage);
    if (!checkInstallation()) return;

    // "Path" is shown first, then replaced by the game key's executable: the
    // game key is the one source of the game's folders (see README).
    settings_.open(names::kSettingsKey, false);
    view_.setText(ControlId::SS2PathEdit, settings_.readString(names::kPath));

    settings_.open(game::kKey, false);
    const std::string gameValue = settings_.readString(game::kGameValue);
    const std::string pathValue = settings_.readString(game::kPathValue);
    game_ = deriveGameInstall(gameValue, pathValue);
    view_.setText(ControlId::SS2PathEdit, game_.gameExePath);

    if (!services_.files.folderExists(game_.demosFolder) && !services_.files.createFolder(game_.demosFolder))
        throw MelkrinError("Cannot create " + game_.demosFolder);

    takeOverVersionFile();
    loadResolutions();
    loadDemo();
    loadResultsFolder();
    loadQualityAndProxy();
    loadPasses();
    removeStaleBatchFile();
    offerRecovery();
}

bool MainWindow::checkInstallation() {
    const std::pair<const char*, const char*> required[] = {{names::kSettingsKey, kReinstall},
                                                            {game::kKey, kInstallGame}};
    for (const auto& [key, message] : required) {
        if (settings_.open(key, false)) continue;
        services_.dialogs.showMessage(message);
        view_.setEnabled(ControlId::BenchButton, false);
        view_.setHint(ControlId::BenchButton, message);
        return false;
    }
    return true;
}

void MainWindow::takeOverVersionFile() {
    settings_.open(names::kSettingsKey, false);
    const std::string versionFile = services_.programFolder + "version.txt";
    if (services_.files.fileExists(versionFile)) {
        const std::string content = services_.files.readFile(versionFile);
        // The whole first line: "1.10" must not become "1.1" and be offered again for ever.
        if (const auto version = update::versionOfVersionFile(content)) {
            settings_.writeString(names::kProgramVersion, *version);
        } else {
            startupLogLines_.push_back("Start-up: version.txt holds no version number; it was not taken over");
        }
        // A file that cannot be deleted is read again at the next start.
        (void)services_.files.deleteFile(versionFile);
    }
    view_.setText(ControlId::VersionText, settings_.readString(names::kProgramVersion));
}

void MainWindow::loadResolutions() {
    const std::string modes = displayModeText(buildDisplayModeList(services_.displayModes));
    for (std::size_t i = 0; i < kFixedResolutions.size(); ++i) {
        const FixedResolution& resolution = kFixedResolutions[i];
        const ControlId item = kResolutionItems[i];
        if (contains(modes, displayModeEntry(resolution.width, resolution.height))) {
            view_.setChecked(item, decode::flagOn(settings_.readString(resolution.key)));
        } else {
            view_.setEnabled(item, false);
            view_.setChecked(item, false);
        }
    }

    const std::string width = settings_.readString(names::kCustomWidth);
    const std::string height = settings_.readString(names::kCustomHeight);
    if (!decode::customSizeStored(width, height)) return;
    if (contains(modes, displayModeEntry(width, height))) {
        view_.setText(ControlId::CusWidth, width);
        view_.setText(ControlId::CusHeight, height);
        const bool on = decode::flagOn(settings_.readString(names::kCustomOn)) &&
                        !view_.text(ControlId::CusWidth).empty() && !view_.text(ControlId::CusHeight).empty();
        view_.setChecked(ControlId::CusResBox, on);
    } else {
        settings_.writeString(names::kCustomWidth, "0");
        settings_.writeString(names::kCustomHeight, "0");
    }
}

void MainWindow::loadDemo() {
    if (const auto choice = decode::demoChoice(settings_.readString(names::kDemo))) {
        view_.setSelection(ControlId::Demo, *choice - 1);
        demoChanging();
        settings_.open(names::kSettingsKey, false);
    }
    const std::string demoName = settings_.readString(names::kDemoName);
    if (!demoName.empty() && services_.files.fileExists(demoName)) {
        view_.setText(ControlId::DemoEdit, demoName);
    } else {
        view_.setText(ControlId::DemoEdit, "");
        settings_.writeString(names::kDemoName, "");
    }
}

void MainWindow::demoChanging() {
    const int marked = view_.selection(ControlId::Demo);
    if (marked < 0 || marked > 3) return;
    for (ControlId control : kDemoControls) view_.setEnabled(control, marked == 3);
    settings_.open(names::kSettingsKey, true);
    settings_.writeString(names::kDemo, std::to_string(marked + 1));
}

void MainWindow::loadResultsFolder() {
    std::string folder = settings_.readString(names::kResultPath);
    if (!services_.files.folderExists(folder)) folder.clear();
    if (folder.empty()) folder = services_.programFolder + "Benchmark\\";
    view_.setText(ControlId::ResEdit, folder);
}

void MainWindow::loadQualityAndProxy() {
    if (const auto level = decode::afLevel(settings_.readString(names::kAfLevel)))
        view_.setSelection(ControlId::AFBox, *level);
    if (const auto level = decode::aaLevel(settings_.readString(names::kAaLevel)))
        view_.setSelection(ControlId::AABox, *level);
    view_.setText(ControlId::NoteEdit, settings_.readString(names::kNote));
    view_.setChecked(ControlId::HDRBox, decode::hdrOn(settings_.readString(names::kHdr)));
    view_.setSelection(ControlId::RendererBox,
                       static_cast<int>(decode::renderer(settings_.readString(names::kRenderer))));

    const bool useProxy = decode::flagOn(settings_.readString(names::kUseProxy));
    view_.setChecked(ControlId::UseProxyBox, useProxy);
    view_.setText(ControlId::ProxyServerEdit, settings_.readString(names::kProxyServer));
    view_.setText(ControlId::ProxyPortEdit, settings_.readString(names::kProxyPort));
    view_.setText(ControlId::ProxyUsernameEdit, settings_.readString(names::kProxyUsername));
    const std::string password = settings_.readString(names::kProxyPassword);
    if (!password.empty()) view_.setText(ControlId::ProxyPassEdit, decodeBase64(password));
    for (ControlId field : kProxyFields) view_.setEnabled(field, view_.checked(ControlId::UseProxyBox));
}

// Shows the stored passes and warm-up; writes nothing, so a user who never
// opens the page keeps a settings key without these values.
void MainWindow::loadPasses() {
    settings_.open(names::kSettingsKey, false);
    // Only a value the list itself stores is shown; anything else reads as one pass.
    const std::string passes = settings_.readString(names::kPasses);
    int shown = 0;
    for (int item = 0; item <= PassPlan::kUntilStableItem; ++item)
        if (passes == PassPlan::fromListItem(item, false).passesText()) shown = item;
    view_.setSelection(ControlId::PassesBox, shown);
    view_.setChecked(ControlId::WarmUpBox, settings_.readString(names::kWarmUp) == "1");
}

void MainWindow::removeStaleBatchFile() {
    if (services_.files.fileExists(game_.batchFile())) (void)services_.files.deleteFile(game_.batchFile());
}

void MainWindow::offerRecovery() {
    settings_.open(names::kSettingsKey, false);
    if (settings_.readString(names::kRunMarker) != "1") return;
    // The interrupted run's game may still be quitting, and would write its
    // configuration over the restored one: nothing goes back under it.
    if (services_.runningGame) {
        switch (services_.runningGame->waitUntilEnded(game_.gameExePath, kGameStillRunning, kGameEndWaitMs)) {
            case GameWait::NotRunning:
            case GameWait::Ended:
                break;
            case GameWait::Cancelled:
                startupLogLines_.push_back("Start-up: the recovery waits for Serious Sam 2 to end; cancelled, "
                                           "the next start offers it again");
                return;
            case GameWait::TimedOut:
                startupLogLines_.push_back("Start-up: Serious Sam 2 still runs after " +
                                           std::to_string(kGameEndWaitMs / 1000) +
                                           " s; the next start offers the recovery again");
                return;
        }
    }
    if (!services_.dialogs.confirm(kRecoveryQuestion)) return;
    if (!services_.files.fileExists(game_.configBackup())) return;
    if (services_.files.fileExists(game_.configFile())) (void)services_.files.deleteFile(game_.configFile());
    services_.waits.sleep(250);
    services_.fileOp.move(game_.configBackup(), game_.configFile());
    settings_.open(names::kSettingsKey, false);
    settings_.writeString(names::kRunMarker, "0");
}

void MainWindow::onDestroy() {
    guarded([this] {
        if (!settings_.keyExists(names::kSettingsKey)) return;
        settings_.open(names::kSettingsKey, false);
        for (const char* name : {names::kDisplayMemory, names::kDriverVersion, names::kSound})
            settings_.writeString(name, "");
    });
}

}  // namespace melkrin
