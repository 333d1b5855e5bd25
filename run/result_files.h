#pragma once
// The results of a run as data beside its report: result_<stamp>.json (UTF-8,
// format "melkrin-result", described in docs/result-format.md) and one row
// per resolution in results.csv of the results folder (UTF-8 as well).
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
    std::string startedAt;                  // local time the game started; empty: not known
    std::optional<double> durationSeconds;  // from the game's start to its end
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

// What was measured with what: identities a later comparison relies on. A
// fact that could not be found out is empty or none.
struct RunProvenance {
    std::string runId;      // random UUID, lower-case 8-4-4-4-12
    std::string utcOffset;  // of startedAt, "+01:00"
    std::optional<std::string> programSha256;  // melkrin.exe
    std::optional<std::string> gameFileVersion;
    std::optional<std::string> gameSha256;  // Sam2.exe
    std::optional<std::string> demoSha256;  // the demo file played
    std::optional<std::string> configurationSha256;  // Sam2.ini as the run wrote it
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
    RunProvenance provenance;
};

using TextToUtf8 = std::function<std::string(const std::string&)>;

inline constexpr const char* kResultsCsvName = "results.csv";
// Starts a table file: Excel reads a CSV as UTF-8 only behind it.
inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

// "result_" + stamp + ".json" in the results folder.
std::string resultJsonPath(const std::string& resultsFolder, const std::string& stamp);
std::string resultsCsvPath(const std::string& resultsFolder);
// results-<major>.<minor>.csv: begun when results.csv has another header.
std::string versionedResultsCsvPath(const std::string& resultsFolder);

// The JSON file's text; 8-bit texts go through toUtf8.
std::string resultJson(const ResultRecord& record, const TextToUtf8& toUtf8);

// The CSV's header line and one line per resolution, with CR LF (RFC 4180);
// texts go through toUtf8, numbers have a point. A text a spreadsheet would
// take for a formula gets a leading "'".
std::string resultsCsvHeader();
std::string resultsCsvRows(const ResultRecord& record, const TextToUtf8& toUtf8);
// One field as the table writes it: quoted when it must be, and a text
// starting with = + - @, a tab or a CR neutralised.
std::string csvTextField(const std::string& utf8Text);

// Which table file a run's rows go to, decided from the existing files' first
// lines (as read; none: the file does not exist).
enum class CsvTarget { Main, Versioned, Neither };
CsvTarget chooseResultsCsv(const std::optional<std::string>& mainFirstLine,
                           const std::optional<std::string>& versionedFirstLine);

// Latin-1 to UTF-8: enough where no code page conversion is at hand.
std::string latin1ToUtf8(const std::string& text);

}  // namespace melkrin
