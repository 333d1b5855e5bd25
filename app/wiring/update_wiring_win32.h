#pragma once
// The online update on Windows, owned for the main window's lifetime: the
// transfer client, the signature check, the update component, the upgrade
// flow with its windows, and the main window's three handlers on it.
#include <windows.h>

#include <memory>
#include <string>

#include "common/scheduler_win32.h"
#include "update/http_client_win32.h"
#include "update/update_checker.h"
#include "update/signature_verifier_win32.h"
#include "update/update_services_win32.h"
#include "update/upgrade_flow.h"
#include "update/upgrade_platform_win32.h"
#include "update/upgrade_windows_win32.h"

namespace melkrin {

class MainWindow;

class UpdateComponents {
public:
    UpdateComponents(HINSTANCE instance, MainWindow& form, HWND mainWindow);
    ~UpdateComponents();
    UpdateComponents(const UpdateComponents&) = delete;
    UpdateComponents& operator=(const UpdateComponents&) = delete;

    // Keyboard handling of the modeless download wizard.
    bool preTranslate(MSG& message) { return windows.preTranslate(message); }

    update::Win32HttpTransfer transfer;
    update::CngSignatureVerifier verifier;
    update::Win32UpdateMessageBoxes messages;
    Win32Scheduler scheduler;
    update::Win32OnlineTest online;
    update::Win32UpgradeFiles files;
    update::Win32UpgradeWindows windows;
    update::Win32HelperLauncher launcher;
    std::unique_ptr<update::UpdateChecker> updater;
    std::unique_ptr<update::UpgradeFlow> flow;
};

// The running program file and its name without extension (the application title).
std::string programPathOfThisProcess();
std::string applicationTitleOf(const std::string& programPath);

}  // namespace melkrin
