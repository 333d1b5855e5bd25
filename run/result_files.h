#pragma once
// The results of a run as data beside its report: result_<stamp>.json (UTF-8,
// format "melkrin-result", described in docs/result-format.md) and one row
// per resolution in results.csv of the results folder.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "gameconfig/quality_settings.h"
#include "run/pass_statistics.h"
#include "run/result_format.h"
#include "sysinfo/system_info.h"

namespace melkrin {

// One game start that counted.
struct PassOutcome {
    std::string figure;          // the game's figure text; empty: none
    std::optional<double> fps;   // the figure as a number; none: the pass gave none
    std::string reason;          // why there is none
};

// What one chosen resolution gave: its figure, or why there is none.
struct SlotOutcome {
    int slot = 0;
    std::string size;     // "640x480"
    std::string figure;   // empty: none; with more than one pass the mean
    std::string reason;   // why there is no figure
    bool stopped = false;  // the time limit ended one of its games
    std::vector<PassOutcome> passes;            // counted passes in the order played
    std::optional<PassStatistics> statistics;  // none: no pass gave a figure
};

// Everything the result files say of one run.
struct ResultRecord {
    std::string version;
    std::string startedAt;  // "2006-07-30T14:05:09"
    std::string endedAt;
    std::string reportFile;  // file name of the report; empty: none saved
    std::string note;
    SystemInfo machine;
    std::vector<std::string> resolutions;  // chosen, "640x480"
    std::optional<int> demoNumber;         // 1 to 3; none: demoFile
    std::string demoFile;                  // the demo's file name
    QualityChoices quality;
    PassPlan plan;
    unsigned timeLimit = 0;  // seconds, 0: none
    std::vector<SlotOutcome> slots;
};

using TextToUtf8 = std::function<std::string(const std::string&)>;

inline constexpr const char* kResultsCsvName = "results.csv";

// "result_" + stamp + ".json" in the results folder.
std::string resultJsonPath(const std::string& resultsFolder, const std::string& stamp);
std::string resultsCsvPath(const std::string& resultsFolder);

// The JSON file's text; 8-bit texts go through toUtf8.
std::string resultJson(const ResultRecord& record, const TextToUtf8& toUtf8);

// The CSV's header line and one line per resolution, with CR LF; fields are
// in the system's 8-bit code page like the report, numbers with a point.
std::string resultsCsvHeader();
std::string resultsCsvRows(const ResultRecord& record);

// Latin-1 to UTF-8: enough where no code page conversion is at hand.
std::string latin1ToUtf8(const std::string& text);

}  // namespace melkrin
