// WaitWindow and ResolutionListDialog as real windows: their classes and sizes, and the
// possibilities dialog driven modally through real messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <functional>

#include "app/win32/main_window_win32.h"
#include "app/resolution_list_dialog.h"
#include "app/win32/dialog_windows_win32.h"
#include "fake_platform.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using namespace melkrin::testing;

std::string className(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

SIZE clientSize(HWND hwnd) {
    RECT box;
    GetClientRect(hwnd, &box);
    return {box.right, box.bottom};
}

// Steps run from the modal loop of a dialog, one per timer tick.
std::vector<std::function<void()>> gSteps;
void CALLBACK nextStep(HWND, UINT, UINT_PTR timer, DWORD) {
    if (gSteps.empty()) {
        KillTimer(nullptr, timer);
        return;
    }
    auto step = gSteps.front();
    gSteps.erase(gSteps.begin());
    step();
}

LONG fontHeight(HWND hwnd) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof(font), &font);
    return std::abs(font.lfHeight);
}

// The tooltip control a window owns (made by this thread).
HWND tooltipOf(HWND owner) {
    struct Search {
        HWND owner;
        HWND found;
    } search{owner, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (className(hwnd) == TOOLTIPS_CLASSA && GetWindow(hwnd, GW_OWNER) == s->owner) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(DialogWindowsTest, PleaseWaitIsATopmostWindowShownAndClosedOnRequest) {
    Win32WaitWindow waitWindow(GetModuleHandleA(nullptr), 96);
    EXPECT_EQ(className(waitWindow.hwnd()), "TForm2");
    EXPECT_EQ(clientSize(waitWindow.hwnd()).cx, 287);
    EXPECT_EQ(clientSize(waitWindow.hwnd()).cy, 100);
    EXPECT_TRUE(GetWindowLongPtrA(waitWindow.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowVisible(waitWindow.hwnd()));
    waitWindow.show(96);
    EXPECT_TRUE(IsWindowVisible(waitWindow.hwnd()));
    waitWindow.close();
    EXPECT_FALSE(IsWindowVisible(waitWindow.hwnd()));

    // Shown for a main window at 192 DPI, and moved back to 96 by the system.
    waitWindow.show(192);
    EXPECT_EQ(clientSize(waitWindow.hwnd()).cx, 574);
    EXPECT_EQ(clientSize(waitWindow.hwnd()).cy, 200);
    RECT back{0, 0, 287, 100};
    SendMessageA(waitWindow.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(waitWindow.dpi(), 96);
    EXPECT_EQ(clientSize(waitWindow.hwnd()).cx, 287);
    waitWindow.close();
}

TEST(DialogWindowsTest, PossibilitiesFollowADpiChangeAndTheirCloseButtonHasAHint) {
    Win32ResolutionListDialog resolutionList(GetModuleHandleA(nullptr), 96);
    const HWND add = GetDlgItem(resolutionList.hwnd(), resolution_list_ids::kAddButton);
    const LONG font96 = fontHeight(add);
    const LRESULT item96 = SendMessageA(resolutionList.checkList(), LB_GETITEMHEIGHT, 0, 0);
    RECT suggested{0, 0, 456, 1004};
    SendMessageA(resolutionList.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(resolutionList.dpi(), 192);
    EXPECT_EQ(clientSize(resolutionList.hwnd()).cx, 456);
    EXPECT_EQ(clientSize(resolutionList.hwnd()).cy, 1004);
    EXPECT_NEAR(clientSize(add).cx, 152, 2);
    EXPECT_NEAR(fontHeight(add), font96 * 2, 1);
    EXPECT_EQ(SendMessageA(resolutionList.checkList(), LB_GETITEMHEIGHT, 0, 0), item96 * 2);

    const HWND tips = tooltipOf(resolutionList.hwnd());
    ASSERT_NE(tips, nullptr);
    char text[64] = {};
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = resolutionList.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(resolutionList.hwnd(), resolution_list_ids::kCloseButton));
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, "Close");
}

TEST(DialogWindowsTest, EveryClickOnAPossibilityTogglesIt) {
    Win32ResolutionListDialog resolutionList(GetModuleHandleA(nullptr), 96);
    resolutionList.addItem("640 x 480");
    resolutionList.addItem("800 x 600");
    const int height = static_cast<int>(SendMessageA(resolutionList.checkList(), LB_GETITEMHEIGHT, 0, 0));
    const LPARAM second = MAKELPARAM(6, height + height / 2);
    auto click = [&](UINT down) {
        SendMessageA(resolutionList.checkList(), down, MK_LBUTTON, second);
        SendMessageA(resolutionList.checkList(), WM_LBUTTONUP, 0, second);
    };
    click(WM_LBUTTONDOWN);
    EXPECT_TRUE(resolutionList.itemChecked(1));
    // A quick second click arrives as a double click.
    click(WM_LBUTTONDBLCLK);
    EXPECT_FALSE(resolutionList.itemChecked(1));
    EXPECT_FALSE(resolutionList.itemChecked(0));
}

// Serial: another test's window taking the activation would rebuild the list under the click.
TEST(SerialPossibilitiesTest, ListsTheModesAndAddTakesTheCheckedOne) {
    MemoryKeyStore keys;
    keys.addKey(names::kSettingsKey);
    SettingsStore settings(keys);
    FakeDisplayModes modes({{800, 600}, {640, 480}, {800, 600}, {1024, 768}});
    Win32MainWindow main(GetModuleHandleA(nullptr));
    main.show();
    Win32ResolutionListDialog resolutionList(GetModuleHandleA(nullptr), main.dpi());
    ResolutionListDialog presenter(resolutionList, main.view(), settings, modes);
    resolutionList.attach(presenter, {});
    EXPECT_EQ(className(resolutionList.hwnd()), "TForm3");
    EXPECT_EQ(clientSize(resolutionList.hwnd()).cx, MulDiv(228, main.dpi(), 96));
    EXPECT_EQ(clientSize(resolutionList.hwnd()).cy, MulDiv(502, main.dpi(), 96));

    std::vector<std::string> listed;
    bool ownerDisabled = false;
    gSteps = {
        [&] {
            for (int i = 0; i < resolutionList.itemCount(); ++i) listed.push_back(resolutionList.itemText(i));
            ownerDisabled = !IsWindowEnabled(main.hwnd());
            // A click on the third item ticks it.
            const int height = static_cast<int>(SendMessageA(resolutionList.checkList(), LB_GETITEMHEIGHT, 0, 0));
            const LPARAM at = MAKELPARAM(6, 2 * height + height / 2);
            PostMessageA(resolutionList.checkList(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(resolutionList.checkList(), WM_LBUTTONUP, 0, at);
        },
        [&] { PostMessageA(GetDlgItem(resolutionList.hwnd(), resolution_list_ids::kAddButton), BM_CLICK, 0, 0); },
        [&] { resolutionList.closeDialog(); },  // a safety net should Add not close it
    };
    SetTimer(nullptr, 0, 200, nextStep);
    resolutionList.showModal(main.hwnd(), main.dpi());

    EXPECT_THAT(listed, ElementsAre("800 x 600", "640 x 480", "1024 x 768"));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(main.hwnd()));
    EXPECT_FALSE(IsWindowVisible(resolutionList.hwnd()));
    EXPECT_EQ(main.text(ControlId::CusWidth), "1024");
    EXPECT_EQ(main.text(ControlId::CusHeight), "768");
    EXPECT_THAT(keys.writes, ElementsAre("CusW=1024", "CusH=768"));
    EXPECT_EQ(gSteps.size(), 1u) << "Add must close the dialog";
    gSteps.clear();
}

}  // namespace
}  // namespace melkrin
