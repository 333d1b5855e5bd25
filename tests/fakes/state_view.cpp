#include "state_view.h"

namespace melkrin {

// The designed state of the controls, before start-up loads anything.
StateView::StateView() {
    at(ControlId::BenchButton).hint = "Run benchmark";
    at(ControlId::Image2).hint = "Minimize";
    at(ControlId::Image3).hint = "Close";
    at(ControlId::ToolButton1).hint = "Browse...";
    at(ControlId::OpenResFolder).hint = "Open results folder";
    at(ControlId::OpenResFolder).text = "Open";
    at(ControlId::DemoEdit).enabled = false;
    at(ControlId::DemoEditButton).enabled = false;
    at(ControlId::Label1).text = "v1.2";
    at(ControlId::Label3).text = "Benchmarking in progress";
    at(ControlId::Panel2).visible = false;
}

const StateView::Control& StateView::get(ControlId id) const {
    static const Control kAbsent;
    const auto it = controls_.find(id);
    return it == controls_.end() ? kAbsent : it->second;
}

}  // namespace melkrin
