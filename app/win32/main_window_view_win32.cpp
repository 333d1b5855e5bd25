// The main window as the presenter's MainView: each call reads or changes a
// real control.
#include "app/win32/main_window_win32.h"

namespace melkrin {
namespace {

// Picture buttons carry their hint as window text, so screen readers and UI tests find them.
bool textIsHint(Win32MainWindow::Kind kind) {
    return kind == Win32MainWindow::Kind::PictureButton || kind == Win32MainWindow::Kind::RunButton;
}

constexpr ControlId kPages[kPageCount] = {ControlId::PathAndNotesPage, ControlId::ResolutionAndDemoPage, ControlId::HdrAndFiltersPage,
                                          ControlId::UpdatePage, ControlId::AboutPage, ControlId::PassesAndHistoryPage};

}  // namespace

Win32MainWindow::Control* Win32MainWindow::find(HWND hwnd) {
    const auto it = byHandle_.find(hwnd);
    return it == byHandle_.end() ? nullptr : &controls_[it->second];
}

const Win32MainWindow::Control* Win32MainWindow::find(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

Win32MainWindow::Control& Win32MainWindow::at(ControlId id) { return controls_.at(id); }

HWND Win32MainWindow::control(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hwnd : nullptr;
}

void Win32MainWindow::setText(ControlId id, const std::string& text) {
    Control& c = at(id);
    c.caption = text;
    if (textIsHint(c.kind))
        InvalidateRect(c.hwnd, nullptr, FALSE);
    else
        SetWindowTextA(c.hwnd, text.c_str());
}

std::string Win32MainWindow::text(ControlId id) const {
    const Control* c = find(id);
    if (!c) return {};
    if (textIsHint(c->kind)) return c->caption;
    const int length = GetWindowTextLengthA(c->hwnd);
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    out.resize(static_cast<std::size_t>(GetWindowTextA(c->hwnd, out.data(), length + 1)));
    return out;
}

void Win32MainWindow::setChecked(ControlId id, bool checked) {
    Control& c = at(id);
    c.checked = checked;
    InvalidateRect(c.hwnd, nullptr, FALSE);
}

bool Win32MainWindow::checked(ControlId id) const {
    const Control* c = find(id);
    return c && c->checked;
}

void Win32MainWindow::setEnabled(ControlId id, bool enabled) { EnableWindow(at(id).hwnd, enabled ? TRUE : FALSE); }

bool Win32MainWindow::enabled(ControlId id) const {
    const Control* c = find(id);
    return c && IsWindowEnabled(c->hwnd);
}

void Win32MainWindow::setVisible(ControlId id, bool visible) {
    HWND hwnd = at(id).hwnd;
    if (visible) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

bool Win32MainWindow::visible(ControlId id) const {
    const Control* c = find(id);
    return c && (GetWindowLongPtrA(c->hwnd, GWL_STYLE) & WS_VISIBLE);
}

void Win32MainWindow::setSelection(ControlId id, int index) {
    if (id == ControlId::Demo) {
        for (int i = 0; i < 4; ++i) setChecked(kDemoItems[i], i == index);
        return;
    }
    SendMessageA(at(id).hwnd, CB_SETCURSEL, index < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
}

int Win32MainWindow::selection(ControlId id) const {
    if (id == ControlId::Demo) {
        for (int i = 0; i < 4; ++i)
            if (checked(kDemoItems[i])) return i;
        return kNoSelection;
    }
    const Control* c = find(id);
    if (!c) return kNoSelection;
    const LRESULT index = SendMessageA(c->hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoSelection : static_cast<int>(index);
}

void Win32MainWindow::setHint(ControlId id, const std::string& hint) {
    Control& c = at(id);
    c.hint = hint;
    if (textIsHint(c.kind)) SetWindowTextA(c.hwnd, hint.c_str());
    if (tooltip_) addTooltip(c);
}

std::string Win32MainWindow::hint(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hint : std::string();
}

void Win32MainWindow::showPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    page_ = page;
    for (int i = 0; i < kPageCount; ++i) ShowWindow(at(kPages[i]).hwnd, i == page ? SW_SHOW : SW_HIDE);
}

void Win32MainWindow::applyTheme() {
    themed_ = true;
    if (panelBrush_) DeleteObject(panelBrush_);
    panelBrush_ = CreateSolidBrush(panelColour());
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Win32MainWindow::repaint(ControlId id) {
    RedrawWindow(at(id).hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace melkrin
