// The main window's procedures: its class and creation, the window procedure,
// the panels' procedure and the subclasses of the controls and the tooltip.
// What the messages mean to the presenter is decided in main_window_events_win32.cpp
// and main_window_pointer_win32.cpp.
#include "app/win32/main_window_win32.h"

#include "app/main_window.h"

#include <commctrl.h>

namespace melkrin {
namespace {

constexpr const char* kClassName = "TForm1";
constexpr const char* kContainerClass = "TMelkrinPanel";
constexpr int kClientWidth = 490;
constexpr int kClientHeight = 340;

void centreOnDesktop(HWND hwnd) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT box{};
    GetWindowRect(hwnd, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The window's chrome pictures and the run button point like links.
bool hasHandCursor(ControlId id) {
    return id == ControlId::MinimiseButton || id == ControlId::CloseButton || id == ControlId::BenchButton;
}

}  // namespace

bool Win32MainWindow::isOwnerDrawnButton(Kind kind) {
    switch (kind) {
        case Kind::Check: case Kind::Radio: case Kind::PictureButton: case Kind::CaptionButton:
        case Kind::PushButton: case Kind::RunButton: case Kind::NavHeader: case Kind::NavItem:
            return true;
        default:
            return false;
    }
}

Win32MainWindow::Win32MainWindow(HINSTANCE instance) : instance_(instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Win32MainWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);

    WNDCLASSEXA panel{};
    panel.cbSize = sizeof(panel);
    panel.lpfnWndProc = &Win32MainWindow::containerProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.lpszClassName = kContainerClass;
    RegisterClassExA(&panel);

    hwnd_ = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClassName, "Melkrin",
                            WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                            kClientWidth, kClientHeight, nullptr, nullptr, instance, this);
    dpi_ = dpi::windowDpi(hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, px(kClientWidth), px(kClientHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    centreOnDesktop(hwnd_);
    fonts_ = skin::fontsFor(dpi_);
    panelBrush_ = CreateSolidBrush(panelColour());
    fieldBrush_ = CreateSolidBrush(skin::kFieldBack);
    blackBrush_ = CreateSolidBrush(skin::kBlack);
    createControls();
}

Win32MainWindow::~Win32MainWindow() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    for (HBRUSH brush : {panelBrush_, fieldBrush_, blackBrush_})
        if (brush) DeleteObject(brush);
}

void Win32MainWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    // The keyboard starts in the navigation bar.
    SetFocus(at(ControlId::BenchmarkGroup).hwnd);
}

Win32MainWindow* Win32MainWindow::of(HWND anyChild) {
    HWND root = GetAncestor(anyChild, GA_ROOT);
    return reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(root ? root : anyChild, GWLP_USERDATA));
}

LRESULT CALLBACK Win32MainWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Win32MainWindow*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

// Pages, frames, the navigation bar and the progress panel: they paint
// themselves and pass their controls' notifications up to the window.
LRESULT CALLBACK Win32MainWindow::containerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Win32MainWindow* self = of(hwnd);
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            if (self) {
                self->paintContainer(hwnd);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (self) {
                self->relayHintMove();
                self->pointerMoved(hwnd);
            }
            break;
        case WM_MOUSELEAVE:
            if (self) self->pointerLeft(hwnd);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::controlSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32MainWindow*>(data);
    switch (message) {
        case WM_MOUSEMOVE:
            self->pointerMoved(hwnd);
            break;
        case WM_MOUSELEAVE:
            self->pointerLeft(hwnd);
            break;
        case BM_GETCHECK:
            if (Control* c = self->find(hwnd); c && (c->kind == Kind::Check || c->kind == Kind::Radio))
                return c->checked ? BST_CHECKED : BST_UNCHECKED;
            break;
        case BM_SETCHECK:
            if (Control* c = self->find(hwnd); c && (c->kind == Kind::Check || c->kind == Kind::Radio)) {
                c->checked = wParam == BST_CHECKED;
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (Control* c = self->find(hwnd); c && hasHandCursor(c->id)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &Win32MainWindow::controlSubclass, 1);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Win32MainWindow::tooltipSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<Win32MainWindow*>(data);
    if (message == TTM_WINDOWFROMPOINT) {
        const POINT at = *reinterpret_cast<const POINT*>(lParam);
        for (const auto& [id, c] : self->controls_) {
            RECT box{};
            if (c.hint.empty() || IsWindowEnabled(c.hwnd) || !IsWindowVisible(c.hwnd) || !GetWindowRect(c.hwnd, &box))
                continue;
            if (PtInRect(&box, at)) return reinterpret_cast<LRESULT>(self->hwnd_);
        }
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Win32MainWindow::tooltipSubclass, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT Win32MainWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam) command(static_cast<ControlId>(LOWORD(wParam)), HIWORD(wParam));
            return 0;
        case WM_DRAWITEM:
            drawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            measureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return colourFor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == TTN_GETDISPINFOA) {
                auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                static std::string tip;
                // The control's own tool is keyed by its handle, its parent's by its id.
                const Control* c = (info->uFlags & TTF_IDISHWND)
                                       ? find(reinterpret_cast<HWND>(header->idFrom))
                                       : find(static_cast<ControlId>(header->idFrom));
                tip = c ? c->hint : std::string();
                info->lpszText = tip.data();
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            // Image1MouseDown: the background drags the window as its caption would.
            ReleaseCapture();
            SendMessageA(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_DPICHANGED:
            rescale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CLOSE:
            if (onClose && !onClose()) return 0;
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

bool Win32MainWindow::preTranslate(MSG& message) {
    if (!IsWindow(hwnd_) || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && IsWindowVisible(at(ControlId::ProgressPanel).hwnd)) {
        // Escape cancels a run, as the progress panel's button does.
        call(&MainWindow::onCancelClicked);
        return true;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        // Enter presses the focused button, as Space does.
        if (Control* c = find(GetFocus()); c && isOwnerDrawnButton(c->kind)) {
            PostMessageA(c->hwnd, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageA(hwnd_, &message) != 0;
}

}  // namespace melkrin
