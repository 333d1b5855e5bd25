#pragma once
// The history page of a results folder: every result_<stamp>.json there read
// back, a table of the runs, per resolution a chart of the results over time,
// and a comparison of two runs chosen on the page. Files that are not ours or
// cannot be read are left out and named on the page, never fatal.
#include <string>
#include <string_view>
#include <vector>

#include "run/result_reader.h"

namespace melkrin {

class FileSystem;

inline constexpr const char* kHistoryFileName = "history.htm";

// The whole page (UTF-8). Runs in any order: the table shows the newest first,
// the charts run from the oldest to the newest.
std::string historyPage(std::vector<HistoryRun> runs, const std::vector<SkippedResultFile>& skipped);

struct HistoryCounts {
    int runs = 0;
    int skipped = 0;
};

// Lists result_*.json in the folder, builds the page and writes history.htm
// there (replacing it whole). A folder that cannot be listed or a page that
// cannot be written raises OsError; unreadable result files are skipped.
HistoryCounts rebuildHistory(FileSystem& files, const std::string& resultsFolder);

std::string historyFilePath(const std::string& resultsFolder);

// The page's style sheet and scripts as run/history_page.css,
// run/history_page.js and run/history_stats.js (the comparison's statistics)
// hold them, byte for byte (the build embeds the files).
std::string_view historyPageStyle();
std::string_view historyPageScript();
std::string_view historyStatsScript();

}  // namespace melkrin
