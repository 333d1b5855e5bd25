#pragma once
// The main window's controls as a benchmark run sees them.
#include "app/main_view.h"
#include "run/run_view.h"

namespace melkrin {

class MainRunView final : public RunView {
public:
    explicit MainRunView(MainView& view) : view_(view) {}

    bool slotChecked(int slot) const override;
    std::string customWidth() const override;
    std::string customHeight() const override;
    std::string gameExePath() const override;
    std::string resultsFolder() const override;
    std::string note() const override;
    std::optional<int> demoNumber() const override;
    std::string demoFile() const override;
    QualityChoices qualityChoices() const override;

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
