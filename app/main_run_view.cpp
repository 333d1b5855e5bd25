#include "app/main_run_view.h"

#include <iterator>

#include "settings/settings_store.h"

namespace melkrin {
namespace {

std::optional<int> selectionOf(const MainView& view, ControlId id) {
    const int index = view.selection(id);
    return index < 0 ? std::nullopt : std::optional<int>(index);
}

}  // namespace

// The demo group's items are the built-in demos in their order. The lists
// hold their levels in value order; the renderer list reads "OpenGL", "Direct3D".
RunRequest windowRunRequest(const MainView& view, SettingsStore& settings) {
    RunRequest request;
    request.gameExePath = view.text(ControlId::SS2PathEdit);
    bool checked[kCustomSlot + 1] = {};
    static_assert(std::size(kResolutionItems) == kCustomSlot);
    for (int i = 0; i < kCustomSlot; ++i) checked[i] = view.checked(kResolutionItems[i]);
    checked[kCustomSlot] = view.checked(ControlId::CusResBox);
    request.slots = chosenSlots(checked, view.text(ControlId::CusWidth), view.text(ControlId::CusHeight));
    const auto demoItem = selectionOf(view, ControlId::Demo);
    request.demoNumber = demoItem ? std::optional<int>(*demoItem + 1) : std::nullopt;
    request.demoFile = view.text(ControlId::DemoEdit);
    request.quality.aaLevel = selectionOf(view, ControlId::AABox);
    request.quality.afLevel = selectionOf(view, ControlId::AFBox);
    request.quality.hdr = view.checked(ControlId::HDRBox);
    request.quality.renderer = view.selection(ControlId::RendererBox) == static_cast<int>(Renderer::OpenGL)
                                   ? Renderer::OpenGL
                                   : Renderer::Direct3D;
    request.resultsFolder = view.text(ControlId::ResEdit);
    request.note = view.text(ControlId::NoteEdit);
    request.passes = storedPassPlan(settings);
    request.timeLimit = storedGameTimeLimit(settings);
    return request;
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
