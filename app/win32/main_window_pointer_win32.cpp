// Pointer tracking: hot items, the pointer-leave writers of the options and
// the hints of disabled controls.
#include "app/win32/main_window_win32.h"

#include <commctrl.h>

#include "app/main_window.h"

namespace melkrin {
namespace {

POINT cursor() {
    POINT at{};
    GetCursorPos(&at);
    return at;
}

bool cursorWithin(HWND hwnd) {
    RECT box{};
    GetWindowRect(hwnd, &box);
    return PtInRect(&box, cursor()) != 0;
}

}  // namespace

// A disabled control gets no pointer moves: the window beneath it does (a
// panel, or the window itself). Those moves reach the tooltip as moves over
// the window, where each hinted control also has a tool over its rectangle,
// and the tooltip is told that the window lies under the pointer there
// (tooltipSubclass), so the hint of a disabled control (the reason it is
// disabled) still shows.
void Win32MainWindow::relayHintMove() {
    if (!tooltip_) return;
    const POINT screen = cursor();
    POINT local = screen;
    ScreenToClient(hwnd_, &local);
    MSG move{hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y), static_cast<DWORD>(GetMessageTime()), screen};
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

// The pointer's real position decides, not the order of the messages: a
// move that arrives late, or a second leave, changes nothing.
void Win32MainWindow::pointerMoved(HWND hwnd) {
    Control* c = find(hwnd);
    if (!c || WindowFromPoint(cursor()) != hwnd) return;
    // Asked on every move: a leave that was lost (capture, a modal box) never
    // leaves the control without a pending report.
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    resolutionGroup_.left(PointerEvent::Moved, resolutionPointer(*c));
    if (!c->hot) {
        c->hot = true;
        if (isOwnerDrawnButton(c->kind)) InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void Win32MainWindow::pointerLeft(HWND hwnd) {
    Control* c = find(hwnd);
    if (!c || !c->hot) return;
    if (WindowFromPoint(cursor()) == hwnd) {
        // Still over the control (a popup came and went): keep watching.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        return;
    }
    c->hot = false;
    if (isOwnerDrawnButton(c->kind)) InvalidateRect(hwnd, nullptr, FALSE);
    switch (c->id) {
        case ControlId::NoteEdit: call(&MainWindow::onNotePointerLeft); break;
        case ControlId::CusResBox: call(&MainWindow::onCustomSizePointerLeft); break;
        case ControlId::HDRBox: call(&MainWindow::onHdrPointerLeft); break;
        default: break;
    }
    if (resolutionGroup_.left(PointerEvent::Left, resolutionPointer(*c))) call(&MainWindow::onResolutionsPointerLeft);
}

PointerAt Win32MainWindow::resolutionPointer(const Control& c) {
    const HWND group = at(ControlId::Res).hwnd;
    return PointerAt{c.id == ControlId::Res || c.group == ControlId::Res, cursorWithin(group),
                     IsWindowVisible(group) != 0};
}

}  // namespace melkrin
