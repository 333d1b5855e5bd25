#include "app/win32/dialog_windows_win32.h"

#include <commctrl.h>

#include "app/control_ids.h"
#include "common/win32/ui_dpi_win32.h"
#include "common/win32/ui_modal_win32.h"
#include "app/win32/main_window_win32.h"

namespace melkrin {
namespace {

void centreOver(HWND hwnd, const RECT& area) {
    RECT box{};
    GetWindowRect(hwnd, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT desktopArea() {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

HWND createPopup(HINSTANCE instance, const char* className, WNDPROC proc, int width, int height, void* self) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, className, "",
                           WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height, nullptr, nullptr, instance, self);
}

template <class T>
T* selfOf(HWND hwnd, UINT message, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

}  // namespace

// ---------------------------------------------------------------- WaitWindow

Win32WaitWindow::Win32WaitWindow(HINSTANCE instance, int dpi) : dpi_(dpi) {
    fonts_ = skin::fontsFor(dpi);
    hwnd_ = createPopup(instance, "TForm2", &Win32WaitWindow::proc, skin::scale(287, dpi), skin::scale(100, dpi), this);
    SetWindowTextA(hwnd_, "Please wait...");
}

Win32WaitWindow::~Win32WaitWindow() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void Win32WaitWindow::show(int dpi) {
    rescale(dpi, nullptr);
    centreOver(hwnd_, desktopArea());
    ShowWindow(hwnd_, SW_SHOWNA);
    SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
}

void Win32WaitWindow::close() { ShowWindow(hwnd_, SW_HIDE); }

void Win32WaitWindow::rescale(int newDpi, const RECT* suggested) {
    if (newDpi <= 0 || newDpi == dpi_) return;
    fonts_ = skin::fontsFor(newDpi);
    dpi_ = newDpi;
    if (suggested)
        dpi::moveTo(hwnd_, *suggested);
    else
        SetWindowPos(hwnd_, nullptr, 0, 0, skin::scale(287, dpi_), skin::scale(100, dpi_),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

LRESULT CALLBACK Win32WaitWindow::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = selfOf<Win32WaitWindow>(hwnd, message, lParam);
    if (message == WM_PAINT && self) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        skin::fill(dc, client, skin::kBlack);
        skin::text(dc, "Please wait...", client, skin::kWhite, self->fonts_.wait,
                   DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (message == WM_CLOSE) {
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    }
    if (message == WM_DPICHANGED && self) {
        self->rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// ---------------------------------------------------------------- ResolutionListDialog

Win32ResolutionListDialog::Win32ResolutionListDialog(HINSTANCE instance, int dpi) : dpi_(dpi) {
    fonts_ = skin::fontsFor(dpi);
    hwnd_ = createPopup(instance, "TForm3", &Win32ResolutionListDialog::proc, px(228), px(502), this);
    SetWindowTextA(hwnd_, "Resolution possibilities");
    close_ = CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, px(202), px(6),
                             px(20), px(20), hwnd_, reinterpret_cast<HMENU>(resolution_list_ids::kCloseButton), instance, nullptr);
    list_ = CreateWindowExA(0, "LISTBOX", "",
                            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_VSCROLL | LBS_OWNERDRAWFIXED |
                                LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                            px(8), px(64), px(129), px(433), hwnd_, reinterpret_cast<HMENU>(resolution_list_ids::kModeList),
                            instance, nullptr);
    add_ = CreateWindowExA(0, "BUTTON", "Add", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_OWNERDRAW, px(144), px(112),
                           px(76), px(26), hwnd_, reinterpret_cast<HMENU>(resolution_list_ids::kAddButton), instance, nullptr);
    for (HWND child : {close_, list_, add_}) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.normal), 0);
    SetWindowSubclass(list_, &Win32ResolutionListDialog::listProc, 1, reinterpret_cast<DWORD_PTR>(this));

    // The close picture has no text on it: its hint says what it does.
    tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance,
                               nullptr);
    TOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(close_);
    tool.lpszText = const_cast<char*>("Close");
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32ResolutionListDialog::rescale(int newDpi, const RECT* suggested) {
    if (newDpi <= 0 || newDpi == dpi_) return;
    dpi::rescaleContent(hwnd_, dpi_, newDpi, fonts_);
    dpi_ = newDpi;
    SendMessageA(list_, LB_SETITEMHEIGHT, 0, px(17));
    if (suggested)
        dpi::moveTo(hwnd_, *suggested);
    else
        SetWindowPos(hwnd_, nullptr, 0, 0, px(228), px(502), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

Win32ResolutionListDialog::~Win32ResolutionListDialog() {
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void Win32ResolutionListDialog::run(void (ResolutionListDialog::*handler)()) {
    if (!presenter_) return;
    if (guarded_)
        guarded_([&] { (presenter_->*handler)(); });
    else
        (presenter_->*handler)();
}

void Win32ResolutionListDialog::showModal(HWND owner, int ownerDpi) {
    rescale(ownerDpi, nullptr);
    RECT area{};
    GetWindowRect(owner, &area);
    centreOver(hwnd_, area);
    ui::runModal({.window = hwnd_,
                  .owner = owner,
                  .show =
                      [this] {
                          open_ = true;
                          ShowWindow(hwnd_, SW_SHOW);
                          SetActiveWindow(hwnd_);
                          SetFocus(list_);
                      },
                  .isOpen = [this] { return open_ && IsWindowVisible(hwnd_); },
                  // Enter presses the focused button; the dialog keys would send IDOK to the window instead.
                  .intercept =
                      [this](const MSG& message) {
                          const HWND focus = GetFocus();
                          if (message.message != WM_KEYDOWN || message.wParam != VK_RETURN || focus == list_ ||
                              (focus != add_ && focus != close_))
                              return false;
                          PostMessageA(focus, BM_CLICK, 0, 0);
                          return true;
                      }});
    ShowWindow(hwnd_, SW_HIDE);
    SetActiveWindow(owner);
}

void Win32ResolutionListDialog::clearItems() { SendMessageA(list_, LB_RESETCONTENT, 0, 0); }

void Win32ResolutionListDialog::addItem(const std::string& text) {
    const LRESULT index = SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), 0);
}

int Win32ResolutionListDialog::itemCount() const { return static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0)); }

std::string Win32ResolutionListDialog::itemText(int index) const {
    const LRESULT length = SendMessageA(list_, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list_, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

bool Win32ResolutionListDialog::itemChecked(int index) const {
    return SendMessageA(list_, LB_GETITEMDATA, static_cast<WPARAM>(index), 0) == 1;
}

void Win32ResolutionListDialog::closeDialog() {
    open_ = false;
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32ResolutionListDialog::toggle(int index) {
    if (index < 0 || index >= itemCount()) return;
    SendMessageA(list_, LB_SETITEMDATA, static_cast<WPARAM>(index), itemChecked(index) ? 0 : 1);
    RECT item{};
    SendMessageA(list_, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    InvalidateRect(list_, &item, FALSE);
}

// Every item carries its own check mark: a click or Space toggles it.
LRESULT CALLBACK Win32ResolutionListDialog::listProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32ResolutionListDialog*>(data);
    if (message == WM_LBUTTONDOWN) {
        const LRESULT hit = SendMessageA(hwnd, LB_ITEMFROMPOINT, 0, lParam);
        const LRESULT result = DefSubclassProc(hwnd, message, wParam, lParam);
        if (HIWORD(hit) == 0) self->toggle(LOWORD(hit));
        return result;
    }
    // The second of two quick clicks arrives as a double click: it toggles too.
    if (message == WM_LBUTTONDBLCLK) {
        const LRESULT hit = SendMessageA(hwnd, LB_ITEMFROMPOINT, 0, lParam);
        if (HIWORD(hit) == 0) self->toggle(LOWORD(hit));
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    if (message == WM_CHAR && wParam == ' ') {
        self->toggle(static_cast<int>(SendMessageA(hwnd, LB_GETCARETINDEX, 0, 0)));
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Win32ResolutionListDialog::listProc, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Win32ResolutionListDialog::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = selfOf<Win32ResolutionListDialog>(hwnd, message, lParam);
    if (!self || !self->hwnd_) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->handle(message, wParam, lParam);
}

LRESULT Win32ResolutionListDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                run(&ResolutionListDialog::onDeactivate);
            else
                run(&ResolutionListDialog::onActivate);
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == resolution_list_ids::kAddButton) run(&ResolutionListDialog::onAddClicked);
            if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == resolution_list_ids::kCloseButton) run(&ResolutionListDialog::onCloseClicked);
            return 0;
        case WM_CLOSE:
            closeDialog();
            return 0;
        case WM_DPICHANGED:
            rescale(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            RECT client;
            GetClientRect(hwnd_, &client);
            skin::drawDialogBackground(dc, client, dpi_, fonts_, "Possibilities");
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
            ReleaseCapture();
            SendMessageA(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_CTLCOLORLISTBOX:
            SetBkColor(reinterpret_cast<HDC>(wParam), skin::kFieldBack);
            return reinterpret_cast<LRESULT>(GetStockObject(BLACK_BRUSH));
        case WM_MEASUREITEM:
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = static_cast<UINT>(px(17));
            return TRUE;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
            if (item.CtlType == ODT_LISTBOX) {
                if (item.itemID == static_cast<UINT>(-1)) return TRUE;
                const bool selected = (item.itemState & ODS_SELECTED) != 0;
                skin::drawOptionItem(item.hDC, item.rcItem, itemText(static_cast<int>(item.itemID)), false,
                                     itemChecked(static_cast<int>(item.itemID)), false, true,
                                     (item.itemState & ODS_FOCUS) != 0,
                                     selected ? RGB(50, 36, 6) : skin::kFieldBack, dpi_, fonts_);
                return TRUE;
            }
            const bool pressed = (item.itemState & ODS_SELECTED) != 0;
            const bool focused = (item.itemState & ODS_FOCUS) != 0;
            if (item.hwndItem == add_)
                skin::drawPushButton(item.hDC, item.rcItem, "Add", false, pressed, true, focused, dpi_, fonts_);
            else
                skin::drawToolButton(item.hDC, item.rcItem, skin::Glyph::Close, "", false, pressed, true, focused,
                                     skin::kBlack, dpi_, fonts_);
            return TRUE;
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

// ---------------------------------------------------------------- application

void Win32AppWindows::minimiseApplication() { ShowWindow(main_.hwnd(), SW_MINIMIZE); }

void Win32AppWindows::terminateApplication() { PostQuitMessage(0); }

void Win32AppWindows::closeMainWindow() { PostMessageA(main_.hwnd(), WM_CLOSE, 0, 0); }

void Win32AppWindows::showPossibilities() { resolutionList_.showModal(main_.hwnd(), main_.dpi()); }

void Win32AppWindows::showPleaseWait() { waitWindow_.show(main_.dpi()); }

}  // namespace melkrin
