// The upgrade flow's windows as real windows: classes, sizes, places and
// fonts, the final page, the close question, the upgrade question answered
// through real messages; and the files adapter on a real folder.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "update/upgrade_platform_win32.h"
#include "update/upgrade_windows_win32.h"
#include "win_test_support.h"

namespace melkrin::update {
namespace {

using namespace melkrin::testing;
using namespace wizard_ids;

int dpiScale(int value) {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(value, dpi, 96);
}

std::string className(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

std::string textOf(HWND hwnd) {
    char buffer[1024] = {};
    GetWindowTextA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

// A control's rectangle in its window's client coordinates.
RECT placeOf(HWND window, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(window, id), &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

LOGFONTA fontOf(HWND control) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return font;
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Answers the first message box owned by this process with the given button,
// from another thread, as a user would while the box runs its own loop.
class BoxAnswerer {
public:
    explicit BoxAnswerer(WPARAM button) : thread_([this, button] { run(button); }) {}
    ~BoxAnswerer() {
        stop_ = true;
        wait();
    }
    void wait() {
        if (thread_.joinable()) thread_.join();
    }
    std::string text;
    std::string caption;

private:
    void run(WPARAM button) {
        for (int i = 0; i < 400 && !stop_; ++i) {
            // The box is found as soon as it exists; its text is set before it is shown.
            HWND box = FindWindowA("#32770", nullptr);
            if (box && IsWindowVisible(box)) {
                char buffer[512] = {};
                GetWindowTextA(GetDlgItem(box, 0xFFFF), buffer, sizeof(buffer));
                text = buffer;
                GetWindowTextA(box, buffer, sizeof(buffer));
                caption = buffer;
                PostMessageA(box, WM_COMMAND, button, 0);
                return;
            }
            Sleep(25);
        }
    }
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST(UpgradeWindowsTest, WizardLayoutWithTheLocationHidden) {
    Win32UpgradeWindows windows(GetModuleHandleA(nullptr), "melkrin");
    windows.openWizard();
    HWND w = windows.wizard();
    ASSERT_TRUE(w);
    EXPECT_EQ(className(w), "TUpdateWizardForm");
    EXPECT_EQ(textOf(w), "Application update wizard");
    RECT client;
    GetClientRect(w, &client);
    EXPECT_EQ(client.right, dpiScale(463));
    EXPECT_EQ(client.bottom, dpiScale(281));
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);

    const RECT group = placeOf(w, LCurrentFile);
    EXPECT_EQ(group.left, dpiScale(136));
    EXPECT_EQ(group.top, dpiScale(44));
    EXPECT_EQ(group.bottom - group.top, dpiScale(95));
    EXPECT_EQ(textOf(GetDlgItem(w, LCurrentFile)), " Current file ");
    EXPECT_EQ(textOf(GetDlgItem(w, LAllFiles)), " All files ");
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, LDownloadingFileFrom)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, FileURL)));
    EXPECT_EQ(placeOf(w, LFileSize).top, dpiScale(44 + 14));
    EXPECT_EQ(placeOf(w, LTransferRate).top, dpiScale(44 + 30));
    EXPECT_EQ(placeOf(w, LEstimatedTime).top, dpiScale(44 + 46));
    EXPECT_EQ(placeOf(w, ProgressCurrentFile).top, dpiScale(44 + 66));
    EXPECT_EQ(textOf(GetDlgItem(w, LEstimatedTime)), "Preparing. . .");
    EXPECT_EQ(textOf(GetDlgItem(w, WizardTitle)), "Downloading files...");

    const LOGFONTA title = fontOf(GetDlgItem(w, WizardTitle));
    EXPECT_STREQ(title.lfFaceName, "Times New Roman");
    EXPECT_EQ(title.lfHeight, -dpiScale(19));
    EXPECT_EQ(title.lfWeight, FW_BOLD);
    EXPECT_TRUE(title.lfItalic);
    EXPECT_STREQ(fontOf(GetDlgItem(w, LFileSize)).lfFaceName, "MS Sans Serif");

    HWND finish = GetDlgItem(w, FinishBtn), cancel = GetDlgItem(w, CancelBtn);
    EXPECT_EQ(textOf(finish), "&Next >");
    EXPECT_FALSE(IsWindowEnabled(finish));
    EXPECT_EQ(textOf(cancel), "&Cancel");
    EXPECT_EQ(placeOf(w, FinishBtn).left, dpiScale(296));
    EXPECT_EQ(placeOf(w, CancelBtn).left, dpiScale(380));

    windows.setSizeLine("File size: 3.5 Kb");
    windows.setProgress(50, 49, "Transfer rate: 1.0 Kb/s", "Estimated time left: 0:00:05");
    EXPECT_EQ(SendDlgItemMessageA(w, ProgressAllFiles, PBM_GETPOS, 0, 0), 49);
    EXPECT_EQ(textOf(GetDlgItem(w, LEstimatedTime)), "Estimated time left: 0:00:05");

    windows.openWizard();
    EXPECT_EQ(windows.wizard(), w) << "one wizard at a time";
    windows.closeWizard();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(windows.wizardOpen());
}

TEST(UpgradeWindowsTest, FinalPageAndItsOkButton) {
    Win32UpgradeWindows windows(GetModuleHandleA(nullptr), "melkrin");
    std::vector<WizardEnd> ends;
    windows.onWizardClosed = [&](WizardEnd end) { ends.push_back(end); };
    windows.openWizard();
    HWND w = windows.wizard();
    windows.showFinalPage();
    EXPECT_EQ(textOf(GetDlgItem(w, WizardTitle)), "Upgrade completed!");
    EXPECT_EQ(textOf(GetDlgItem(w, AfterNote)),
              "The update of melkrin has been successfully completed.\r\rPress the OK button to restart program.");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(w, AfterNote)));
    EXPECT_GT(placeOf(w, AfterNote).bottom - placeOf(w, AfterNote).top, dpiScale(13)) << "sized to its text";
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, LCurrentFile)));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(w, LAllFiles)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(w, CancelBtn)));
    EXPECT_EQ(textOf(GetDlgItem(w, FinishBtn)), "&OK");
    SendMessageA(GetDlgItem(w, FinishBtn), BM_CLICK, 0, 0);
    pump();
    EXPECT_THAT(ends, ::testing::ElementsAre(WizardEnd::Finished));
    EXPECT_FALSE(IsWindow(w));
}

TEST(UpgradeWindowsTest, TheCloseBoxAsksAndOnlyYesAborts) {
    Win32UpgradeWindows windows(GetModuleHandleA(nullptr), "melkrin");
    std::vector<WizardEnd> ends;
    windows.onWizardClosed = [&](WizardEnd end) { ends.push_back(end); };
    windows.openWizard();
    HWND w = windows.wizard();
    windows.showFinalPage();
    {
        BoxAnswerer no(IDNO);
        SendMessageA(w, WM_CLOSE, 0, 0);
    }
    EXPECT_TRUE(IsWindow(w)) << "No keeps the wizard";
    EXPECT_TRUE(ends.empty());
    {
        BoxAnswerer yes(IDYES);
        SendMessageA(w, WM_CLOSE, 0, 0);
        yes.wait();
        EXPECT_EQ(yes.text, "The update is not completed.\rWould you like to abort upgrading?");
        EXPECT_EQ(yes.caption, "melkrin");
    }
    EXPECT_THAT(ends, ::testing::ElementsAre(WizardEnd::Aborted));
    EXPECT_FALSE(IsWindow(w));
}

TEST(UpgradeWindowsTest, UpgradeQuestionIsSizedToItsTextAndAnswersYes) {
    Win32UpgradeWindows windows(GetModuleHandleA(nullptr), "melkrin");
    std::atomic<int> width{0}, height{0};
    std::string label;
    std::thread user([&] {
        for (int i = 0; i < 400; ++i) {
            HWND q = FindWindowA("TUpgradeQuestionForm", nullptr);
            if (q && IsWindowVisible(q)) {
                RECT r;
                GetClientRect(q, &r);
                width = r.right;
                height = r.bottom;
                HWND text = FindWindowExA(q, FindWindowExA(q, nullptr, "Static", nullptr), "Static", nullptr);
                char buffer[512] = {};
                GetWindowTextA(text, buffer, sizeof(buffer));
                label = buffer;
                PostMessageA(FindWindowExA(q, nullptr, "Button", "&Yes"), BM_CLICK, 0, 0);
                return;
            }
            Sleep(25);
        }
    });
    const bool yes = windows.askUpgrade("");
    user.join();
    EXPECT_TRUE(yes);
    EXPECT_EQ(width, dpiScale(318));
    EXPECT_EQ(label, "A newer version of melkrin was released.\n\nDo you want to update your version with the latest one?");
    EXPECT_GT(height, dpiScale(5 + 45 + 26)) << "label top, at least two lines of text, bottom panel";
    EXPECT_FALSE(FindWindowA("TUpgradeQuestionForm", nullptr)) << "closing destroys it";
}

TEST(UpgradeFilesTest, PendingFilesTimesAndContent) {
    TempFolder folder;
    for (const char* name : {"a.exe.uTMP", "b.dat.uTMP", "c.txt", "d.uTMPx"})
        writeBytes(folder.path() + name, std::string("bytes of ") + name);
    Win32UpgradeFiles files;
    auto pending = files.pendingFiles(folder.path());
    std::sort(pending.begin(), pending.end());
    EXPECT_THAT(pending, ::testing::ElementsAre("a.exe.uTMP", "b.dat.uTMP"));
    EXPECT_EQ(files.readAll(folder.path() + "c.txt"), std::optional<std::string>("bytes of c.txt"));
    EXPECT_EQ(files.fileSize(folder.path() + "c.txt"), std::optional<std::uint64_t>(14));
    EXPECT_FALSE(files.readAll(folder.path() + "missing"));

    // Creation and write time from Last-Modified, in two-second steps; the access time stays.
    const std::string path = folder.path() + "a.exe.uTMP";
    FILETIME created, accessedBefore, written, accessedAfter;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, nullptr, &accessedBefore, nullptr);
    CloseHandle(h);
    files.setFileTime(path, 1'700'000'001);
    h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    GetFileTime(h, &created, &accessedAfter, &written);
    CloseHandle(h);
    const FILETIME expected = fileTimeOfLocal(1'700'000'000);
    EXPECT_EQ(CompareFileTime(&created, &expected), 0);
    EXPECT_EQ(CompareFileTime(&written, &expected), 0);
    EXPECT_EQ(CompareFileTime(&accessedBefore, &accessedAfter), 0);

    EXPECT_TRUE(files.deleteFile(path));
    EXPECT_FALSE(files.fileSize(path));
}

TEST(UpgradeFilesTest, HelperIsWrittenFromTheResourceOnlyWhereItIsCarried) {
    // The test program carries no "UPDHELPER": nothing is started and its fresh folder goes again.
    Win32HelperLauncher launcher([] {});
    const HandOverResult result = launcher.handOver("C:\\Program\\melkrin.exe", "/afterupgrade0");
    EXPECT_EQ(result.reached, HandOverStep::Write);
    EXPECT_NE(result.problem.find("carries no"), std::string::npos) << result.problem;
    EXPECT_EQ(result.helperPath.substr(result.helperPath.size() - 14), "\\UpdHelper.exe");
    const std::string folder = result.helperPath.substr(0, result.helperPath.size() - 14);
    EXPECT_EQ(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace melkrin::update
