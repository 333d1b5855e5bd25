#pragma once
// Result files read back (result_files.h writes them): one result_<stamp>.json
// into a HistoryRun, or every one of a results folder. Anyone may drop any
// file there, so a file that is not ours is refused with a reason, never
// trusted and never fatal to the rest of the folder.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.h"
#include "run/result_format.h"

namespace melkrin {

class FileSystem;

struct HistoryStatistics {
    int count = 0;
    double mean = 0, min = 0, max = 0;
    std::optional<double> stdDev, stdDevPercent, ci95Low, ci95High;
};

struct HistoryPass {
    std::optional<double> fps;
    std::string reason;  // why a pass gave no figure
    std::string startedAt;                   // local time as startedAt of the run; "" in older files
    std::optional<double> durationSeconds;   // none in older files
};

struct HistoryResolution {
    std::string resolution;
    std::vector<HistoryPass> passes;
    bool stopped = false;
    std::optional<HistoryStatistics> statistics;
};

struct HistoryFact {
    std::string label, value;
};

// One run as its file tells it; every text is UTF-8.
struct HistoryRun {
    std::string file;  // the JSON file's name
    std::string version, startedAt, endedAt, report, note;
    std::string operatingSystem, processor, clock, memory, videoCard, driverVersion, displayMemory, soundSystem;
    std::vector<HistoryFact> facts;
    // The options, already in words.
    std::string demo, antialiasing, filtering, renderer, passes;
    bool hdr = false, warmUp = false;
    long long timeLimit = 0;
    std::vector<HistoryResolution> resolutions;
    // Keys of format 1.1; "" where a file (1.0, or a fact that could not be
    // had) does not say. Hashes are lower-case hex.
    std::string runId, utcOffset, programSha256, configurationSha256, demoSha256;
    std::string gameFileVersion, gameSha256;
};

struct SkippedResultFile {
    std::string file, reason;
};

// A file that is not JSON, not ours, of a newer format or not in the expected
// shape; what() says which, in words for the page.
class ResultFileRefused : public MelkrinError {
public:
    using MelkrinError::MelkrinError;
};

// Reads one result file; raises ResultFileRefused for one it cannot read.
HistoryRun parseResultFile(std::string_view text);

struct ResultFolder {
    std::vector<HistoryRun> runs;           // in the order listed
    std::vector<SkippedResultFile> skipped;  // by file name
};

// Every result_*.json of the folder, each read or left out with its reason
// (names as UTF-8). A folder that cannot be listed raises OsError.
ResultFolder readResultFolder(FileSystem& files, const std::string& resultsFolder);

}  // namespace melkrin
