#include "app/update_wiring_win32.h"

#include <ctime>
#include <vector>

#include <winver.h>

#include "app/form1.h"
#include "common/errors.h"
#include "settings/settings_names.h"
#include "update/helper_handover_win32.h"
#include "update/update_info.h"
#include "update/update_key.h"
#include "update/updater_settings.h"

namespace melkrin {

std::string ProgramPathOfThisProcess() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::string ApplicationTitleOf(const std::string& programPath) {
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
std::string setting(TForm1& form, const char* name) {
    try {
        SettingsStore& settings = form.settings();
        if (settings.open(names::kSettingsKey, false) && settings.valueExists(name)) return settings.readString(name);
    } catch (const std::exception&) {
        // An unreadable value counts as none.
    }
    return {};
}

// The version resource of a program file ("1.2"); empty when it has none.
std::string FileVersionOf(const std::string& path) {
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
    return update::FileVersionText(HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                                   HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
}

}  // namespace

UpdateComponents::UpdateComponents(HINSTANCE instance, TForm1& form, HWND mainWindow)
    : verifier(update::UpdatePublicKey()),
      windows(instance, ApplicationTitleOf(ProgramPathOfThisProcess())),
      launcher([mainWindow] { PostMessageA(mainWindow, WM_CLOSE, 0, 0); }) {
    const std::string programPath = ProgramPathOfThisProcess();
    // The folders of earlier hand-overs; the one a helper still runs from stays for the next time.
    update::Win32HelperHandOverPlatform handOverPlatform;
    update::RemoveHelperLeftovers(handOverPlatform);

    updater = std::make_unique<update::TSelfUpdater>(update::TSelfUpdater::Services{
        transfer, verifier, messages, scheduler, online, [] { return today(); },
        [&form](const std::string& error) { form.guarded([&error] { throw MelkrinError(error); }); }});
    // The version start-up stored or this program file's own, whichever is higher; a mirror
    // named in the settings, the maker's server otherwise.
    update::ConfigureForThisProgram(*updater, setting(form, names::kProgramVersion), FileVersionOf(programPath),
                                    setting(form, names::kUpdateServer));

    flow = std::make_unique<update::TUpgradeFlow>(update::TUpgradeFlow::Services{
        transfer, files, windows, launcher, messages, programPath, form.programFolder(), ApplicationTitleOf(programPath)});
    updater->AttachUpgrade(*flow);
    windows.onWizardClosed = [this](update::WizardEnd end) { flow->WizardClosed(end); };

    flow->OnAborted = [&form] { form.guarded([&form] { form.UpdaterAborted(); }); };
    flow->OnLaterUpgrade = [&form] { form.guarded([&form] { form.UpdaterLaterUpgrade(); }); };
    auto unreachable = [&form] { form.guarded([&form] { form.UpdaterHostUnreachable(); }); };
    updater->OnHostUnreachable = [unreachable](update::TSelfUpdater&, const std::string&, const std::string&) {
        unreachable();
    };
    flow->OnHostUnreachable = [unreachable](const std::string&, const std::string&) { unreachable(); };

    form.attachUpdate(transfer.Proxy, [this] { updater->StartUpdateCheck(); });
}

UpdateComponents::~UpdateComponents() {
    windows.onWizardClosed = nullptr;
    flow->Stop();
    windows.closeWizard();
}

}  // namespace melkrin
