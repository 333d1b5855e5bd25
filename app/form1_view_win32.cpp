// The main window as the presenter's MainView: each call reads or changes a
// real control.
#include "app/form1_window_win32.h"

namespace melkrin {
namespace {

// Picture buttons carry their hint as window text, so screen readers and UI tests find them.
bool textIsHint(Form1Window::Kind kind) {
    return kind == Form1Window::Kind::PictureButton || kind == Form1Window::Kind::RunButton;
}

constexpr ControlId kPages[kPageCount] = {ControlId::Page0, ControlId::Page1, ControlId::Page2,
                                          ControlId::Page3, ControlId::Page4, ControlId::Page5};

}  // namespace

Form1Window::Control* Form1Window::find(HWND hwnd) {
    const auto it = byHandle_.find(hwnd);
    return it == byHandle_.end() ? nullptr : &controls_[it->second];
}

const Form1Window::Control* Form1Window::find(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

Form1Window::Control& Form1Window::at(ControlId id) { return controls_.at(id); }

HWND Form1Window::control(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hwnd : nullptr;
}

void Form1Window::setText(ControlId id, const std::string& text) {
    Control& c = at(id);
    c.caption = text;
    if (textIsHint(c.kind))
        InvalidateRect(c.hwnd, nullptr, FALSE);
    else
        SetWindowTextA(c.hwnd, text.c_str());
}

std::string Form1Window::text(ControlId id) const {
    const Control* c = find(id);
    if (!c) return {};
    if (textIsHint(c->kind)) return c->caption;
    const int length = GetWindowTextLengthA(c->hwnd);
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    out.resize(static_cast<std::size_t>(GetWindowTextA(c->hwnd, out.data(), length + 1)));
    return out;
}

void Form1Window::setChecked(ControlId id, bool checked) {
    Control& c = at(id);
    c.checked = checked;
    InvalidateRect(c.hwnd, nullptr, FALSE);
}

bool Form1Window::checked(ControlId id) const {
    const Control* c = find(id);
    return c && c->checked;
}

void Form1Window::setEnabled(ControlId id, bool enabled) { EnableWindow(at(id).hwnd, enabled ? TRUE : FALSE); }

bool Form1Window::enabled(ControlId id) const {
    const Control* c = find(id);
    return c && IsWindowEnabled(c->hwnd);
}

void Form1Window::setVisible(ControlId id, bool visible) {
    HWND hwnd = at(id).hwnd;
    if (visible) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

bool Form1Window::visible(ControlId id) const {
    const Control* c = find(id);
    return c && (GetWindowLongPtrA(c->hwnd, GWL_STYLE) & WS_VISIBLE);
}

void Form1Window::setSelection(ControlId id, int index) {
    if (id == ControlId::Demo) {
        for (int i = 0; i < 4; ++i) setChecked(kDemoItems[i], i == index);
        return;
    }
    SendMessageA(at(id).hwnd, CB_SETCURSEL, index < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
}

int Form1Window::selection(ControlId id) const {
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

void Form1Window::setHint(ControlId id, const std::string& hint) {
    Control& c = at(id);
    c.hint = hint;
    if (textIsHint(c.kind)) SetWindowTextA(c.hwnd, hint.c_str());
    if (tooltip_) addTooltip(c);
}

std::string Form1Window::hint(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hint : std::string();
}

void Form1Window::showPage(int page) {
    if (page < 0 || page >= kPageCount) return;
    page_ = page;
    for (int i = 0; i < kPageCount; ++i) ShowWindow(at(kPages[i]).hwnd, i == page ? SW_SHOW : SW_HIDE);
}

void Form1Window::applyTheme() {
    themed_ = true;
    if (panelBrush_) DeleteObject(panelBrush_);
    panelBrush_ = CreateSolidBrush(panelColour());
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form1Window::repaint(ControlId id) {
    RedrawWindow(at(id).hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace melkrin
