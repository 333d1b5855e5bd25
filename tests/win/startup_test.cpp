// Start-up with the real registry, file system and shell file operation on a
// temporary game tree. The keys live below a temporary root key, so these
// tests never meet the program's real settings.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/win32/platform_win32.h"
#include "state_view.h"
#include "common/file_system_win32.h"
#include "common/shell_file_op_win32.h"
#include "fake_platform.h"
#include "settings/registry_key_store_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

HKEY createKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    return key;
}

void setString(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

std::string getString(HKEY key, const char* name) {
    char data[512] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

// Whether the current display offers a size at any depth and rate, asked here
// rather than through the program's own display mode source.
bool displayOffers(DWORD width, DWORD height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    for (DWORD n = 0; EnumDisplaySettingsA(nullptr, n, &mode); ++n)
        if (mode.dmPelsWidth == width && mode.dmPelsHeight == height) return true;
    return false;
}

TEST(StartupOnRealTreeTest, RecoversAnInterruptedRunAndCleansUp) {
    TempRegistryKey tempKey;
    HKEY root = createKey(HKEY_LOCAL_MACHINE, tempKey.path().substr(1));
    HKEY settings = createKey(root, "SOFTWARE\\Quorvane\\Melkrin");
    HKEY gameKey = createKey(root, "SOFTWARE\\Croteam\\SeriousSam2");

    TempFolder program;
    TempFolder gameTree;
    const std::string gameRoot = gameTree.path() + "Serious Sam 2\\";
    CreateDirectoryA(gameRoot.c_str(), nullptr);
    CreateDirectoryA((gameRoot + "Bin").c_str(), nullptr);
    CreateDirectoryA((gameRoot + "Content").c_str(), nullptr);
    CreateDirectoryA((gameRoot + "Content\\SeriousSam2").c_str(), nullptr);
    const std::string content = gameRoot + "Content\\SeriousSam2\\";
    writeBytes(gameRoot + "Bin\\Sam2.exe", "MZ");
    writeBytes(gameRoot + "Bin\\melkrin.bat", "Sam2.exe\r\n");
    writeBytes(content + "Sam2.ini", "benchmark\r\n");
    writeBytes(content + "Sam2_old.ini", "users own\r\n");
    writeBytes(program.path() + "version.txt", "1.5\r\n");

    std::string forwardRoot = gameRoot;
    for (auto& c : forwardRoot)
        if (c == '\\') c = '/';
    setString(gameKey, "Game", "$" + forwardRoot + "Bin/Sam2.exe");
    setString(gameKey, "Path", forwardRoot);
    setString(settings, "NoErrorWarning", "1");
    setString(settings, "Note", "from the registry");
    setString(settings, "Display Memory", "128.0 MB");
    const struct {
        const char* key;
        DWORD width;
        DWORD height;
        ControlId item;
    } resolutions[] = {
        {"640", 640, 480, ControlId::Res640},       {"800", 800, 600, ControlId::Res800},
        {"1024", 1024, 768, ControlId::Res1024},    {"1280", 1280, 1024, ControlId::Res1280},
        {"1600", 1600, 1200, ControlId::Res1600},   {"2048", 2048, 1536, ControlId::Res2048},
        {"hdw1", 1280, 768, ControlId::ResHdw1},    {"hdw2", 1920, 1080, ControlId::ResHdw2},
        {"hdw3", 1920, 1200, ControlId::ResHdw3},
    };
    for (const auto& r : resolutions) setString(settings, r.key, "1");
    // A custom size no display offers is forgotten.
    setString(settings, "CusW", "1234");
    setString(settings, "CusH", "567");
    setString(settings, "CusRes", "1");

    RegistryKeyStore keys(root);
    Win32FileSystem files;
    Win32ShellFileOperation fileOp;
    Win32DisplayModes modes;
    FakeDialogs dialogs;
    dialogs.answers = {true};
    FakeWaits waits;
    StateView view;
    {
        MainWindow form(view, MainWindowServices{keys, files, fileOp, modes, dialogs, waits, program.path()});
        form.onCreate();
        EXPECT_TRUE(dialogs.errors.empty()) << (dialogs.errors.empty() ? "" : dialogs.errors.front());
        EXPECT_EQ(dialogs.questions.size(), 1u);
        EXPECT_EQ(view.text(ControlId::SS2PathEdit), gameRoot + "Bin\\Sam2.exe");
        EXPECT_EQ(view.text(ControlId::NoteEdit), "from the registry");
        EXPECT_EQ(view.text(ControlId::VersionText), "1.5");
        EXPECT_TRUE(files.folderExists(content + "Demos\\"));
        EXPECT_FALSE(files.fileExists(gameRoot + "Bin\\melkrin.bat"));
        EXPECT_EQ(readBytes(content + "Sam2.ini"), "users own\r\n");
        EXPECT_FALSE(files.fileExists(content + "Sam2_old.ini"));
        EXPECT_FALSE(files.fileExists(program.path() + "version.txt"));
        EXPECT_EQ(getString(settings, "NoErrorWarning"), "0");
        EXPECT_EQ(getString(settings, "Programversion"), "1.5");
        // Each item follows the real display: offered sizes show their stored
        // choice, the others are disabled and unchecked, their flags untouched.
        int offered = 0;
        for (const auto& r : resolutions) {
            const bool offers = displayOffers(r.width, r.height);
            offered += offers ? 1 : 0;
            EXPECT_EQ(view.enabled(r.item), offers) << r.key;
            EXPECT_EQ(view.checked(r.item), offers) << r.key;
            EXPECT_EQ(getString(settings, r.key), "1") << r.key;
        }
        EXPECT_GT(offered, 0) << "the display offers none of the fixed sizes";
        EXPECT_EQ(getString(settings, "CusW"), "0");
        EXPECT_EQ(getString(settings, "CusH"), "0");
        EXPECT_EQ(view.text(ControlId::CusWidth), "");
        EXPECT_FALSE(view.checked(ControlId::CusResBox));
        form.onDestroy();
    }
    EXPECT_EQ(getString(settings, "Display Memory"), "");
    RegCloseKey(gameKey);
    RegCloseKey(settings);
    RegCloseKey(root);
}

}  // namespace
}  // namespace melkrin
