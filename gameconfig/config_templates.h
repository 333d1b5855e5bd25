#pragma once
// The two complete game configurations the program carries: the benchmark
// configuration, edited line by line before each run, and the default one,
// written at the end of a run when the user had no "Sam2.ini" of their own.
#include <string>
#include <vector>

namespace melkrin {

using ConfigLines = std::vector<std::string>;

inline constexpr std::size_t kTemplateLineCount = 310;

const ConfigLines& benchmarkTemplate();
// The benchmark template with antialiasing off (line 50) and the game's
// sound interface 2 (line 170).
const ConfigLines& defaultTemplate();

}  // namespace melkrin
