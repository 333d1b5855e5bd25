#include "app/wiring/update_wiring_win32.h"

#include <ctime>
#include <vector>

#include <winver.h>

#include "app/main_window.h"
#include "common/errors.h"
#include "settings/settings_names.h"
#include "update/helper_handover_win32.h"
#include "update/update_info.h"
#include "update/update_key.h"
#include "update/updater_settings.h"

namespace melkrin {

std::string programPathOfThisProcess() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string applicationTitleOf(const std::string& programPath) {
    const auto slash = programPath.find_last_of("\\/");
    std::string name = slash == std::string::npos ? programPath : programPath.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

namespace {

update::CalendarDate today() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return update::CalendarDate{now.wYear, now.wMonth, now.wDay};
}

// A settings value, empty when it is missing or unreadable.
std::string setting(MainWindow& form, const char* name) {
    try {
        SettingsStore& settings = form.settings();
        if (settings.open(names::kSettingsKey, false) && settings.valueExists(name)) return settings.readString(name);
    } catch (const std::exception&) {
        // An unreadable value counts as none.
    }
    return {};
}

// The version resource of a program file ("1.2"); empty when it has none.
std::string fileVersionOf(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return {};
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return {};
    return update::fileVersionText(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                   HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
}

}  // namespace

UpdateComponents::UpdateComponents(HINSTANCE instance, MainWindow& form, HWND mainWindow)
    : verifier(update::updatePublicKey()),
      windows(instance, applicationTitleOf(programPathOfThisProcess())),
      launcher([mainWindow] { PostMessageA(mainWindow, WM_CLOSE, 0, 0); }) {
    const std::string programPath = programPathOfThisProcess();
    // The folders of earlier hand-overs; the one a helper still runs from stays for the next time.
    update::Win32HelperHandOverPlatform handOverPlatform;
    update::removeHelperLeftovers(handOverPlatform);

    updater = std::make_unique<update::UpdateChecker>(update::UpdateChecker::Services{
        transfer, verifier, messages, scheduler, online, [] { return today(); },
        [&form](const std::string& error) { form.guarded([&error] { throw MelkrinError(error); }); }});
    // The version start-up stored or this program file's own, whichever is higher; a mirror
    // named in the settings, the maker's server otherwise.
    update::configureForThisProgram(*updater, setting(form, names::kProgramVersion), fileVersionOf(programPath),
                                    setting(form, names::kUpdateServer));

    flow = std::make_unique<update::UpgradeFlow>(update::UpgradeFlow::Services{
        transfer, files, windows, launcher, messages, programPath, form.programFolder(), applicationTitleOf(programPath)});
    updater->attachUpgrade(*flow);
    windows.onWizardClosed = [this](update::WizardEnd end) { flow->wizardClosed(end); };

    flow->onAborted = [&form] { form.guarded([&form] { form.onUpdateAborted(); }); };
    flow->onLaterUpgrade = [&form] { form.guarded([&form] { form.onUpgradeLater(); }); };
    auto unreachable = [&form] { form.guarded([&form] { form.onUpdateHostUnreachable(); }); };
    updater->onHostUnreachable = [unreachable](update::UpdateChecker&, const std::string&, const std::string&) {
        unreachable();
    };
    flow->onHostUnreachable = [unreachable](const std::string&, const std::string&) { unreachable(); };

    form.attachUpdate(transfer.proxy, [this] { updater->startUpdateCheck(); });
}

UpdateComponents::~UpdateComponents() {
    windows.onWizardClosed = nullptr;
    flow->stop();
    windows.closeWizard();
}

}  // namespace melkrin
