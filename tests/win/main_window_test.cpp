// The real main window under Wine: its control tree, and option writes
// driven by real messages (pointer, keyboard, focus) through the presenter.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/win32/main_window_win32.h"
#include "fake_platform.h"
#include "fake_window_services.h"
#include "main_window_doubles.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace melkrin::testing;

std::string windowText(HWND hwnd) {
    char buffer[512] = {};
    GetWindowTextA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

std::string className(HWND hwnd) {
    char buffer[64] = {};
    GetClassNameA(hwnd, buffer, sizeof(buffer));
    return buffer;
}

bool shown(HWND hwnd) { return IsWindowVisible(hwnd) != 0; }

struct Window : MainWindowDoubles {
    Win32MainWindow window{GetModuleHandleA(nullptr)};
    MainWindow form{window.view(), services("C:\\Melkrin\\")};

    Window() {
        keys.addKey(names::kSettingsKey);
        window.attach(form);
        form.attachUi(uiServices());
        window.applyTheme();
        window.show();
        SetForegroundWindow(window.hwnd());
        pump(100);
    }
    HWND at(ControlId id) const { return window.control(id); }
    // Runs the message loop as the program does, for a while or until done() holds.
    bool pump(int milliseconds, const std::function<bool()>& done = {}) {
        const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (window.preTranslate(message)) continue;
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
            if (done && done()) return true;
            if (static_cast<LONG>(GetTickCount() - end) >= 0) return !done;
            Sleep(10);
        }
    }
    void press(ControlId id) {
        SendMessageA(at(id), BM_CLICK, 0, 0);
        pump(50);
    }
    void key(HWND target, WPARAM key) {
        SendMessageA(target, WM_KEYDOWN, key, 1);
        SendMessageA(target, WM_KEYUP, key, 0xC0000001);
        pump(50);
    }
    // Wine takes a warp of the pointer from the X server and may still report
    // the position before it for a moment: warp until the position holds.
    void warp(int x, int y) {
        auto holds = [&] {
            POINT at{};
            GetCursorPos(&at);
            return at.x == x && at.y == y;
        };
        for (int attempt = 0; attempt < 20; ++attempt) {
            SetCursorPos(x, y);
            pump(150);
            if (!holds()) continue;
            pump(250);
            if (holds()) return;
        }
    }
    // The pointer onto the middle of a control, then off the window.
    void moveOnto(ControlId id) {
        RECT box;
        GetWindowRect(at(id), &box);
        warp(box.left + 2, (box.top + box.bottom) / 2);
        warp((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    }
    // Onto the title band of the window's background, away from every
    // option. (Wine in a virtual desktop puts the pointer back when it is
    // warped off the window.)
    void moveAway() {
        RECT box;
        GetWindowRect(window.hwnd(), &box);
        warp(box.left + MulDiv(250, window.dpi(), 96), box.top + MulDiv(40, window.dpi(), 96));
    }
};

TEST(Win32MainWindowTest, HasEveryControlWithItsTextAndDesignedState) {
    Window w;
    EXPECT_EQ(className(w.window.hwnd()), "TForm1");
    RECT client;
    GetClientRect(w.window.hwnd(), &client);
    EXPECT_EQ(client.right, MulDiv(490, w.window.dpi(), 96));
    EXPECT_EQ(client.bottom, MulDiv(340, w.window.dpi(), 96));
    EXPECT_EQ(GetWindowLongPtrA(w.window.hwnd(), GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME), 0);

    // Window texts: picture buttons carry their hints.
    const std::pair<ControlId, const char*> texts[] = {
        {ControlId::BenchButton, "Run benchmark"},
        {ControlId::MinimiseButton, "Minimize"},
        {ControlId::CloseButton, "Close"},
        {ControlId::ChooseResultsFolder, "Browse..."},
        {ControlId::OpenResFolder, "Open results folder"},
        {ControlId::UpdateButton, "Update benchmark"},
        {ControlId::CusPossibilities, "Possibilities"},
        {ControlId::CusResBox, "Custom resolution:"},
        {ControlId::CusTimes, "\xD7"},
        {ControlId::Res640, "640 \xD7 480"},
        {ControlId::Res2048, "2048 \xD7 1536"},
        {ControlId::ResHdw1, "1280 \xD7 768"},
        {ControlId::ResHdw3, "1920 \xD7 1200"},
        {ControlId::Demo0, "Branchester"},
        {ControlId::Demo2, "Shield Generator28"},
        {ControlId::Demo3, "User defined demo"},
        {ControlId::HDRBox, "Enable HDR"},
        {ControlId::UseProxyBox, "Use Proxy  Server"},
        {ControlId::BenchmarkGroup, "Benchmark"},
        {ControlId::PathAndNotesItem, "Path && notes"},
        {ControlId::AboutItem, "About..."},
        {ControlId::VersionText, "v1.2"},
        {ControlId::ProgressTitle, "Benchmarking in progress"},
        {ControlId::Res, " Resolution "},
        {ControlId::Demo, " Choose a demo "},
        {ControlId::ProxyFrame, " Proxy Settings "},
        {ControlId::PassesAndHistoryItem, "Passes && history"},
        {ControlId::PassesFrame, " Passes per resolution "},
        {ControlId::WarmUpBox, "&Warm-up pass first (not counted)"},
        {ControlId::HistoryButton, "&History of the results"},
    };
    for (const auto& [id, text] : texts) EXPECT_EQ(windowText(w.at(id)), text) << static_cast<int>(id);
    EXPECT_EQ(w.window.text(ControlId::OpenResFolder), "Open");
    EXPECT_EQ(w.window.hint(ControlId::OpenResFolder), "Open results folder");

    // Labels without a control name.
    std::vector<std::string> labels;
    EnumChildWindows(
        w.window.hwnd(),
        [](HWND hwnd, LPARAM out) {
            if (GetDlgCtrlID(hwnd) == 0) reinterpret_cast<std::vector<std::string>*>(out)->push_back(windowText(hwnd));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&labels));
    EXPECT_THAT(labels, ::testing::IsSupersetOf({"Serious Sam 2 path", "Results folder",
                                                  "Benchmark notes (50 chars at most!)", "Filtering mode",
                                                  "Antialiasing mode", "Proxy Server", "Proxy Port", "Username",
                                                  "Password", "&Passes:"}));

    // Lists.
    auto entries = [&](ControlId id) {
        std::vector<std::string> out;
        const int count = static_cast<int>(SendMessageA(w.at(id), CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char buffer[64] = {};
            SendMessageA(w.at(id), CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
            out.push_back(buffer);
        }
        return out;
    };
    EXPECT_THAT(entries(ControlId::RendererBox), ElementsAre("OpenGL", "Direct3D"));
    EXPECT_THAT(entries(ControlId::AFBox), ElementsAre("None", "Anisotrophic 2\xD7", "Anisotrophic 4\xD7",
                                                       "Anisotrophic 8\xD7", "Anisotrophic 16\xD7"));
    EXPECT_THAT(entries(ControlId::AABox), ElementsAre("None", "Low", "Medium", "High"));
    EXPECT_THAT(entries(ControlId::PassesBox), ElementsAre("1 (a single pass)", "2", "3", "4", "5", "6", "7", "8", "9",
                                                           "10", "Until stable (3 to 10)"));
    EXPECT_EQ(w.window.hint(ControlId::HistoryButton), "Open the history page of the results folder");

    // Designed state: page 4, both groups closed, progress panel hidden, demo file controls off.
    EXPECT_TRUE(shown(w.at(ControlId::AboutPage)));
    for (ControlId page : {ControlId::PathAndNotesPage, ControlId::ResolutionAndDemoPage, ControlId::HdrAndFiltersPage, ControlId::UpdatePage})
        EXPECT_FALSE(shown(w.at(page)));
    for (ControlId item : {ControlId::PathAndNotesItem, ControlId::HelpFileItem, ControlId::AboutItem})
        EXPECT_FALSE(shown(w.at(item)));
    EXPECT_FALSE(w.window.visible(ControlId::ProgressPanel));
    EXPECT_FALSE(IsWindowEnabled(w.at(ControlId::DemoEdit)));
    EXPECT_FALSE(IsWindowEnabled(w.at(ControlId::DemoEditButton)));
    for (ControlId field : {ControlId::SS2PathEdit, ControlId::ResEdit, ControlId::CusWidth, ControlId::CusHeight,
                            ControlId::DemoEdit})
        EXPECT_TRUE(GetWindowLongPtrA(w.at(field), GWL_STYLE) & ES_READONLY) << static_cast<int>(field);
    EXPECT_FALSE(GetWindowLongPtrA(w.at(ControlId::NoteEdit), GWL_STYLE) & ES_READONLY);
    EXPECT_EQ(SendMessageA(w.at(ControlId::ProxyPassEdit), EM_GETPASSWORDCHAR, 0, 0), '*');
}

TEST(Win32MainWindowTest, NavigationBarOpensOneGroupAtATimeAndSelectsOneItem) {
    Window w;
    w.press(ControlId::BenchmarkGroup);
    EXPECT_EQ(w.window.openGroup(), 1);
    EXPECT_TRUE(shown(w.at(ControlId::HdrAndFiltersItem)));
    w.press(ControlId::ResolutionAndDemoItem);
    EXPECT_EQ(w.window.page(), 1);
    EXPECT_TRUE(shown(w.at(ControlId::ResolutionAndDemoPage)));
    EXPECT_FALSE(shown(w.at(ControlId::AboutPage)));

    w.press(ControlId::HelpGroup);
    EXPECT_EQ(w.window.openGroup(), 2);
    EXPECT_FALSE(shown(w.at(ControlId::ResolutionAndDemoItem)));
    EXPECT_TRUE(shown(w.at(ControlId::AboutItem)));
    w.press(ControlId::UpdateItem);
    EXPECT_EQ(w.window.page(), 3);
    EXPECT_EQ(w.window.selectedItem(), ControlId::UpdateItem);
    w.press(ControlId::HomepageItem);
    EXPECT_THAT(w.log, ElementsAre("open-normal www.velkora.com"));
    EXPECT_EQ(w.window.page(), 3);
    EXPECT_EQ(w.window.selectedItem(), ControlId::HomepageItem);
    w.press(ControlId::HelpGroup);
    EXPECT_EQ(w.window.openGroup(), 0);
}

// Keyboard and focus follow the active window: these run alone, so no other
// test's window takes the activation away.
TEST(SerialKeyboardTest, ButtonsReachTheirHandlersByClickEnterAndSpace) {
    Window w;
    w.press(ControlId::MinimiseButton);
    w.press(ControlId::CloseButton);
    w.window.showPage(1);
    w.press(ControlId::CusPossibilities);
    EXPECT_THAT(w.log, ElementsAre("minimise", "terminate", "possibilities"));

    w.window.showPage(0);
    SetFocus(w.at(ControlId::ChooseResultsFolder));
    w.pump(20);
    PostMessageA(w.at(ControlId::ChooseResultsFolder), WM_KEYDOWN, VK_RETURN, 1);
    w.pump(100);
    EXPECT_EQ(w.fileDialogs.folderDialogs, 1);
    w.key(w.at(ControlId::ChooseResultsFolder), VK_SPACE);
    EXPECT_EQ(w.fileDialogs.folderDialogs, 2);
}

TEST(SerialKeyboardTest, TabWalksThePageInOrder) {
    Window w;
    w.window.showPage(0);
    SetFocus(w.at(ControlId::SS2PathEdit));
    const ControlId order[] = {ControlId::ResEdit, ControlId::ChooseResultsFolder, ControlId::OpenResFolder,
                               ControlId::NoteEdit};
    for (ControlId next : order) {
        PostMessageA(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        w.pump(50);
        EXPECT_EQ(GetFocus(), w.at(next)) << static_cast<int>(next);
    }
}

TEST(SerialKeyboardTest, NoteRefusesThe51stCharacterAndIsStoredWhenTheFocusLeaves) {
    Window w;
    w.window.showPage(0);
    SetFocus(w.at(ControlId::NoteEdit));
    for (int i = 0; i < 51; ++i) SendMessageA(w.at(ControlId::NoteEdit), WM_CHAR, 'a' + i % 26, 1);
    w.pump(20);
    EXPECT_EQ(w.window.text(ControlId::NoteEdit).size(), 50u);
    EXPECT_THAT(w.keys.writes, IsEmpty());
    SetFocus(w.at(ControlId::ResEdit));
    w.pump(20);
    ASSERT_EQ(w.keys.writes.size(), 1u);
    EXPECT_EQ(w.keys.writes[0], "Note=" + w.window.text(ControlId::NoteEdit));
}

TEST(SerialKeyboardTest, ThePassesPageStoresEachChangeAndOpensTheHistory) {
    Window w;
    w.press(ControlId::BenchmarkGroup);
    w.press(ControlId::PassesAndHistoryItem);
    EXPECT_EQ(w.window.page(), kPassesPage);
    EXPECT_TRUE(shown(w.at(ControlId::PassesAndHistoryPage)));
    EXPECT_THAT(w.keys.writes, IsEmpty());

    SetFocus(w.at(ControlId::PassesBox));
    w.key(w.at(ControlId::PassesBox), VK_DOWN);
    w.key(w.at(ControlId::PassesBox), VK_END);
    // Tab moves on to the warm-up box, as the loop's dialog keys do.
    PostMessageA(w.at(ControlId::PassesBox), WM_KEYDOWN, VK_TAB, 1);
    w.pump(50);
    EXPECT_EQ(GetFocus(), w.at(ControlId::WarmUpBox));
    w.press(ControlId::WarmUpBox);
    w.press(ControlId::WarmUpBox);
    EXPECT_THAT(w.keys.writes, ElementsAre("Passes=1", "Passes=until stable", "WarmUp=1", "WarmUp=0"));

    w.files.addFolder("D:\\Results");
    w.window.setText(ControlId::ResEdit, "D:\\Results\\");
    w.press(ControlId::HistoryButton);
    EXPECT_EQ(w.dialogs.messages.size(), 1u);
    w.files.addFile("D:\\Results\\result_1.json", R"({"format":"melkrin-result","formatVersion":1,"startedAt":"x","resolutions":[]})");
    w.press(ControlId::HistoryButton);
    EXPECT_THAT(w.log, ElementsAre("open D:\\Results\\history.htm"));
}

TEST(SerialKeyboardTest, ListsAndTheDemoGroupStoreOnEachChange) {
    Window w;
    w.window.showPage(2);
    SetFocus(w.at(ControlId::AFBox));
    w.key(w.at(ControlId::AFBox), VK_DOWN);
    SetFocus(w.at(ControlId::RendererBox));
    w.key(w.at(ControlId::RendererBox), VK_DOWN);
    w.key(w.at(ControlId::RendererBox), VK_DOWN);
    w.window.showPage(1);
    w.press(ControlId::Demo3);
    EXPECT_THAT(w.keys.writes, ElementsAre("AFLevel=0", "Renderer=0", "Renderer=1", "Demo=4"));
    EXPECT_TRUE(IsWindowEnabled(w.at(ControlId::DemoEdit)));
    w.press(ControlId::Demo0);
    EXPECT_FALSE(IsWindowEnabled(w.at(ControlId::DemoEditButton)));
    EXPECT_EQ(w.window.selection(ControlId::Demo), 0);
    EXPECT_FALSE(w.window.checked(ControlId::Demo3));
}

// The tooltip control the main window owns.
HWND tooltipOf(HWND owner) {
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
        if (className(hwnd) == TOOLTIPS_CLASSA && GetWindow(hwnd, GW_OWNER) == owner) return hwnd;
    return nullptr;
}

TEST(SerialPointerTest, ADisabledRunButtonStillShowsWhyInItsHint) {
    // Moves the real pointer: runs alone.
    Window w;
    SetWindowPos(w.window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    const std::string why = "Please install the Serious Sam 2!";
    w.window.setEnabled(ControlId::BenchButton, false);
    w.window.setHint(ControlId::BenchButton, why);
    const HWND tips = tooltipOf(w.window.hwnd());
    ASSERT_NE(tips, nullptr);
    w.moveOnto(ControlId::BenchButton);
    // The tip comes after the pointer rested a moment.
    const bool shown = w.pump(4000, [&] { return IsWindowVisible(tips) != 0; });
    char text[128] = {};
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.lpszText = text;
    const bool current = SendMessageA(tips, TTM_GETCURRENTTOOLA, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
    w.moveAway();
    EXPECT_TRUE(shown);
    ASSERT_TRUE(current);
    EXPECT_EQ(tool.uId, static_cast<UINT_PTR>(ControlId::BenchButton));
    // The text comes through the window's own callback, which looks the hint up.
    NMTTDISPINFOA info{};
    info.hdr.hwndFrom = tips;
    info.hdr.idFrom = tool.uId;
    info.hdr.code = TTN_GETDISPINFOA;
    info.uFlags = tool.uFlags;
    SendMessageA(tool.hwnd, WM_NOTIFY, tool.uId, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_EQ(std::string(info.lpszText), why);
}

TEST(SerialPointerTest, PointerLeavingAControlStoresItsOption) {
    // Moves the real pointer: runs alone, so no other test's window comes and goes under it.
    Window w;
    SetWindowPos(w.window.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    w.window.showPage(1);
    w.window.setEnabled(ControlId::Res800, false);
    w.keys.set(names::kSettingsKey, "800", "1");

    // A disabled item cannot be checked.
    w.press(ControlId::Res800);
    EXPECT_FALSE(w.window.checked(ControlId::Res800));

    // Checked with the keyboard only: nothing is stored.
    SetFocus(w.at(ControlId::Res640));
    w.key(w.at(ControlId::Res640), VK_SPACE);
    EXPECT_TRUE(w.window.checked(ControlId::Res640));
    EXPECT_THAT(w.keys.writes, IsEmpty());

    // Moving between items stays inside the group; leaving it stores all nine.
    w.moveOnto(ControlId::Res1024);
    w.moveOnto(ControlId::ResHdw3);
    EXPECT_THAT(w.keys.writes, IsEmpty());
    w.moveAway();
    ASSERT_TRUE(w.pump(3000, [&] { return w.keys.writes.size() >= 9; }));
    // A warp Wine replays late can bring the pointer back into the group and
    // out again: a second visit, and a second leave that stores the same nine.
    const std::vector<std::string> nine = {"640=1",  "800=0",  "1024=0", "1280=0", "1600=0",
                                           "2048=0", "hdw1=0", "hdw2=0", "hdw3=0"};
    ASSERT_EQ(w.keys.writes.size() % nine.size(), 0u) << ::testing::PrintToString(w.keys.writes);
    for (std::size_t at = 0; at < w.keys.writes.size(); at += nine.size())
        EXPECT_EQ(std::vector<std::string>(w.keys.writes.begin() + at, w.keys.writes.begin() + at + nine.size()), nine);

    // Wine may replay a warp it had not yet taken from the X server, bringing
    // the pointer back over a control it already left, so an earlier control
    // can be stored once more: each case looks at its own value only.
    struct Case {
        int page;
        ControlId control;
        std::function<void()> arrange;
        const char* write;
    } cases[] = {
        // With a size in both fields a checked box stores "1", which only the box's own state gives.
        {1, ControlId::CusResBox,
         [&] {
             w.window.setText(ControlId::CusWidth, "1024");
             w.window.setText(ControlId::CusHeight, "768");
             w.press(ControlId::CusResBox);
         },
         "CusRes=1"},
        {2, ControlId::HDRBox, [&] { w.press(ControlId::HDRBox); }, "HDR=1"},
        {0, ControlId::NoteEdit, [&] { w.window.setText(ControlId::NoteEdit, "quiet fans"); }, "Note=quiet fans"},
    };
    auto stored = [&](const char* write) {
        return std::count(w.keys.writes.begin(), w.keys.writes.end(), std::string(write));
    };
    for (const auto& c : cases) {
        w.pump(300);
        w.keys.writes.clear();
        w.window.showPage(c.page);
        c.arrange();
        w.moveOnto(c.control);
        EXPECT_EQ(stored(c.write), 0) << c.write << " before the pointer left";
        w.moveAway();
        EXPECT_TRUE(w.pump(3000, [&] { return stored(c.write) > 0; })) << c.write;
    }
}

TEST(Win32MainWindowTest, EveryClickTogglesItemsAsNativeCheckBoxesDo) {
    Window w;
    // A click, then a quick pair: the second click of the pair arrives as a double click.
    auto click = [&](ControlId id, UINT down) {
        SendMessageA(w.at(id), down, MK_LBUTTON, MAKELPARAM(3, 3));
        SendMessageA(w.at(id), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
        w.pump(20);
    };
    auto doubleClick = [&](ControlId id) {
        click(id, WM_LBUTTONDOWN);
        click(id, WM_LBUTTONDBLCLK);
    };
    w.window.showPage(2);
    click(ControlId::HDRBox, WM_LBUTTONDOWN);
    EXPECT_TRUE(w.window.checked(ControlId::HDRBox));
    doubleClick(ControlId::HDRBox);
    EXPECT_TRUE(w.window.checked(ControlId::HDRBox)) << "two more toggles";

    doubleClick(ControlId::BenchmarkGroup);
    EXPECT_EQ(w.window.openGroup(), 0) << "opened and closed again";

    w.window.showPage(1);
    w.log.clear();
    doubleClick(ControlId::Demo2);
    EXPECT_EQ(w.window.selection(ControlId::Demo), 2);
    EXPECT_EQ(std::count(w.keys.writes.begin(), w.keys.writes.end(), "Demo=3"), 2);
}

TEST(Win32MainWindowTest, TheChromePicturesAndTheRunButtonPointLikeLinks) {
    Window w;
    const HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
    const struct {
        ControlId id;
        bool hand;
    } cases[] = {{ControlId::MinimiseButton, true}, {ControlId::CloseButton, true}, {ControlId::BenchButton, true},
                 {ControlId::ChooseResultsFolder, false}, {ControlId::BenchmarkGroup, false}};
    for (const auto& c : cases) {
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        SendMessageA(w.at(c.id), WM_SETCURSOR, reinterpret_cast<WPARAM>(w.at(c.id)), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(GetCursor() == hand, c.hand) << static_cast<int>(c.id);
    }
}

TEST(SerialFocusTest, WindowsOutliveTheirPresenterOnlyDetached) {
    // The window is destroyed after its presenter: with the focus in the note,
    // its focus loss would reach a presenter that is gone unless detached.
    // Runs alone: another test's window taking the activation would move the
    // focus out of the note before the window is destroyed.
    for (const bool detach : {false, true}) {
        Window w;
        w.window.showPage(0);
        SetFocus(w.at(ControlId::NoteEdit));
        w.window.setText(ControlId::NoteEdit, "late");
        w.pump(20);
        w.keys.writes.clear();
        if (detach) w.window.detach();
        DestroyWindow(w.window.hwnd());
        EXPECT_EQ(w.keys.writes.empty(), detach) << (detach ? "detached" : "attached");
    }
}

TEST(Win32MainWindowTest, MovingToAMonitorWithAnotherDpiScalesTheWholeWindow) {
    Window w;
    const auto sizeOf = [](HWND hwnd) {
        RECT box;
        GetWindowRect(hwnd, &box);
        return std::make_pair(box.right - box.left, box.bottom - box.top);
    };
    const auto fontHeight = [](HWND hwnd) {
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof(font), &font);
        return std::abs(font.lfHeight);
    };
    const HWND note = w.at(ControlId::NoteEdit);
    const auto window96 = sizeOf(w.window.hwnd());
    const auto note96 = sizeOf(note);
    const int font96 = fontHeight(note);
    ASSERT_EQ(w.window.dpi(), 96);

    RECT suggested{100, 100, 100 + window96.first * 2, 100 + window96.second * 2};
    SendMessageA(w.window.hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    w.pump(50);
    EXPECT_EQ(w.window.dpi(), 192);
    EXPECT_EQ(sizeOf(w.window.hwnd()), std::make_pair(window96.first * 2, window96.second * 2));
    const auto note192 = sizeOf(note);
    EXPECT_NEAR(note192.first, note96.first * 2, 2);
    EXPECT_NEAR(note192.second, note96.second * 2, 2);
    EXPECT_NEAR(fontHeight(note), font96 * 2, 1);

    // And back again: the same layout as before.
    RECT back{100, 100, 100 + window96.first, 100 + window96.second};
    SendMessageA(w.window.hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&back));
    w.pump(50);
    EXPECT_EQ(sizeOf(w.window.hwnd()), window96);
    EXPECT_NEAR(sizeOf(note).first, note96.first, 2);
    EXPECT_EQ(fontHeight(note), font96);
}

}  // namespace
}  // namespace melkrin
