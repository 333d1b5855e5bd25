#include "common/win32/ui_dpi_win32.h"

#include "common/win32/ui_fonts_win32.h"

namespace melkrin::dpi {
namespace {

struct Scale {
    int from;
    int to;
};

BOOL CALLBACK rescaleChild(HWND child, LPARAM param) {
    const auto* scale = reinterpret_cast<const Scale*>(param);
    RECT box;
    GetWindowRect(child, &box);
    // Child positions are relative to their own parent, which is scaled alike.
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&box), 2);
    MoveWindow(child, MulDiv(box.left, scale->to, scale->from), MulDiv(box.top, scale->to, scale->from),
               MulDiv(box.right - box.left, scale->to, scale->from), MulDiv(box.bottom - box.top, scale->to, scale->from),
               FALSE);
    return TRUE;
}

struct FontSwap {
    const skin::Fonts* from;
    const skin::Fonts* to;
};

BOOL CALLBACK swapFont(HWND child, LPARAM param) {
    const auto* swap = reinterpret_cast<const FontSwap*>(param);
    const auto font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
    if (!font) return TRUE;
    const auto from = swap->from->all();
    const auto to = swap->to->all();
    for (std::size_t i = 0; i < from.size(); ++i) {
        if (font == from[i]) {
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(to[i]), FALSE);
            break;
        }
    }
    return TRUE;
}

}  // namespace

int windowDpi(HWND hwnd) {
    // GetDpiForWindow exists from Windows 10 1607 on: looked up, not linked.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void rescaleChildren(HWND parent, int from, int to) {
    const Scale scale{from, to};
    EnumChildWindows(parent, rescaleChild, reinterpret_cast<LPARAM>(&scale));
}

void swapFonts(HWND parent, const skin::Fonts& old, const skin::Fonts& now) {
    const FontSwap swap{&old, &now};
    EnumChildWindows(parent, swapFont, reinterpret_cast<LPARAM>(&swap));
}

void rescaleContent(HWND window, int from, int to, skin::Fonts& fonts) {
    rescaleChildren(window, from, to);
    const skin::Fonts old = fonts;
    fonts = skin::fontsFor(to);
    swapFonts(window, old, fonts);
}

void moveTo(HWND hwnd, const RECT& suggested) {
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace melkrin::dpi
