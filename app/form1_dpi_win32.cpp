// The main window moved to a monitor with another DPI: sizes, positions and
// fonts follow, so the skin stays as sharp and as large as the user expects.
#include "app/form1_window_win32.h"

namespace melkrin {
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

void Form1Window::rescale(int newDpi, const RECT& suggested) {
    if (newDpi <= 0 || newDpi == dpi_) return;
    const Scale scale{dpi_, newDpi};
    EnumChildWindows(hwnd_, rescaleChild, reinterpret_cast<LPARAM>(&scale));

    skin::Fonts old = fonts_;
    fonts_ = skin::Fonts{};
    fonts_.create(newDpi);
    const FontSwap swap{&old, &fonts_};
    EnumChildWindows(hwnd_, swapFont, reinterpret_cast<LPARAM>(&swap));
    old.destroy();

    dpi_ = newDpi;
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace melkrin
