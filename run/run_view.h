#pragma once
// What a benchmark run shows of itself in the main window: the progress
// panel, the status text and the enabled state of the run and cancel buttons.
// The options of the run come once, as a RunRequest; the window implements
// this (app/) and the run knows nothing else of it.
#include <string>

namespace melkrin {

class RunView {
public:
    virtual ~RunView() = default;

    virtual void showProgress(bool shown) = 0;
    virtual void setStatus(const std::string& text) = 0;
    virtual void enableRunButton(bool enabled) = 0;
    // The progress panel's cancel button.
    virtual void enableCancelButton(bool enabled) = 0;
    // The panel alone, or the panel and the window's background behind it.
    virtual void repaintProgress() = 0;
    virtual void repaintAll() = 0;
};

}  // namespace melkrin
