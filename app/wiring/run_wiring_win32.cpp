#include "app/wiring/run_wiring_win32.h"

#include "app/main_window.h"
#include "app/win32/platform_win32.h"
#include "settings/web_addresses.h"
#include "app/window_services.h"
#include "common/file_system_win32.h"
#include "crash/crash_hooks.h"
#include "crash/crash_restore.h"
#include "settings/registry_key_store_win32.h"
#include "sysinfo/machine_win32.h"
#include "sysinfo/system_info_win32.h"

namespace melkrin {

RunComponents::RunComponents(MainWindow& form, FileSystem& files, ShellFileOperation& fileOp, Dialogs& dialogs,
                             Shell& shell)
    : view(form.view()),
      debugLog(files, form.programFolder()),
      config(files, fileOp, debugLog),
      demo(files, fileOp, form.programFolder()),
      diagnostics(dxrun, files, form.settings(), systemFolder(), form.programFolder()) {
    SettingsStore& settings = form.settings();
    // A game never outlives the run that started it, however this program ends.
    cp.endTreeWithRunner = true;
    controller = std::make_unique<RunController>(
        RunServices{view, settings, files, dialogs, cp, diagnostics,
                    [&settings](const Diagnostics& values) { return collectSystemInfo(values, settings); },
                    inUse, [&shell](const std::string& path) { shell.open(path, ShowCommand::Show); }, clock,
                    scheduler, debugLog, config, demo,
                    [&form](const std::function<void()>& step) { form.guarded(step); }, systemCodePageToUtf8,
                    &facts},
        form.gameInstall(), form.programFolder(), web::kMakerHost);

    // A crash during a run puts back what this run changed. The hook asks the
    // run whether it is under way and the configuration what the run changed;
    // it uses a store and file access of its own, since the crash may come
    // from another thread while the window's store is in use.
    crash::setDebugLogPath(debugLog.path());
    crash::setConfigRestore([this, &form] {
        if (!controller->inProgress()) return crash::ConfigOutcome::NoRun;
        // The game first: one that writes its configuration as it quits would
        // write over what comes back.
        try {
            cp.stop();
        } catch (const std::exception&) {
            // It ends with this process all the same.
        }
        Win32FileSystem crashFiles;
        RegistryKeyStore crashKeys;
        SettingsStore crashSettings(crashKeys);
        const ConfigChanges changes = config.changes();
        const crash::ConfigOutcome outcome = crash::restoreAfterCrash(
            crashFiles, crashSettings, form.gameInstall(), changes.backedUp, changes.written);
        // A crash on another thread leaves the window's thread running until
        // the dialog is answered; its run must not write over what came back.
        if (outcome == crash::ConfigOutcome::Restored || outcome == crash::ConfigOutcome::DefaultWritten)
            config.forgetChanges();
        return outcome;
    });
}

RunComponents::~RunComponents() { crash::clearConfigRestore(); }

}  // namespace melkrin
