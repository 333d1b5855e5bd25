#include "app/main_run_view.h"

#include <iterator>

namespace melkrin {
namespace {

std::optional<int> selectionOf(const MainView& view, ControlId id) {
    const int index = view.selection(id);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

}  // namespace

bool MainRunView::slotChecked(int slot) const {
    constexpr int kFixedSlots = static_cast<int>(std::size(kResolutionItems));
    if (slot < 0 || slot > kFixedSlots) return false;
    return view_.checked(slot < kFixedSlots ? kResolutionItems[slot] : ControlId::CusResBox);
}

std::string MainRunView::customWidth() const { return view_.text(ControlId::CusWidth); }
std::string MainRunView::customHeight() const { return view_.text(ControlId::CusHeight); }
std::string MainRunView::gameExePath() const { return view_.text(ControlId::SS2PathEdit); }
std::string MainRunView::resultsFolder() const { return view_.text(ControlId::ResEdit); }
std::string MainRunView::note() const { return view_.text(ControlId::NoteEdit); }

// The demo group's items are the built-in demos in their order.
std::optional<int> MainRunView::demoNumber() const {
    const auto item = selectionOf(view_, ControlId::Demo);
    return item ? std::optional<int>(*item + 1) : std::nullopt;
}

std::string MainRunView::demoFile() const { return view_.text(ControlId::DemoEdit); }

// The lists hold their levels in value order; the renderer list reads
// "OpenGL", "Direct3D".
QualityChoices MainRunView::qualityChoices() const {
    QualityChoices choices;
    choices.aaLevel = selectionOf(view_, ControlId::AABox);
    choices.afLevel = selectionOf(view_, ControlId::AFBox);
    choices.hdr = view_.checked(ControlId::HDRBox);
    choices.renderer = view_.selection(ControlId::RendererBox) == static_cast<int>(Renderer::OpenGL)
                           ? Renderer::OpenGL
                           : Renderer::Direct3D;
    return choices;
}

void MainRunView::showProgress(bool shown) { view_.setVisible(ControlId::ProgressPanel, shown); }
void MainRunView::setStatus(const std::string& text) { view_.setText(ControlId::StatusText, text); }
void MainRunView::enableRunButton(bool enabled) { view_.setEnabled(ControlId::BenchButton, enabled); }
void MainRunView::enableCancelButton(bool enabled) { view_.setEnabled(ControlId::CancelButton, enabled); }
void MainRunView::repaintProgress() { view_.repaint(ControlId::ProgressPanel); }

void MainRunView::repaintAll() {
    view_.repaint(ControlId::ProgressPanel);
    view_.repaint(ControlId::Background);  // the background picture under the whole window
}

}  // namespace melkrin
