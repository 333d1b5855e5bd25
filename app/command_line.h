#pragma once
// melkrin.exe's command line: with no arguments the window opens as always;
// "/run" benchmarks at once with the options given (only for this run, never
// stored) and ends with an exit code; "/?" shows the usage; the update's
// restart argument "/afterupgrade" opens the window as a plain start does.
#include <optional>
#include <string>
#include <vector>

#include "gameconfig/quality_settings.h"
#include "run/run_request.h"

namespace melkrin {

// The exit codes of a "/run".
inline constexpr int kExitDone = 0;       // every resolution gave a figure
inline constexpr int kExitError = 1;      // the run stopped on an error, or something could not be put back
inline constexpr int kExitRefused = 2;    // the command line or the installation was refused; nothing was touched
inline constexpr int kExitNoFigure = 3;   // the run ended, but at least one resolution gave no figure
inline constexpr int kExitCancelled = 4;  // cancelled at the window (its button, Escape or closing it)
inline constexpr int kExitCrashed = 5;    // the program failed; the crash report says where and why

// "/json:-": the JSON goes to standard output instead of a file.
inline constexpr const char* kJsonToStandardOutput = "-";

inline constexpr std::size_t kNoteLimit = 50;

// What a "/run" sets for itself; what it leaves out comes from the stored options.
struct RunOptions {
    std::optional<std::vector<int>> fixedSlots;  // 0 to 8, given with "/res"
    std::optional<std::pair<std::string, std::string>> customSize;  // width, height texts
    std::optional<int> demoNumber;  // 1 to 3
    std::optional<std::string> demoFile;
    std::optional<int> aaLevel;  // 0 to 3
    std::optional<int> afLevel;  // 0 to 4
    std::optional<bool> hdr;
    std::optional<Renderer> renderer;
    std::optional<std::string> resultsFolder;  // ends in a backslash
    std::optional<std::string> note;
    std::optional<unsigned> gameTimeLimit;  // seconds, 0 for none
    std::optional<std::string> passes;      // "1".."10" or "until stable"
    std::optional<bool> warmUp;
    std::string jsonPath;                   // empty: none written; kJsonToStandardOutput: to the console
};

struct CommandLine {
    enum class Action { Window, Run, Usage, Refused };
    Action action = Action::Window;
    bool quiet = false;  // also with "/?" and a refusal: nothing is shown, the console alone is told
    bool afterUpgrade = false;
    RunOptions run;
    std::string error;  // why it was refused
};

// args without the program's own name, as the C runtime splits them.
CommandLine parseCommandLine(const std::vector<std::string>& args);
std::string usageText();

// The window's request with the command line's options laid over it.
RunRequest commandLineRunRequest(RunRequest window, const RunOptions& options);

}  // namespace melkrin
