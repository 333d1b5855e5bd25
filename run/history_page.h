#pragma once
// The history page of a results folder: every result_<stamp>.json there read
// back, a table of the runs, per resolution a chart of the results over time,
// and a comparison of two runs chosen on the page. Files that are not ours or
// cannot be read are left out and named on the page, never fatal.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/result_format.h"

namespace melkrin {

class FileSystem;

inline constexpr const char* kHistoryFileName = "history.htm";

struct HistoryStatistics {
    int count = 0;
    double mean = 0, min = 0, max = 0;
    std::optional<double> stdDev, stdDevPercent, ci95Low, ci95High;
};

struct HistoryPass {
    std::optional<double> fps;
    std::string reason;  // why a pass gave no figure
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
};

struct SkippedResultFile {
    std::string file, reason;
};

// Reads one result file. A file that is not JSON, not ours, of a newer
// format or not in the expected shape gives nullopt and *whyNot.
std::optional<HistoryRun> parseResultFile(std::string_view text, std::string* whyNot);

// The whole page (UTF-8). Runs in any order: the table shows the newest first,
// the charts run from the oldest to the newest.
std::string historyPage(std::vector<HistoryRun> runs, const std::vector<SkippedResultFile>& skipped);

struct HistoryCounts {
    int runs = 0;
    int skipped = 0;
};

// Lists result_*.json in the folder, builds the page and writes history.htm
// there (replacing it whole). False with *error when the folder cannot be
// listed or the page cannot be written; unreadable result files are skipped.
bool rebuildHistory(FileSystem& files, const std::string& resultsFolder, std::string* error,
                    HistoryCounts* counts = nullptr);

std::string historyFilePath(const std::string& resultsFolder);

// Text for the page: & < > " ' as entities.
std::string htmlEscape(std::string_view text);

}  // namespace melkrin
