// Form2 and Form3 as real windows: their classes and sizes, and the
// possibilities dialog driven modally through real messages.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "app/form1_window_win32.h"
#include "app/form3.h"
#include "app/forms_win32.h"
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

TEST(FormsTest, PleaseWaitIsATopmostWindowShownAndClosedOnRequest) {
    Form2Window form2(GetModuleHandleA(nullptr), 96);
    EXPECT_EQ(className(form2.hwnd()), "TForm2");
    EXPECT_EQ(clientSize(form2.hwnd()).cx, 287);
    EXPECT_EQ(clientSize(form2.hwnd()).cy, 100);
    EXPECT_TRUE(GetWindowLongPtrA(form2.hwnd(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(IsWindowVisible(form2.hwnd()));
    form2.show();
    EXPECT_TRUE(IsWindowVisible(form2.hwnd()));
    form2.close();
    EXPECT_FALSE(IsWindowVisible(form2.hwnd()));
}

// Serial: another test's window taking the activation would rebuild the list under the click.
TEST(SerialPossibilitiesTest, ListsTheModesAndAddTakesTheCheckedOne) {
    MemoryKeyStore keys;
    keys.addKey(names::kSettingsKey);
    SettingsStore settings(keys);
    FakeDisplayModes modes({{800, 600}, {640, 480}, {800, 600}, {1024, 768}});
    Form1Window main(GetModuleHandleA(nullptr));
    main.show();
    Form3Window form3(GetModuleHandleA(nullptr), main.dpi());
    TForm3 presenter(form3, main.view(), settings, modes);
    form3.attach(presenter, {});
    EXPECT_EQ(className(form3.hwnd()), "TForm3");
    EXPECT_EQ(clientSize(form3.hwnd()).cx, MulDiv(228, main.dpi(), 96));
    EXPECT_EQ(clientSize(form3.hwnd()).cy, MulDiv(502, main.dpi(), 96));

    std::vector<std::string> listed;
    bool ownerDisabled = false;
    gSteps = {
        [&] {
            for (int i = 0; i < form3.itemCount(); ++i) listed.push_back(form3.itemText(i));
            ownerDisabled = !IsWindowEnabled(main.hwnd());
            // A click on the third item ticks it.
            const int height = static_cast<int>(SendMessageA(form3.checkList(), LB_GETITEMHEIGHT, 0, 0));
            const LPARAM at = MAKELPARAM(6, 2 * height + height / 2);
            PostMessageA(form3.checkList(), WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(form3.checkList(), WM_LBUTTONUP, 0, at);
        },
        [&] { PostMessageA(GetDlgItem(form3.hwnd(), form3::kButton1), BM_CLICK, 0, 0); },
        [&] { form3.closeDialog(); },  // a safety net should Add not close it
    };
    SetTimer(nullptr, 0, 200, nextStep);
    form3.showModal(main.hwnd());

    EXPECT_THAT(listed, ElementsAre("800 x 600", "640 x 480", "1024 x 768"));
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(main.hwnd()));
    EXPECT_FALSE(IsWindowVisible(form3.hwnd()));
    EXPECT_EQ(main.text(ControlId::CusWidth), "1024");
    EXPECT_EQ(main.text(ControlId::CusHeight), "768");
    EXPECT_THAT(keys.writes, ElementsAre("CusW=1024", "CusH=768"));
    EXPECT_EQ(gSteps.size(), 1u) << "Add must close the dialog";
    gSteps.clear();
}

}  // namespace
}  // namespace melkrin
