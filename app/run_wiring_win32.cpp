#include "app/run_wiring_win32.h"

#include "app/form1.h"
#include "app/web_addresses.h"
#include "app/window_services.h"
#include "sysinfo/machine_win32.h"
#include "sysinfo/system_info_win32.h"

namespace melkrin {

RunComponents::RunComponents(TForm1& form, FileSystem& files, ShellFileOperation& fileOp, Dialogs& dialogs,
                             Shell& shell, const RunOptions* commandLine)
    : view(form.view()),
      debugLog(files, form.programFolder()),
      config(files, fileOp, debugLog),
      demo(files, fileOp, form.programFolder()),
      diagnostics(dxrun, files, form.settings(), systemFolder(), form.programFolder()) {
    SettingsStore& settings = form.settings();
    if (commandLine) commandLineView = std::make_unique<CommandLineRunView>(view, *commandLine);
    RunView& runView = commandLineView ? static_cast<RunView&>(*commandLineView) : view;
    controller = std::make_unique<RunController>(
        RunServices{runView, settings, files, dialogs, cp, diagnostics,
                    [&settings](const Diagnostics& values) { return collectSystemInfo(values, settings); },
                    inUse, [&shell](const std::string& path) { shell.open(path, ShowCommand::Show); }, clock,
                    scheduler, debugLog, config, demo,
                    [&form](const std::function<void()>& step) { form.guarded(step); }},
        form.gameInstall(), form.programFolder(), web::kMakerHost);
}

}  // namespace melkrin
