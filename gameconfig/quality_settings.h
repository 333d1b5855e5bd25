#pragma once
// The user's four quality choices turned into edits of single lines of the
// benchmark configuration, debug log lines and the labels of the report.
#include <optional>
#include <string>

#include "settings/benchmark_options.h"

namespace melkrin {

class DebugLog;
class GameConfigFile;

// As the option pages hold them; the caller reads them from the controls.
struct QualityChoices {
    std::optional<int> aaLevel;  // 0 to 3; none while nothing is selected
    std::optional<int> afLevel;  // 0 to 4; none while nothing is selected
    bool hdr = true;
    Renderer renderer = Renderer::Direct3D;
};

// What the report prints per resolution. Empty until the first run; every run
// overwrites them, except the label of a setting without a selection.
struct QualityLabels {
    std::string rendererLabel;
    std::string qualityLabel;
    std::string aaLabel;
    std::string afLabel;
    std::string hdrLabel;
};

// Edits config's working copy, appends the in-game-settings block to log and
// sets labels. Cannot fail.
void applyQualitySettings(GameConfigFile& config, const QualityChoices& choices, DebugLog& log,
                          QualityLabels& labels);

}  // namespace melkrin
