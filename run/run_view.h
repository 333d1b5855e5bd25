#pragma once
// What a benchmark run sees of the main window: the options it reads at the
// moment it needs them, and the progress panel, status text and run button it
// drives. The window implements it (app/); the run knows nothing else of it.
#include <optional>
#include <string>

#include "gameconfig/quality_settings.h"

namespace melkrin {

class RunView {
public:
    virtual ~RunView() = default;

    // Slot 0 to 8: the fixed resolution's box; slot 9: the custom box alone
    // (the run checks the size texts itself).
    virtual bool slotChecked(int slot) const = 0;
    virtual std::string customWidth() const = 0;
    virtual std::string customHeight() const = 0;
    virtual std::string gameExePath() const = 0;
    virtual std::string resultsFolder() const = 0;
    virtual std::string note() const = 0;
    // The built-in demo's number (1 for the first), none while none is chosen;
    // and the user-defined demo file.
    virtual std::optional<int> demoNumber() const = 0;
    virtual std::string demoFile() const = 0;
    virtual QualityChoices qualityChoices() const = 0;
    // A game time limit given for this run alone (seconds, 0 for none);
    // none given: the stored one.
    virtual std::optional<unsigned> gameTimeLimit() const { return std::nullopt; }
    // Passes ("1".."10" or "until stable") and the warm-up given for this run
    // alone; none given: the stored ones.
    virtual std::optional<std::string> passes() const { return std::nullopt; }
    virtual std::optional<bool> warmUp() const { return std::nullopt; }

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
