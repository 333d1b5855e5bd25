#include "app/form1_window_win32.h"

#include <string>

namespace melkrin {
namespace {

constexpr const char* kClassName = "TForm1";
constexpr int kClientWidth = 490;
constexpr int kClientHeight = 340;

UINT dpiFor(HWND hwnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi) return dpi;
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

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

LRESULT CALLBACK hiddenFormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CLOSE) {
        ShowWindow(hwnd, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

int scaleForWindow(HWND hwnd, int pixels) { return MulDiv(pixels, static_cast<int>(dpiFor(hwnd)), 96); }

Form1Window::Form1Window(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form1Window::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);
    hwnd_ = CreateWindowExA(WS_EX_APPWINDOW, kClassName, "Melkrin", WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU,
                            CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, nullptr, instance, this);
    SetWindowPos(hwnd_, nullptr, 0, 0, scaleForWindow(hwnd_, kClientWidth), scaleForWindow(hwnd_, kClientHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    centreOnDesktop(hwnd_);
}

Form1Window::~Form1Window() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void Form1Window::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

LRESULT CALLBACK Form1Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Form1Window*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT Form1Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_LBUTTONDOWN:
            ReleaseCapture();
            SendMessageA(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_CLOSE:
            if (onClose) onClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

void Form1Window::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(243, 184, 5));
    const std::string title = "Melkrin " + state_.text(ControlId::Label1);
    DrawTextA(dc, title.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (!state_.enabled(ControlId::BenchButton)) {
        RECT bottom = client;
        bottom.top = client.bottom - scaleForWindow(hwnd_, 40);
        SetTextColor(dc, RGB(192, 192, 192));
        const std::string hint = state_.hint(ControlId::BenchButton);
        DrawTextA(dc, hint.c_str(), -1, &bottom, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    EndPaint(hwnd_, &ps);
}

HWND createHiddenForm(HINSTANCE instance, const char* className, int width, int height) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = hiddenFormProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    RegisterClassExA(&wc);
    return CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, "", WS_POPUP, 0, 0, width, height, nullptr,
                           nullptr, instance, nullptr);
}

}  // namespace melkrin
