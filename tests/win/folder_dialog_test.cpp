// The results folder picker as the system shows it: the system's item dialog
// (not the older browse dialog) chooses a folder, a hidden one too, by its
// path, and cancelling chooses nothing.
#include <gtest/gtest.h>
#include <windows.h>
#include <ole2.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/window_services_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using melkrin::testing::TempFolder;

constexpr int kFileNameEdit = 1152;

std::string classOf(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

HWND visibleDialog() {
    HWND dialog = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM out) -> BOOL {
            if (classOf(hwnd) == "#32770" && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(out) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialog));
    return dialog;
}

HWND childOfClass(HWND parent, const char* name) {
    struct Search {
        const char* name;
        HWND found;
    } search{name, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (classOf(child) == s->name && IsWindowVisible(child)) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Steps run from the dialog's own modal loop, one per timer tick, once it is up.
std::vector<std::function<void(HWND)>> gSteps;
bool gSawDialog = false;
void CALLBACK nextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = visibleDialog();
    if (!dialog) return;
    gSawDialog = true;
    if (gSteps.empty()) {
        KillTimer(nullptr, timer);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);  // a safety net
        return;
    }
    auto step = gSteps.front();
    gSteps.erase(gSteps.begin());
    step(dialog);
}

void enter(HWND dialog, const std::string& path) {
    SetDlgItemTextA(dialog, kFileNameEdit, path.c_str());
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
}

struct Ole {
    Ole() { OleInitialize(nullptr); }
    ~Ole() { OleUninitialize(); }
};

TEST(FolderDialogTest, ChoosesAFolderByItsPathAndCancelsToNothing) {
    Ole ole;
    TempFolder root;
    const std::string hidden = root.path() + "hidden results";
    ASSERT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
    SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    Win32FileDialogs dialogs;

    gSawDialog = false;
    bool itemDialog = false;
    gSteps = {
        [&](HWND dialog) {
            // The item dialog has a file-name box and a browser pane; the browse dialog a tree alone.
            itemDialog = GetDlgItem(dialog, kFileNameEdit) && childOfClass(dialog, "SysListView32");
            enter(dialog, hidden);
        },
    };
    SetTimer(nullptr, 0, 400, nextStep);
    const auto chosen = dialogs.chooseFolder();
    EXPECT_TRUE(gSawDialog);
    EXPECT_TRUE(itemDialog);
    EXPECT_EQ(chosen.value_or("<nothing>"), hidden);

    gSteps.clear();
    gSawDialog = false;
    SetTimer(nullptr, 0, 300, nextStep);
    EXPECT_FALSE(dialogs.chooseFolder().has_value());
    EXPECT_TRUE(gSawDialog);
}

}  // namespace
}  // namespace melkrin
