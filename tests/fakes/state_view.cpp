#include "state_view.h"

namespace melkrin {

// The designed state of the controls, before start-up loads anything.
StateView::StateView() {
    at(ControlId::BenchButton).hint = "Run benchmark";
    at(ControlId::MinimiseButton).hint = "Minimize";
    at(ControlId::CloseButton).hint = "Close";
    at(ControlId::ChooseResultsFolder).hint = "Browse...";
    at(ControlId::OpenResFolder).hint = "Open results folder";
    at(ControlId::OpenResFolder).text = "Open";
    at(ControlId::DemoEdit).enabled = false;
    at(ControlId::DemoEditButton).enabled = false;
    at(ControlId::VersionText).text = "v1.2";
    at(ControlId::ProgressTitle).text = "Benchmarking in progress";
    at(ControlId::ProgressPanel).visible = false;
}

const StateView::Control& StateView::get(ControlId id) const {
    static const Control kAbsent;
    const auto it = controls_.find(id);
    return it == controls_.end() ? kAbsent : it->second;
}

}  // namespace melkrin
