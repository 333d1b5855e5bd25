// Event routing: a control's notification becomes the presenter's handler of
// the same name, or a change the window makes itself (check marks, the demo
// group, the navigation bar).
#include "app/form1_window_win32.h"

#include "app/form1.h"

namespace melkrin {
namespace {

// Items that toggle or switch on every click, as native check boxes do; the
// second of two quick clicks arrives as a double click.
bool takesEveryClick(Form1Window::Kind kind) {
    using K = Form1Window::Kind;
    return kind == K::Check || kind == K::Radio || kind == K::NavHeader || kind == K::NavItem;
}

}  // namespace

void Form1Window::call(void (TForm1::*handler)()) {
    if (presenter_) presenter_->guarded([&] { (presenter_->*handler)(); });
}

void Form1Window::command(ControlId id, int code) {
    Control* c = find(id) ? &at(id) : nullptr;
    if (!c) return;
    if (c->kind == Kind::List) {
        if (code != CBN_SELCHANGE) return;
        if (id == ControlId::AFBox) call(&TForm1::AFBoxChange);
        if (id == ControlId::AABox) call(&TForm1::AABoxChange);
        if (id == ControlId::RendererBox) call(&TForm1::RendererBoxChange);
        if (id == ControlId::PassesBox) call(&TForm1::PassesBoxChange);
        return;
    }
    if (id == ControlId::NoteEdit) {
        if (code == EN_KILLFOCUS) call(&TForm1::NoteEditExit);
        return;
    }
    if (code != BN_CLICKED && !(code == BN_DOUBLECLICKED && takesEveryClick(c->kind))) return;
    // A disabled item cannot be chosen, not even by a click sent from outside.
    if (!IsWindowEnabled(c->hwnd)) return;
    switch (c->kind) {
        case Kind::Check:
            c->checked = !c->checked;
            InvalidateRect(c->hwnd, nullptr, FALSE);
            // Stored the moment it changes (the older boxes store when the pointer leaves).
            if (id == ControlId::WarmUpBox) call(&TForm1::WarmUpBoxClick);
            return;
        case Kind::Radio:
            // The demo group marks the new item and unmarks the others, then reports the change.
            for (ControlId item : kDemoItems) setChecked(item, item == id);
            call(&TForm1::demoChanging);
            return;
        case Kind::NavHeader:
            openGroup_ = (openGroup_ == (id == ControlId::Group1 ? 1 : 2)) ? 0 : (id == ControlId::Group1 ? 1 : 2);
            layoutNavBar();
            return;
        case Kind::NavItem:
            navigate(id);
            return;
        default:
            break;
    }
    switch (id) {
        case ControlId::Image2: call(&TForm1::Image2Click); break;
        case ControlId::Image3: call(&TForm1::Image3Click); break;
        case ControlId::BenchButton: call(&TForm1::BenchButtonClick); break;
        case ControlId::CancelButton: call(&TForm1::CancelButtonClick); break;
        case ControlId::ToolButton1: call(&TForm1::ToolButton1Click); break;
        case ControlId::OpenResFolder: call(&TForm1::OpenResFolderClick); break;
        case ControlId::CusPossibilities: call(&TForm1::CusPossibilitiesClick); break;
        case ControlId::DemoEditButton: call(&TForm1::DemoEditButtonClick); break;
        case ControlId::ToolButton3: call(&TForm1::ToolButton3Click); break;
        case ControlId::HistoryButton: call(&TForm1::HistoryButtonClick); break;
        default: break;
    }
}

void Form1Window::navigate(ControlId item) {
    const ControlId previous = selectedItem_;
    selectedItem_ = item;
    if (Control* old = find(previous) ? &at(previous) : nullptr) InvalidateRect(old->hwnd, nullptr, FALSE);
    InvalidateRect(at(item).hwnd, nullptr, FALSE);
    static const std::pair<ControlId, void (TForm1::*)()> handlers[] = {
        {ControlId::Group1Item0, &TForm1::Group1Items0Click}, {ControlId::Group1Item1, &TForm1::Group1Items1Click},
        {ControlId::Group1Item2, &TForm1::Group1Items2Click}, {ControlId::Group1Item3, &TForm1::Group1Items3Click},
        {ControlId::Group2Item0, &TForm1::Group2Items0Click},
        {ControlId::Group2Item1, &TForm1::Group2Items1Click}, {ControlId::Group2Item2, &TForm1::Group2Items2Click},
        {ControlId::Group2Item3, &TForm1::Group2Items3Click}};
    for (const auto& [id, handler] : handlers)
        if (id == item) call(handler);
}

}  // namespace melkrin
