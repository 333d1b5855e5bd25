// Entry point of melkrin.exe.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/win32/dialogs_win32.h"
#include "app/main_window.h"
#include "app/win32/main_window_win32.h"
#include "app/resolution_list_dialog.h"
#include "app/win32/dialog_windows_win32.h"
#include "app/win32/help_download_win32.h"
#include "app/win32/platform_win32.h"
#include "app/wiring/run_wiring_win32.h"
#include "app/wiring/update_wiring_win32.h"
#include "app/scripted_run.h"
#include "app/wiring/swap_repair_win32.h"
#include "settings/web_addresses.h"
#include "app/win32/window_services_win32.h"
#include "common/file_system_win32.h"
#include "common/kill_points.h"
#include "common/shell_file_op_win32.h"
#include "common/waits_win32.h"
#include "common/win32/console_win32.h"
#include "common/win32/message_box_win32.h"
#include "crash/crash_handler_win32.h"
#include "crash/crash_hooks.h"
#include "gameconfig/running_game_win32.h"
#include "settings/registry_key_store_win32.h"
#include "settings/settings_names.h"

namespace {

// The version start-up took over from "version.txt", for crash reports; none
// when the settings key cannot be read (start-up has said why).
std::string storedVersion(melkrin::SettingsStore& settings) {
    try {
        if (settings.open(melkrin::names::kSettingsKey, false))
            return settings.readString(melkrin::names::kProgramVersion);
    } catch (const std::exception&) {
    }
    return {};
}

}  // namespace

namespace {

// The C runtime's split of the command line, without the program's name.
std::vector<std::string> programArguments() {
    std::vector<std::string> args;
    for (int i = 1; i < __argc; ++i) args.emplace_back(__argv[i]);
    return args;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace melkrin;

    // First of all: whatever fails from here on ends in a report, not in silence.
    crash::installCrashHandler(web::kMakerHost, MELKRIN_BUILD_VERSION);

    // The kill-point tests end the program at a named step of a run.
    char wanted[64] = {};
    const DWORD length = GetEnvironmentVariableA("MELKRIN_KILL_POINT", wanted, sizeof(wanted));
    if (length > 0 && length < sizeof(wanted)) {
        setKillPointHandler([step = std::string(wanted)](const std::string& reached) {
            if (killPointMatches(reached, step)) TerminateProcess(GetCurrentProcess(), 99);
        });
    }

    // "/?" and a refused command line end here, before anything is touched.
    const CommandLine commandLine = parseCommandLine(programArguments());
    // From here on no box waits for a click under "/quiet", the crash's own included.
    setUnattended(commandLine.quiet);
    // A script's console hears what a box says, and a "/run"'s results.
    if (commandLine.action != CommandLine::Action::Window) attachParentConsole();
    if (commandLine.action == CommandLine::Action::Usage) {
        writeConsoleLine(usageText());
        if (!commandLine.quiet) showMessageBox(nullptr, usageText(), "Melkrin", MB_OK | MB_ICONINFORMATION);
        return kExitDone;
    }
    if (commandLine.action == CommandLine::Action::Refused) {
        const std::string text = commandLine.error + "\r\n\r\n" + usageText();
        writeConsoleLine(text);
        if (!commandLine.quiet) showMessageBox(nullptr, text, "Melkrin", MB_OK | MB_ICONERROR);
        return kExitRefused;
    }
    const bool scripted = commandLine.action == CommandLine::Action::Run;

    // An update swap that was cut short goes to the update helper first, which
    // finishes or undoes it while this program is closed and starts it again.
    const SwapRepairStart swapRepair =
        beginSwapRepair(programFolderOfThisProcess(), programPathOfThisProcess(), commandLine.afterUpgrade, scripted);
    if (swapRepair.endNow) return kExitDone;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    // The folder selection dialog needs OLE in this thread.
    const bool ole = SUCCEEDED(OleInitialize(nullptr));

    Win32FileSystem files;
    RegistryKeyStore keys;
    Win32ShellFileOperation fileOp;
    Win32DisplayModes displayModes;
    Win32Dialogs boxes;
    // A quiet "/run" shows no box: what would be said goes to the exit code and the debug log.
    RecordingDialogs dialogs(boxes);
    dialogs.quiet = scripted && commandLine.quiet;
    Win32Waits waits;
    Win32Shell shell;
    Win32FileDialogs fileDialogs;
    Win32HelpDownloader helpDownloader;
    Win32RunningGame runningGame;

    Win32MainWindow window(instance);
    fileOp.setOwner(window.hwnd());
    boxes.setOwner(window.hwnd());
    helpDownloader.setOwner(window.hwnd());
    shell.setOwner(window.hwnd());
    fileDialogs.setOwner(window.hwnd());

    MainWindow form(window.view(),
                MainWindowServices{keys, files, fileOp, displayModes, dialogs, waits, programFolderOfThisProcess(),
                                   &runningGame});
    window.attach(form);
    form.onCreate();
    // Ready before the window can be clicked.
    UpdateComponents update(instance, form, window.hwnd());
    crash::setProgramVersion(storedVersion(form.settings()));
    window.show();

    // WaitWindow and ResolutionListDialog stay hidden until used and live until the end.
    Win32WaitWindow waitWindow(instance, window.dpi());
    Win32ResolutionListDialog resolutionList(instance, window.dpi());
    ResolutionListDialog possibilities(resolutionList, window.view(), form.settings(), displayModes);
    resolutionList.attach(possibilities, [&form](std::function<void()> handler) { form.guarded(handler); });
    Win32AppWindows windows(window, waitWindow, resolutionList);
    form.attachUi(MainWindowUiServices{fileDialogs, shell, helpDownloader, windows, update.verifier});
    RunComponents run(form, files, fileOp, dialogs, shell);
    form.attachRun(*run.controller);
    window.onClose = [&form] {
        bool close = true;
        form.guarded([&form, &close] { close = form.onCloseRequested(); });
        return close;
    };
    finishSwapRepair(form.programFolder(), swapRepair.leftovers, run.debugLog, dialogs);
    if (!form.startupLogLines().empty()) {
        for (const std::string& line : form.startupLogLines()) run.debugLog.add(line);
        try {
            run.debugLog.save();
        } catch (const std::exception&) {
            // The lines stay in the log, which the next run writes again.
        }
    }

    int exitCode = kExitDone;
    std::unique_ptr<ScriptedRun> scriptedRun;
    if (scripted) {
        form.setQuiet(dialogs.quiet);
        scriptedRun = std::make_unique<ScriptedRun>(ScriptedRunServices{
            window.view(), commandLine.run, [&form] { return form.runRequest(); }, *run.controller, files, run.debugLog, dialogs, systemCodePageToUtf8,
            [&exitCode, &window](int code) {
                exitCode = code;
                PostMessageA(window.hwnd(), WM_CLOSE, 0, 0);
            },
            [](const std::string& bytes) { writeConsole(bytes); }});
    }
    // The crash handler has written its report: the debug log says where, and
    // a scripted run's JSON says "crashed". Nothing here may throw.
    crash::setCrashRecord([&run, &scriptedRun](const crash::CrashRecord& crash) {
        try {
            run.debugLog.add("Crash: " + crash.exception +
                             (crash.reportPath.empty() ? std::string("; no crash report could be written")
                                                       : "; crash report: " + crash.reportPath));
            run.debugLog.save();
        } catch (...) {
        }
        try {
            if (scriptedRun) scriptedRun->crashed(crash.reportPath, crash.exception);
        } catch (...) {
        }
    });
    if (scriptedRun) scriptedRun->start();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (update.preTranslate(message)) continue;
        if (window.preTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    // The window's thread goes on when the crash report waits for a lock it
    // held; the run may then reach its end, but the process ends through the
    // crash handler, with its exit code, never here.
    if (crash::crashing()) Sleep(INFINITE);
    crash::setCrashRecord(nullptr);
    form.onDestroy();
    // The windows outlive their presenters (they were made first): what they
    // report while they are destroyed must reach no handler.
    window.detach();
    resolutionList.detach();
    if (ole) OleUninitialize();
    return exitCode;
}
