// The main window's controls: where each sits (in pixels at 96 DPI) and what
// it shows when the window is designed, before start-up loads the options.
#include "app/win32/main_window_win32.h"

#include <commctrl.h>

#include <vector>

#include "app/about_text.h"
#include "settings/resolutions.h"
#include "update/update_key.h"

namespace melkrin {
namespace {

constexpr const char* kContainerClass = "TMelkrinPanel";

struct Item {
    ControlId id;
    const char* caption;
};

}  // namespace

HWND Win32MainWindow::add(ControlId id, Kind kind, HWND parent, const std::string& caption, int x, int y, int w, int h,
                      DWORD extraStyle) {
    const char* windowClass = "STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | extraStyle;
    DWORD exStyle = 0;
    switch (kind) {
        case Kind::Image:
        case Kind::Separator:
        case Kind::StatusBar: style |= SS_OWNERDRAW; break;
        case Kind::Label: style |= SS_NOPREFIX; break;
        case Kind::Field: windowClass = "EDIT"; style |= ES_AUTOHSCROLL | WS_TABSTOP; break;
        case Kind::Memo: windowClass = "EDIT"; style |= ES_MULTILINE | ES_READONLY | ES_CENTER; break;
        case Kind::List:
            windowClass = "COMBOBOX";
            style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_TABSTOP | WS_VSCROLL;
            break;
        case Kind::Container:
        case Kind::Frame:
            windowClass = kContainerClass;
            style |= WS_CLIPCHILDREN;
            exStyle |= WS_EX_CONTROLPARENT;
            break;
        default:  // every kind of button is drawn by the window itself
            windowClass = "BUTTON";
            style |= BS_OWNERDRAW | WS_TABSTOP;
            break;
    }
    Control c;
    c.id = id;
    c.kind = kind;
    c.caption = caption;
    const std::string windowText = kind == Kind::PictureButton || kind == Kind::RunButton ? std::string() : caption;
    // Lists grow downwards when they open.
    const int height = kind == Kind::List ? h + 120 : h;
    c.hwnd = CreateWindowExA(exStyle, windowClass, windowText.c_str(), style, px(x), px(y), px(w), px(height), parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
    SendMessageA(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal), FALSE);
    if (kind != Kind::Container && kind != Kind::Frame)
        SetWindowSubclass(c.hwnd, &Win32MainWindow::controlSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    byHandle_[c.hwnd] = id;
    controls_[id] = c;
    return c.hwnd;
}

void Win32MainWindow::addTooltip(Control& control) {
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(control.hwnd);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    if (!control.hint.empty()) SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));

    // The same hint over the control's rectangle on the window, for the
    // moves a disabled control does not get (see relayHintMove).
    TOOLINFOA area{};
    area.cbSize = sizeof(area);
    area.uFlags = TTF_SUBCLASS;
    area.hwnd = hwnd_;
    area.uId = static_cast<UINT_PTR>(control.id);
    area.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltip_, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&area));
    if (control.hint.empty()) return;
    GetWindowRect(control.hwnd, &area.rect);
    MapWindowPoints(HWND_DESKTOP, area.hwnd, reinterpret_cast<POINT*>(&area.rect), 2);
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&area));
}

void Win32MainWindow::refreshTooltips() {
    if (!tooltip_) return;
    for (auto& [id, control] : controls_)
        if (!control.hint.empty()) addTooltip(control);
}

void Win32MainWindow::createControls() {
    const HWND w = hwnd_;
    add(ControlId::Background, Kind::Image, w, "", 0, 0, 490, 340);
    add(ControlId::MinimiseButton, Kind::PictureButton, w, "", 438, 8, 22, 22);
    at(ControlId::MinimiseButton).glyph = skin::Glyph::Minimise;
    add(ControlId::CloseButton, Kind::PictureButton, w, "", 462, 8, 22, 22);
    at(ControlId::CloseButton).glyph = skin::Glyph::Close;

    // Navigation bar.
    const HWND bar = add(ControlId::NavigationBar, Kind::Container, w, "", 6, 80, 118, 230);
    add(ControlId::BenchmarkGroup, Kind::NavHeader, bar, "Benchmark", 0, 0, 118, 24);
    const Item items[] = {{ControlId::PathAndNotesItem, "Path && notes"},      {ControlId::ResolutionAndDemoItem, "Resolution && demo"},
                          {ControlId::HdrAndFiltersItem, "HDR && filters"},     {ControlId::PassesAndHistoryItem, "Passes && history"},
                          {ControlId::HelpFileItem, "Benchmark help"},
                          {ControlId::UpdateItem, "Update bench"},       {ControlId::HomepageItem, "Homepage"},
                          {ControlId::AboutItem, "About..."}};
    for (const Item& item : items) add(item.id, Kind::NavItem, bar, item.caption, 0, 0, 118, 20);
    add(ControlId::HelpGroup, Kind::NavHeader, bar, "Help", 0, 26, 118, 24);
    add(ControlId::TitleSeparator, Kind::Separator, w, "", 129, 84, 2, 222);

    // The run button on its black panel, at the foot of the bar.
    add(ControlId::BenchButton, Kind::RunButton, w, "", 6, 262, 118, 50);
    add(ControlId::StatusBar, Kind::StatusBar, w, "", 0, 322, 490, 18);

    // Pages: tabs are hidden; only the navigation bar switches them.
    const HWND pages = add(ControlId::PageControl, Kind::Container, w, "", 140, 82, 340, 225);
    const ControlId pageIds[kPageCount] = {ControlId::PathAndNotesPage, ControlId::ResolutionAndDemoPage, ControlId::HdrAndFiltersPage,
                                           ControlId::UpdatePage, ControlId::AboutPage, ControlId::PassesAndHistoryPage};
    HWND page[kPageCount];
    for (int i = 0; i < kPageCount; ++i) page[i] = add(pageIds[i], Kind::Container, pages, "", 0, 0, 340, 225);

    // Page 0: path and notes.
    CreateWindowExA(0, "STATIC", "Serious Sam 2 path", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(14), px(12), px(310),
                    px(16), page[0], nullptr, instance_, nullptr);
    add(ControlId::SS2PathEdit, Kind::Field, page[0], "", 14, 30, 312, 18, ES_READONLY);
    CreateWindowExA(0, "STATIC", "Results folder", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(14), px(62), px(200),
                    px(16), page[0], nullptr, instance_, nullptr);
    add(ControlId::ResEdit, Kind::Field, page[0], "", 14, 80, 220, 18, ES_READONLY);
    add(ControlId::ChooseResultsFolder, Kind::PictureButton, page[0], "", 240, 76, 26, 26);
    at(ControlId::ChooseResultsFolder).glyph = skin::Glyph::Folder;
    add(ControlId::OpenResFolder, Kind::PictureButton, page[0], "Open", 270, 76, 60, 26);
    at(ControlId::OpenResFolder).glyph = skin::Glyph::OpenFolder;
    CreateWindowExA(0, "STATIC", "Benchmark notes (50 chars at most!)", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(14),
                    px(116), px(310), px(16), page[0], nullptr, instance_, nullptr);
    add(ControlId::NoteEdit, Kind::Field, page[0], "", 14, 134, 312, 18);
    SendMessageA(at(ControlId::NoteEdit).hwnd, EM_LIMITTEXT, 50, 0);

    // Page 1: resolution and demo.
    const HWND res = add(ControlId::Res, Kind::Frame, page[1], " Resolution ", 6, 2, 328, 84);
    for (std::size_t i = 0; i < kFixedResolutions.size(); ++i) {
        const int column = static_cast<int>(i % 4);
        const int row = static_cast<int>(i / 4);
        add(kResolutionItems[i], Kind::Check, res, resolutionCaption(kFixedResolutions[i]), 8 + column * 78,
            18 + row * 20, 80, 18);
        at(kResolutionItems[i]).group = ControlId::Res;
    }
    add(ControlId::CusResBox, Kind::Check, page[1], "Custom resolution:", 12, 92, 120, 20);
    add(ControlId::CusWidth, Kind::Field, page[1], "", 136, 93, 42, 18, ES_READONLY | ES_CENTER);
    add(ControlId::CusTimes, Kind::Label, page[1], "\xD7", 181, 93, 10, 18, SS_CENTER);
    add(ControlId::CusHeight, Kind::Field, page[1], "", 194, 93, 42, 18, ES_READONLY | ES_CENTER);
    add(ControlId::CusPossibilities, Kind::PushButton, page[1], "Possibilities", 246, 90, 84, 24);
    const HWND demo = add(ControlId::Demo, Kind::Frame, page[1], " Choose a demo ", 6, 120, 328, 100);
    const Item demos[4] = {{ControlId::Demo0, "Branchester"}, {ControlId::Demo1, "Greendale"},
                           {ControlId::Demo2, "Shield Generator28"}, {ControlId::Demo3, "User defined demo"}};
    for (int i = 0; i < 4; ++i) add(demos[i].id, Kind::Radio, demo, demos[i].caption, 10 + (i % 2) * 160, 18 + (i / 2) * 20, 150, 18);
    add(ControlId::DemoEdit, Kind::Field, demo, "", 12, 68, 270, 18, ES_READONLY);
    add(ControlId::DemoEditButton, Kind::PictureButton, demo, "", 292, 64, 26, 26);
    at(ControlId::DemoEditButton).glyph = skin::Glyph::Folder;
    EnableWindow(at(ControlId::DemoEdit).hwnd, FALSE);
    EnableWindow(at(ControlId::DemoEditButton).hwnd, FALSE);

    // Page 2: HDR and filters.
    const HWND hdr = add(ControlId::HDRFrame, Kind::Frame, page[2], " HDR Rendering ", 6, 2, 160, 52);
    add(ControlId::HDRBox, Kind::Check, hdr, "Enable HDR", 12, 22, 140, 20);
    const HWND renderer = add(ControlId::RendererFrame, Kind::Frame, page[2], " Renderer ", 174, 2, 160, 52);
    add(ControlId::RendererBox, Kind::List, renderer, "", 12, 20, 136, 20);
    const HWND filters = add(ControlId::FiltersFrame, Kind::Frame, page[2], " Filters ", 6, 62, 328, 88);
    CreateWindowExA(0, "STATIC", "Filtering mode", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(12), px(24), px(110),
                    px(16), filters, nullptr, instance_, nullptr);
    add(ControlId::AFBox, Kind::List, filters, "", 130, 20, 186, 20);
    CreateWindowExA(0, "STATIC", "Antialiasing mode", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(12), px(56), px(110),
                    px(16), filters, nullptr, instance_, nullptr);
    add(ControlId::AABox, Kind::List, filters, "", 130, 52, 186, 20);
    const std::pair<ControlId, std::vector<const char*>> lists[] = {
        {ControlId::RendererBox, {"OpenGL", "Direct3D"}},
        {ControlId::AFBox,
         {"None", "Anisotrophic 2\xD7", "Anisotrophic 4\xD7", "Anisotrophic 8\xD7", "Anisotrophic 16\xD7"}},
        {ControlId::AABox, {"None", "Low", "Medium", "High"}}};
    for (const auto& [id, entries] : lists)
        for (const char* entry : entries) SendMessageA(at(id).hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));

    // Page 3: update.
    const HWND proxy = add(ControlId::ProxyFrame, Kind::Frame, page[3], " Proxy Settings ", 6, 2, 328, 150);
    const std::pair<ControlId, const char*> fields[] = {{ControlId::ProxyServerEdit, "Proxy Server"},
                                                        {ControlId::ProxyPortEdit, "Proxy Port"},
                                                        {ControlId::ProxyUsernameEdit, "Username"},
                                                        {ControlId::ProxyPassEdit, "Password"}};
    for (int i = 0; i < 4; ++i) {
        CreateWindowExA(0, "STATIC", fields[i].second, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, px(12), px(22 + i * 26),
                        px(92), px(16), proxy, nullptr, instance_, nullptr);
        add(fields[i].first, Kind::Field, proxy, "", 110, 20 + i * 26, i == 1 ? 70 : 206, 18,
            i == 3 ? ES_PASSWORD : 0);
    }
    SendMessageA(at(ControlId::ProxyPassEdit).hwnd, EM_SETPASSWORDCHAR, '*', 0);
    add(ControlId::UseProxyBox, Kind::Check, proxy, "Use Proxy  Server", 12, 124, 200, 20);
    add(ControlId::UpdateButton, Kind::CaptionButton, page[3], "Update benchmark", 6, 162, 160, 30);
    at(ControlId::UpdateButton).glyph = skin::Glyph::Update;

    // Page 4: about.
    add(ControlId::AboutPicture, Kind::Image, page[4], "", 10, 6, 320, 84);
    add(ControlId::VersionText, Kind::Label, page[4], "v1.2", 10, 92, 320, 18, SS_CENTER);
    add(ControlId::AboutMemo, Kind::Memo, page[4], aboutText(update::usesDevelopmentKey()), 14, 114, 312, 104);

    // Page 5: passes and history. The labels carry the access keys of the
    // controls after them (Alt+P, Alt+W); the history button takes Alt+H.
    const HWND passes = add(ControlId::PassesFrame, Kind::Frame, page[5], " Passes per resolution ", 6, 2, 328, 126);
    CreateWindowExA(0, "STATIC", "&Passes:", WS_CHILD | WS_VISIBLE, px(12), px(24), px(110), px(16), passes, nullptr,
                    instance_, nullptr);
    add(ControlId::PassesBox, Kind::List, passes, "", 130, 20, 186, 20);
    for (const char* entry : {"1 (a single pass)", "2", "3", "4", "5", "6", "7", "8", "9", "10",
                              "Until stable (3 to 10)"})
        SendMessageA(at(ControlId::PassesBox).hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    add(ControlId::WarmUpBox, Kind::Check, passes, "&Warm-up pass first (not counted)", 12, 50, 300, 20);
    add(ControlId::PassesNote, Kind::Label, passes,
        "With more passes the report gives the mean, its spread and its 95 % interval. Until stable stops as soon "
        "as the mean is known to within \xB1" "1 %.",
        12, 76, 308, 44);
    add(ControlId::HistoryButton, Kind::CaptionButton, page[5], "&History of the results", 6, 140, 200, 30);
    at(ControlId::HistoryButton).glyph = skin::Glyph::Chart;

    // The progress panel covers the pages during a run.
    const HWND progress = add(ControlId::ProgressPanel, Kind::Container, w, "", 140, 82, 340, 225);
    add(ControlId::ProgressTitle, Kind::Label, progress, "Benchmarking in progress", 10, 84, 320, 24, SS_CENTER);
    SendMessageA(at(ControlId::ProgressTitle).hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.big), FALSE);
    add(ControlId::StatusText, Kind::Label, progress, "", 10, 114, 320, 18, SS_CENTER);
    // Ends the run in progress; Escape does the same.
    add(ControlId::CancelButton, Kind::PushButton, progress, "Cancel", 130, 150, 80, 24);
    ShowWindow(progress, SW_HIDE);

    // Plain labels were made without an entry; give them the window's font.
    for (HWND parent : {page[0], page[2], page[3], filters, proxy, passes}) {
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (!byHandle_.count(child)) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal), FALSE);
    }

    // Hints: picture buttons carry them as window text.
    const std::pair<ControlId, const char*> hints[] = {
        {ControlId::BenchButton, "Run benchmark"},      {ControlId::MinimiseButton, "Minimize"},
        {ControlId::CloseButton, "Close"},                   {ControlId::ChooseResultsFolder, "Browse..."},
        {ControlId::OpenResFolder, "Open results folder"}, {ControlId::DemoEditButton, "Browse for demo file..."},
        {ControlId::HistoryButton, "Open the history page of the results folder"}};
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_,
                               nullptr);
    SetWindowSubclass(tooltip_, &Win32MainWindow::tooltipSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    for (const auto& [id, hint] : hints) setHint(id, hint);

    // The background lies under everything else; the progress panel over the pages.
    SetWindowPos(at(ControlId::Background).hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(at(ControlId::BenchButton).hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(progress, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    layoutNavBar();
    showPage(kAboutPage);
}

void Win32MainWindow::layoutNavBar() {
    const ControlId group1[] = {ControlId::PathAndNotesItem, ControlId::ResolutionAndDemoItem, ControlId::HdrAndFiltersItem,
                                ControlId::PassesAndHistoryItem};
    const ControlId group2[] = {ControlId::HelpFileItem, ControlId::UpdateItem, ControlId::HomepageItem,
                                ControlId::AboutItem};
    int y = 0;
    auto place = [&](ControlId id, int height, bool shown) {
        HWND hwnd = at(id).hwnd;
        if (shown) {
            SetWindowPos(hwnd, nullptr, 0, px(y), px(118), px(height), SWP_NOZORDER | SWP_NOACTIVATE);
            y += height;
        }
        ShowWindow(hwnd, shown ? SW_SHOW : SW_HIDE);
    };
    place(ControlId::BenchmarkGroup, 24, true);
    for (ControlId id : group1) place(id, 21, openGroup_ == 1);
    y += 3;
    place(ControlId::HelpGroup, 24, true);
    for (ControlId id : group2) place(id, 21, openGroup_ == 2);
    InvalidateRect(at(ControlId::NavigationBar).hwnd, nullptr, TRUE);
    InvalidateRect(at(ControlId::BenchmarkGroup).hwnd, nullptr, FALSE);
    InvalidateRect(at(ControlId::HelpGroup).hwnd, nullptr, FALSE);
}

}  // namespace melkrin
