#pragma once
// The main window as a benchmark run sees it: the options it takes once when
// the run starts, and the progress it shows while the run goes on.
#include "app/main_view.h"
#include "run/run_request.h"
#include "run/run_view.h"

namespace melkrin {

class SettingsStore;

// The run's options as the window shows them now; the passes, the warm-up and
// the game time limit as they are stored.
RunRequest windowRunRequest(const MainView& view, SettingsStore& settings);

class MainRunView final : public RunView {
public:
    explicit MainRunView(MainView& view) : view_(view) {}

    void showProgress(bool shown) override;
    void setStatus(const std::string& text) override;
    void enableRunButton(bool enabled) override;
    void enableCancelButton(bool enabled) override;
    void repaintProgress() override;
    void repaintAll() override;

private:
    MainView& view_;
};

}  // namespace melkrin
