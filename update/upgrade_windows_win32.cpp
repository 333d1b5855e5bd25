#include "update/upgrade_windows_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <vector>

#include "common/errors.h"
#include "common/win32/message_box_win32.h"
#include "common/win32/ui_dpi_win32.h"
#include "common/win32/ui_fonts_win32.h"
#include "common/win32/ui_modal_win32.h"
#include "common/win32/ui_skin_win32.h"
#include "update/update_texts.h"

namespace melkrin::update {
namespace {

constexpr const char* kWizardClass = "TUpdateWizardForm";
constexpr const char* kQuestionClass = "TUpgradeQuestionForm";
constexpr const char* kPasswordClass = "TUpdatePasswordForm";

using namespace wizard_ids;
constexpr int kUserName = 200, kPassword = 201;

void registerClass(HINSTANCE instance, const char* name, WNDPROC proc) {
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance, name, &wc)) return;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    if (!RegisterClassExA(&wc)) throw MelkrinError(std::string("The window class ") + name + " cannot be registered");
}

// The outer size of a window with this client size, centred on the screen.
RECT centredWindow(int clientWidth, int clientHeight, DWORD style, DWORD exStyle) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    return RECT{x, y, x + w, y + h};
}

HWND child(HWND parent, const char* cls, const char* text, DWORD style, int id, int x, int y, int w, int h,
           HFONT font) {
    HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, x, y, w, h, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
}

// Height of word-wrapped text in the given width.
int textHeight(HFONT font, const std::string& text, int width) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT r{0, 0, width, 0};
    DrawTextA(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return r.bottom;
}

// ------------------------------------------------------------- modal windows

struct ModalState {
    bool done = false;
    int result = IDCANCEL;
};

LRESULT CALLBACK modalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* state = reinterpret_cast<ModalState*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_COMMAND:
            if (state && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
                state->result = LOWORD(wParam);
                state->done = true;
                return 0;
            }
            break;
        case WM_CLOSE:
            if (state) {
                state->result = IDCANCEL;
                state->done = true;
            }
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Shows the window modal over its owner until it answers; the window is
// destroyed at the end.
int runModal(HWND dialog, HWND owner, HWND focus) {
    ModalState state;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&state));
    ui::runModal({.window = dialog,
                  .owner = owner,
                  .show =
                      [&] {
                          ShowWindow(dialog, SW_SHOW);
                          SetForegroundWindow(dialog);
                          if (focus) SetFocus(focus);
                      },
                  .isOpen = [&] { return !state.done; },
                  .intercept = {}});
    SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
    DestroyWindow(dialog);
    if (owner) SetForegroundWindow(owner);
    return state.result;
}

HWND modalOwner(HWND wizard) {
    if (wizard) return wizard;
    HWND active = GetActiveWindow();
    return active ? active : nullptr;
}

std::string fill(const char* pattern, const std::string& a, const std::string& b) {
    std::string text = pattern;
    auto at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, a);
        at = text.find("%s", at + a.size());
        if (at != std::string::npos) text.replace(at, 2, b);
    }
    return text;
}

}  // namespace

// ---------------------------------------------------------------- picture

HBITMAP makeWizardPicture(HDC reference) {
    constexpr int w = 118, h = 218;
    HDC dc = CreateCompatibleDC(reference);
    HBITMAP bitmap = CreateCompatibleBitmap(reference, w, h);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // The program's own colours: the panel brown fading to black, an amber
    // disc with a downward arrow (a download into the program).
    for (int y = 0; y < h; ++y) {
        const int r = 124 - 124 * y / h, g = 88 - 88 * y / h, b = 10 - 10 * y / h;
        skin::fill(dc, RECT{0, y, w, y + 1}, RGB(r, g, b));
    }
    skin::ellipse(dc, RECT{19, 40, 99, 120}, skin::kAccent, skin::kItemHot, 2);
    constexpr COLORREF dark = RGB(28, 28, 28);
    // A rectangle drawn without an outline covers one pixel less each way.
    skin::fill(dc, RECT{51, 56, 67, 85}, dark);
    const POINT arrow[] = {{38, 84}, {81, 84}, {59, 106}};
    skin::solidPolygon(dc, arrow, 3, dark);
    skin::line(dc, 20, 160, 98, 160, skin::kItemHighlight, 3);
    // A picture of fixed pixels, stretched to the DPI where it is shown.
    HFONT font = skin::makeFont("Arial", 14, FW_BOLD, false, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE);
    skin::text(dc, "Melkrin", RECT{0, 170, w, 190}, skin::kSilver, font, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
    DeleteObject(font);
    SelectObject(dc, old);
    DeleteDC(dc);
    return bitmap;
}

// ---------------------------------------------------------------- windows

Win32UpgradeWindows::Win32UpgradeWindows(HINSTANCE instance, std::string applicationTitle, WizardLook look)
    : instance_(instance), title_(std::move(applicationTitle)), look_(look) {
    registerClass(instance_, kWizardClass, &Win32UpgradeWindows::wizardProc);
    registerClass(instance_, kQuestionClass, &modalProc);
    registerClass(instance_, kPasswordClass, &modalProc);
    // Before the wizard exists: the screen's DPI.
    dpi_ = dpi::windowDpi(nullptr);
    const skin::Fonts& fonts = skin::fontsFor(dpi_);
    font_ = fonts.dialog;
    titleFont_ = fonts.wizardTitle;
}

Win32UpgradeWindows::~Win32UpgradeWindows() {
    closeWizard();
    if (picture_) DeleteObject(picture_);
}

int Win32UpgradeWindows::px(int value) const { return dpi::scale(value, dpi_); }

bool Win32UpgradeWindows::askUpgrade(const std::string& message) {
    std::string shown;
    if (!message.empty()) {
        shown.append(1, '\n').append(message).append(1, '\n');
    }
    const std::string text = fill(kAskUpgradeText, title_, shown);
    constexpr int width = 318;
    const int labelWidth = width - 56;
    const int labelHeight = textHeight(font_, text, px(labelWidth));
    const int clientHeight = px(5) + labelHeight + px(45);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME | WS_EX_TOPMOST;
    const RECT r = centredWindow(px(width), clientHeight, style, exStyle);
    HWND owner = modalOwner(wizard_);
    HWND dialog = CreateWindowExA(exStyle, kQuestionClass, kUpdateCaption, style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, owner, nullptr, instance_, nullptr);
    if (!dialog) throw MelkrinError("The update question cannot be shown");
    HWND icon = child(dialog, "STATIC", "", SS_ICON, 0, px(7), px(5), px(32), px(32), font_);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_QUESTION)), 0);
    child(dialog, "STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, 0, px(45), px(5), px(labelWidth), labelHeight, font_);
    const int panel = px(5) + labelHeight;
    HWND yes = child(dialog, "BUTTON", kYesButton, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, px(78), panel + px(13), px(75),
                     px(23), font_);
    child(dialog, "BUTTON", kLaterButton, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, px(167), panel + px(13), px(75), px(23),
          font_);
    return runModal(dialog, owner, yes) == IDOK;
}

std::optional<Credentials> Win32UpgradeWindows::askPassword(const std::string& fileName, const Credentials& given) {
    const std::string text = fill(kPasswordRequestText, fileName, "");
    constexpr int width = 297;
    const int labelHeight = textHeight(font_, text, px(246));
    const int clientHeight = px(5) + labelHeight + px(98);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU, exStyle = WS_EX_DLGMODALFRAME;
    const RECT r = centredWindow(px(width), clientHeight, style, exStyle);
    HWND owner = modalOwner(wizard_);
    HWND dialog = CreateWindowExA(exStyle, kPasswordClass, kPasswordCaption, style, r.left, r.top, r.right - r.left,
                                  r.bottom - r.top, owner, nullptr, instance_, nullptr);
    if (!dialog) throw MelkrinError("The password window cannot be shown");
    HWND icon = child(dialog, "STATIC", "", SS_ICON, 0, px(7), px(5), px(32), px(32), font_);
    SendMessageA(icon, STM_SETICON, reinterpret_cast<WPARAM>(LoadIcon(nullptr, IDI_WARNING)), 0);
    child(dialog, "STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, 0, px(45), px(5), px(246), labelHeight, font_);
    const int panel = px(5) + labelHeight;
    child(dialog, "STATIC", kUserNameLabel, SS_LEFT, 0, px(45), panel + px(14), px(75), px(13), font_);
    HWND user = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", given.username.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, px(122), panel + px(10), px(157),
                                px(21), dialog, reinterpret_cast<HMENU>(kUserName), instance_, nullptr);
    SendMessageA(user, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    child(dialog, "STATIC", kPasswordLabel, SS_LEFT, 0, px(45), panel + px(38), px(75), px(13), font_);
    HWND pass = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", given.password.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_PASSWORD, px(122),
                                panel + px(34), px(157), px(21), dialog, reinterpret_cast<HMENU>(kPassword), instance_,
                                nullptr);
    SendMessageA(pass, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(pass, EM_SETPASSWORDCHAR, '*', 0);
    child(dialog, "BUTTON", kOkButton, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, px(114), panel + px(68), px(75), px(23),
          font_);
    child(dialog, "BUTTON", kCancelButton, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, px(204), panel + px(68), px(75), px(23),
          font_);
    // The fields are read before runModal destroys the window.
    using Fields = std::pair<std::string, std::string>;
    Fields fields{given.username, given.password};
    SetWindowSubclass(
        dialog,
        [](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) -> LRESULT {
            if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
                auto* out = reinterpret_cast<Fields*>(data);
                char buffer[512];
                GetDlgItemTextA(hwnd, kUserName, buffer, sizeof(buffer));
                out->first = buffer;
                GetDlgItemTextA(hwnd, kPassword, buffer, sizeof(buffer));
                out->second = buffer;
            }
            return DefSubclassProc(hwnd, message, wParam, lParam);
        },
        1, reinterpret_cast<DWORD_PTR>(&fields));
    if (runModal(dialog, owner, user) != IDOK) return std::nullopt;
    return Credentials{fields.first, fields.second};
}

bool Win32UpgradeWindows::askYesNo(const std::string& text, const std::string& caption) {
    // Owned by the wizard, so the topmost wizard never covers it.
    return showMessageBox(modalOwner(wizard_), text, caption, MB_YESNO | MB_ICONWARNING, IDNO) == IDYES;
}

void Win32UpgradeWindows::openInBrowser(const std::string& url) {
    // The program registered for ".html" documents, with the URL as its one
    // argument; the system's open operation where there is none.
    char browser[MAX_PATH] = "";
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    std::string probe = length ? std::string(temp, length) + "melkrin_probe.html" : std::string();
    bool found = false;
    if (!probe.empty()) {
        HANDLE h = CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY,
                               nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
            found = reinterpret_cast<INT_PTR>(FindExecutableA(probe.c_str(), nullptr, browser)) > 32 && browser[0];
            DeleteFileA(probe.c_str());
        }
    }
    if (found) {
        std::string command;
        command.append(1, '"').append(browser).append("\" \"").append(url).append(1, '"');
        STARTUPINFOA si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            return;
        }
    }
    ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

char Win32UpgradeWindows::decimalSeparator() {
    char text[8] = "";
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof(text)) > 1) return text[0];
    return '.';
}

// ---------------------------------------------------------------- the wizard

void Win32UpgradeWindows::openWizard() {
    if (wizard_) return;
    finalPage_ = false;
    // No WS_CLIPCHILDREN: group boxes draw only their frame, the window's
    // background must show through them.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | (look_.stayOnTop ? WS_EX_TOPMOST : 0);
    const RECT r = centredWindow(px(463), px(281), style, exStyle);
    wizard_ = CreateWindowExA(exStyle, kWizardClass, kUpdateCaption, style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                              nullptr, nullptr, instance_, this);
    if (!wizard_) throw MelkrinError("The download wizard cannot be shown");
    createWizardControls();
    ShowWindow(wizard_, SW_SHOWNORMAL);
    UpdateWindow(wizard_);
}

void Win32UpgradeWindows::createWizardControls() {
    HWND w = wizard_;
    if (!picture_) {
        HDC dc = GetDC(w);
        picture_ = makeWizardPicture(dc);
        ReleaseDC(w, dc);
    }
    HWND title = child(w, "STATIC", kWizardTitleText, SS_LEFT | SS_NOPREFIX, WizardTitle, px(136), px(10), px(319), px(24),
                       titleFont_);
    (void)title;
    // The upper group; with the location hidden it moves down and shrinks.
    const bool hide = look_.hideFileLocation;
    const int gx = 136, gy = hide ? 44 : 34, gh = hide ? 95 : 125;
    HWND from = child(w, "STATIC", kDownloadingFromText, SS_LEFT, LDownloadingFileFrom, px(gx + 6), px(gy + 14), px(300), px(13),
                      font_);
    HWND url = child(w, "EDIT", "", ES_READONLY | ES_AUTOHSCROLL, FileURL, px(gx + 10), px(gy + 28), px(301), px(13),
                     font_);
    if (hide) {
        ShowWindow(from, SW_HIDE);
        ShowWindow(url, SW_HIDE);
    }
    const int sizeY = hide ? 14 : 44, rateY = hide ? 30 : 60, timeY = hide ? 46 : 76, barY = hide ? 66 : 96;
    child(w, "STATIC", "", SS_LEFT | SS_NOPREFIX, LFileSize, px(gx + 6), px(gy + sizeY), px(300), px(13), font_);
    child(w, "STATIC", "", SS_LEFT | SS_NOPREFIX, LTransferRate, px(gx + 6), px(gy + rateY), px(300), px(13), font_);
    child(w, "STATIC", kPreparingText, SS_LEFT | SS_NOPREFIX, LEstimatedTime, px(gx + 6), px(gy + timeY), px(300), px(13),
          font_);
    HWND bar = child(w, PROGRESS_CLASSA, "", 0, ProgressCurrentFile, px(gx + 6), px(gy + barY), px(307), px(22), font_);
    SendMessageA(bar, PBM_SETRANGE32, 0, 100);
    child(w, "STATIC", "", SS_LEFT | SS_NOPREFIX, AllDownloading, px(142), px(178), px(300), px(13), font_);
    HWND all = child(w, PROGRESS_CLASSA, "", 0, ProgressAllFiles, px(142), px(200), px(307), px(22), font_);
    SendMessageA(all, PBM_SETRANGE32, 0, 100);
    // The note would cover the upper group's caption while empty.
    ShowWindow(child(w, "STATIC", "", SS_LEFT | SS_NOPREFIX, AfterNote, px(136), px(44), px(319), px(13), font_),
               SW_HIDE);
    // The group frames come last: beneath their contents in the drawing order.
    child(w, "BUTTON", (std::string(" ") + kCurrentFileText + " ").c_str(), BS_GROUPBOX, LCurrentFile, px(gx), px(gy), px(319),
          px(gh), font_);
    child(w, "BUTTON", (std::string(" ") + kAllFilesText + " ").c_str(), BS_GROUPBOX, LAllFiles, px(136), px(162), px(319),
          px(67), font_);
    HWND finish = child(w, "BUTTON", kNextButton, BS_PUSHBUTTON | WS_TABSTOP | WS_DISABLED, FinishBtn, px(296), px(248),
                        px(75), px(25), font_);
    (void)finish;
    HWND cancel = child(w, "BUTTON", kCancelButton, BS_DEFPUSHBUTTON | WS_TABSTOP, CancelBtn, px(380), px(248), px(75),
                        px(25), font_);
    SetFocus(cancel);
}

void Win32UpgradeWindows::setText(int id, const std::string& text) {
    if (wizard_) SetDlgItemTextA(wizard_, id, text.c_str());
}

void Win32UpgradeWindows::setLocation(const std::string& url) { setText(FileURL, url); }
void Win32UpgradeWindows::setCounter(const std::string& text) { setText(AllDownloading, text); }
void Win32UpgradeWindows::setSizeLine(const std::string& text) { setText(LFileSize, text); }

void Win32UpgradeWindows::setProgress(int currentPercent, int allPercent, const std::string& rateLine,
                                      const std::string& timeLine) {
    if (!wizard_) return;
    SendDlgItemMessageA(wizard_, ProgressCurrentFile, PBM_SETPOS, currentPercent, 0);
    SendDlgItemMessageA(wizard_, ProgressAllFiles, PBM_SETPOS, allPercent, 0);
    setText(LTransferRate, rateLine);
    setText(LEstimatedTime, timeLine);
}

void Win32UpgradeWindows::showFinalPage() {
    if (!wizard_) return;
    finalPage_ = true;
    setText(WizardTitle, kUpgradeCompletedText);
    const std::string note = fill(kUpdateCompletedText, title_, "");
    HWND noteWindow = GetDlgItem(wizard_, AfterNote);
    SetWindowPos(noteWindow, nullptr, 0, 0, px(319), textHeight(font_, note, px(319)), SWP_NOMOVE | SWP_NOZORDER);
    setText(AfterNote, note);
    ShowWindow(noteWindow, SW_SHOW);
    for (int id : {LCurrentFile, LDownloadingFileFrom, FileURL, LFileSize, LTransferRate, LEstimatedTime,
                   ProgressCurrentFile, LAllFiles, AllDownloading, ProgressAllFiles})
        ShowWindow(GetDlgItem(wizard_, id), SW_HIDE);
    HWND cancel = GetDlgItem(wizard_, CancelBtn);
    HWND finish = GetDlgItem(wizard_, FinishBtn);
    SendMessageA(cancel, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EnableWindow(cancel, FALSE);
    SetWindowTextA(finish, kOkButton);
    SendMessageA(finish, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EnableWindow(finish, TRUE);
    SetFocus(finish);
}

void Win32UpgradeWindows::closeWizard() {
    if (!wizard_) return;
    HWND w = wizard_;
    wizard_ = nullptr;
    SetWindowLongPtrA(w, GWLP_USERDATA, 0);
    DestroyWindow(w);
}

void Win32UpgradeWindows::endWizard(WizardEnd end) {
    closeWizard();
    if (onWizardClosed) onWizardClosed(end);
}

bool Win32UpgradeWindows::preTranslate(MSG& message) {
    if (!wizard_ || (message.hwnd != wizard_ && !IsChild(wizard_, message.hwnd))) return false;
    return IsDialogMessageA(wizard_, &message) != FALSE;
}

LRESULT CALLBACK Win32UpgradeWindows::wizardProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32UpgradeWindows*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32UpgradeWindows*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self || (self->wizard_ && self->wizard_ != hwnd)) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->wizardMessage(hwnd, message, wParam, lParam);
}

LRESULT Win32UpgradeWindows::wizardMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            paintWizard(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (reinterpret_cast<HWND>(lParam) == GetDlgItem(hwnd, FileURL))
                SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHT));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case FinishBtn:
                    // Enter on a downloading page means the focused Cancel.
                    if (finalPage_) endWizard(WizardEnd::Finished);
                    else PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                    return 0;
                case CancelBtn:
                    if (!finalPage_) PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
                    return 0;
                default:
                    break;
            }
            break;
        case WM_CLOSE: {
            if (asking_) return 0;
            asking_ = true;
            const int answer = showMessageBox(hwnd, kAbortQuestionText, title_, MB_YESNO | MB_ICONQUESTION, IDNO);
            asking_ = false;
            // The round may have ended while the question was up.
            if (answer == IDYES && wizard_ == hwnd) endWizard(WizardEnd::Aborted);
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void Win32UpgradeWindows::paintWizard(HDC dc) {
    // The side picture in a lowered panel.
    RECT panel{px(10), px(10), px(130), px(230)};
    DrawEdge(dc, &panel, BDR_SUNKENOUTER, BF_RECT);
    if (picture_) {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, picture_);
        SetStretchBltMode(dc, HALFTONE);
        StretchBlt(dc, px(11), px(11), px(118), px(218), source, 0, 0, 118, 218, SRCCOPY);
        SelectObject(source, old);
        DeleteDC(source);
    }
    // The separator, and over it the component's name, etched: the
    // highlight one pixel lower right under the shadow.
    RECT line{px(10), px(238), px(10) + px(447), px(240)};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    const std::string name = std::string(" ") + kComponentName + " ";
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    TextOutA(dc, px(31), px(234), name.c_str(), static_cast<int>(name.size()));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    TextOutA(dc, px(30), px(233), name.c_str(), static_cast<int>(name.size()));
    SelectObject(dc, oldFont);
}

}  // namespace melkrin::update
