#include "app/win32/dpi_win32.h"

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
    const HFONT pairs[][2] = {{swap->from->normal, swap->to->normal}, {swap->from->bold, swap->to->bold},
                              {swap->from->caption, swap->to->caption}, {swap->from->big, swap->to->big},
                              {swap->from->logo, swap->to->logo},       {swap->from->wait, swap->to->wait}};
    for (const auto& pair : pairs) {
        if (font && font == pair[0]) {
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(pair[1]), FALSE);
            break;
        }
    }
    return TRUE;
}

}  // namespace

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
    skin::Fonts old = fonts;
    fonts = skin::Fonts{};
    fonts.create(to);
    swapFonts(window, old, fonts);
    old.destroy();
}

void moveTo(HWND hwnd, const RECT& suggested) {
    SetWindowPos(hwnd, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace melkrin::dpi
