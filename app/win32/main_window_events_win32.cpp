// Event routing: a control's notification becomes the presenter's handler of
// the same name, or a change the window makes itself (check marks, the demo
// group, the navigation bar).
#include "app/win32/main_window_win32.h"

#include "app/main_window.h"

namespace melkrin {
namespace {

// Items that toggle or switch on every click, as native check boxes do; the
// second of two quick clicks arrives as a double click.
bool takesEveryClick(Win32MainWindow::Kind kind) {
    using K = Win32MainWindow::Kind;
    return kind == K::Check || kind == K::Radio || kind == K::NavHeader || kind == K::NavItem;
}

}  // namespace

void Win32MainWindow::call(void (MainWindow::*handler)()) {
    if (presenter_) presenter_->guarded([&] { (presenter_->*handler)(); });
}

void Win32MainWindow::command(ControlId id, int code) {
    Control* c = find(id) ? &at(id) : nullptr;
    if (!c) return;
    if (c->kind == Kind::List) {
        if (code != CBN_SELCHANGE) return;
        if (id == ControlId::AFBox) call(&MainWindow::onAnisotropicFilterChanged);
        if (id == ControlId::AABox) call(&MainWindow::onAntiAliasingChanged);
        if (id == ControlId::RendererBox) call(&MainWindow::onRendererChanged);
        if (id == ControlId::PassesBox) call(&MainWindow::onPassesChanged);
        return;
    }
    if (id == ControlId::NoteEdit) {
        if (code == EN_KILLFOCUS) call(&MainWindow::onNoteEditExited);
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
            if (id == ControlId::WarmUpBox) call(&MainWindow::onWarmUpClicked);
            return;
        case Kind::Radio:
            // The demo group marks the new item and unmarks the others, then reports the change.
            for (ControlId item : kDemoItems) setChecked(item, item == id);
            call(&MainWindow::demoChanging);
            return;
        case Kind::NavHeader:
            openGroup_ = (openGroup_ == (id == ControlId::BenchmarkGroup ? 1 : 2)) ? 0 : (id == ControlId::BenchmarkGroup ? 1 : 2);
            layoutNavBar();
            return;
        case Kind::NavItem:
            navigate(id);
            return;
        default:
            break;
    }
    switch (id) {
        case ControlId::MinimiseButton: call(&MainWindow::onMinimiseClicked); break;
        case ControlId::CloseButton: call(&MainWindow::onCloseClicked); break;
        case ControlId::BenchButton: call(&MainWindow::onRunClicked); break;
        case ControlId::CancelButton: call(&MainWindow::onCancelClicked); break;
        case ControlId::ChooseResultsFolder: call(&MainWindow::onChooseResultsFolderClicked); break;
        case ControlId::OpenResFolder: call(&MainWindow::onOpenResultsFolderClicked); break;
        case ControlId::CusPossibilities: call(&MainWindow::onPossibilitiesClicked); break;
        case ControlId::DemoEditButton: call(&MainWindow::onChooseDemoClicked); break;
        case ControlId::UpdateButton: call(&MainWindow::onUpdateClicked); break;
        case ControlId::HistoryButton: call(&MainWindow::onHistoryClicked); break;
        default: break;
    }
}

void Win32MainWindow::navigate(ControlId item) {
    const ControlId previous = selectedItem_;
    selectedItem_ = item;
    if (Control* old = find(previous) ? &at(previous) : nullptr) InvalidateRect(old->hwnd, nullptr, FALSE);
    InvalidateRect(at(item).hwnd, nullptr, FALSE);
    static const std::pair<ControlId, void (MainWindow::*)()> handlers[] = {
        {ControlId::PathAndNotesItem, &MainWindow::onPathAndNotesClicked}, {ControlId::ResolutionAndDemoItem, &MainWindow::onResolutionAndDemoClicked},
        {ControlId::HdrAndFiltersItem, &MainWindow::onHdrAndFiltersClicked}, {ControlId::PassesAndHistoryItem, &MainWindow::onPassesAndHistoryClicked},
        {ControlId::HelpFileItem, &MainWindow::onHelpClicked},
        {ControlId::UpdateItem, &MainWindow::onUpdatePageClicked}, {ControlId::HomepageItem, &MainWindow::onHomepageClicked},
        {ControlId::AboutItem, &MainWindow::onAboutClicked}};
    for (const auto& [id, handler] : handlers)
        if (id == item) call(handler);
}

}  // namespace melkrin
