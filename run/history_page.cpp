#include "run/history_page.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "common/file_system.h"
#include "common/text.h"
#include "run/history_chart.h"
#include "run/pass_statistics.h"
#include "run/html_writer.h"
#include "run/run_comparison.h"

namespace melkrin {
namespace {

using Json = nlohmann::json;

std::string when(const std::string& isoTime) {
    std::string shown = isoTime;
    if (shown.size() > 10 && shown[10] == 'T') shown[10] = ' ';
    return shown;
}

std::string passesWord(int count) { return count == 1 ? "1 pass" : std::to_string(count) + " passes"; }

std::string settingsText(const HistoryRun& run) {
    std::vector<std::string> parts;
    if (!run.antialiasing.empty()) parts.push_back("antialiasing " + run.antialiasing);
    if (!run.filtering.empty()) parts.push_back("filtering " + run.filtering);
    parts.push_back(run.hdr ? "HDR on" : "HDR off");
    if (!run.renderer.empty()) parts.push_back(run.renderer);
    if (run.passes == kUntilStable) parts.push_back(std::string("passes ") + kUntilStable);
    else parts.push_back(run.passes == "1" ? "1 pass" : run.passes + " passes");
    if (run.warmUp) parts.push_back("warm-up");
    if (run.timeLimit > 0) parts.push_back("time limit " + std::to_string(run.timeLimit) + " s");
    return joinLines(parts, ", ");
}

std::string resultText(const HistoryResolution& r) {
    if (!r.statistics) return r.stopped ? "stopped, no figure" : "no figure";
    const HistoryStatistics& s = *r.statistics;
    std::string shown = fixedFigure(s.mean, 1) + " FPS";
    if (s.stdDevPercent) shown += " \xC2\xB1 " + fixedFigure(*s.stdDevPercent, 1) + " %";
    if (s.count > 1) shown += " (" + passesWord(s.count) + ")";
    if (r.stopped) shown += ", stopped";
    return shown;
}

void runRow(HtmlWriter& page, const HistoryRun& run) {
    page.markup("<tr data-run=\"").text(run.file).markup("\">");
    page.markup("<td class=\"pick\"><label title=\"Compare as run A\">A <input type=\"radio\" name=\"a\" value=\"")
        .text(run.file)
        .markup("\"></label> <label title=\"Compare as run B\">B <input type=\"radio\" name=\"b\" value=\"")
        .text(run.file)
        .markup("\"></label></td>");
    page.markup("<td class=\"date\">").text(when(run.startedAt)).markup("</td>");
    page.markup("<td>").text(run.note).markup("</td>");
    page.markup("<td>").text(run.demo).markup("</td>");
    page.markup("<td>").text(settingsText(run)).markup("</td>");
    std::string factsTip;
    for (const auto& fact : run.facts) factsTip += fact.label + " " + fact.value + "\n";
    page.markup("<td class=\"machine\" title=\"").text(factsTip).markup("\">");
    std::vector<std::string> machine;
    if (!run.processor.empty()) machine.push_back(run.processor + (run.clock.empty() ? "" : " (" + run.clock + ")"));
    if (!run.videoCard.empty())
        machine.push_back(run.videoCard + (run.driverVersion.empty() ? "" : ", driver " + run.driverVersion));
    if (!run.memory.empty()) machine.push_back(run.memory);
    if (!run.operatingSystem.empty()) machine.push_back(run.operatingSystem);
    for (std::size_t i = 0; i < machine.size(); ++i) page.markup(i ? "<br>" : "").text(machine[i]);
    page.markup("</td><td class=\"results\">");
    for (std::size_t i = 0; i < run.resolutions.size(); ++i)
        page.markup(i ? "<br>" : "")
            .text(run.resolutions[i].resolution)
            .markup(": ")
            .text(resultText(run.resolutions[i]));
    page.markup("</td><td>");
    // Only a bare file name becomes a link: the report lies beside the JSON.
    if (!run.report.empty() && run.report.find_first_of("\\/:") == std::string::npos)
        page.markup("<a href=\"").text(run.report).markup("\">report</a>");
    page.markup("</td></tr>\n");
}

ChartPoint chartPoint(const HistoryRun& run, long long time, const HistoryStatistics& s) {
    std::string tip = when(run.startedAt);
    if (!run.utcOffset.empty()) tip += " " + run.utcOffset;
    if (!run.note.empty()) tip += " \xE2\x80\x94 " + run.note;
    tip += '\n';
    tip += fixedFigure(s.mean, 1) + " FPS";
    if (s.ci95Low) tip += ", 95 % interval " + fixedFigure(*s.ci95Low, 1) + " to " + fixedFigure(*s.ci95High, 1);
    tip += " (" + passesWord(s.count) + ")";
    if (!run.driverVersion.empty()) tip += "\nvideo driver " + run.driverVersion;
    return {run.file, tip, time, run.driverVersion, s.mean, s.ci95Low, s.ci95High};
}

// What tells a chart's lines apart: the parts of their newest runs' keys that
// are not the same in all of them.
std::vector<std::string> legends(const std::vector<const HistoryRun*>& newestOfLine) {
    std::vector<std::vector<KeyPart>> keys;
    for (const HistoryRun* run : newestOfLine) keys.push_back(comparisonKey(*run));
    std::vector<std::string> shown(keys.size());
    if (keys.empty()) return shown;
    for (std::size_t p = 0; p < keys[0].size(); ++p) {
        bool namesDiffer = false, filesDiffer = false;
        // A file known by its hash in one run only is no second file.
        for (const auto& key : keys) {
            namesDiffer = namesDiffer || key[p].shown != keys[0][p].shown;
            for (const auto& other : keys)
                filesDiffer = filesDiffer || (!key[p].exact.empty() && !other[p].exact.empty() &&
                                              key[p].exact != other[p].exact);
        }
        if (!namesDiffer && !filesDiffer) continue;
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const KeyPart& part = keys[i][p];
            std::string item = part.label + " " + (part.shown.empty() ? "not recorded" : part.shown);
            if (filesDiffer && !part.exact.empty()) item += " (SHA-256 " + part.exact.substr(0, 8) + "\xE2\x80\xA6)";
            shown[i] += (shown[i].empty() ? "" : ", ") + item;
        }
    }
    return shown;
}

// A run's start in seconds since 1970; runs whose start cannot be read sort
// as the oldest, by their text.
struct RunTime {
    std::optional<long long> seconds;
    const std::string* text;
    const std::string* file;
};

bool newerThan(const RunTime& a, const RunTime& b) {
    if (a.seconds.has_value() != b.seconds.has_value()) return a.seconds.has_value();
    if (a.seconds && *a.seconds != *b.seconds) return *a.seconds > *b.seconds;
    if (!a.seconds && *a.text != *b.text) return *a.text > *b.text;
    return *a.file > *b.file;
}

// What the comparison script needs, per run and resolution. "<" is written
// as \u003c so that no text of a file can end the script element.
std::string comparisonData(const std::vector<HistoryRun>& runs, const std::vector<int>& sets,
                           const std::optional<std::pair<std::size_t, std::size_t>>& defaultPair) {
    Json list = Json::array();
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const HistoryRun& run = runs[i];
        Json entry;
        entry["id"] = run.file;
        entry["label"] = when(run.startedAt) + (run.note.empty() ? "" : " \xE2\x80\x94 " + run.note);
        entry["set"] = sets[i];
        entry["driver"] = run.driverVersion;
        Json key = Json::array();
        for (const auto& part : comparisonKey(run)) {
            Json item;
            item["label"] = part.label;
            item["shown"] = part.shown;
            if (!part.exact.empty()) item["exact"] = part.exact;
            if (part.mayBeUnknown) item["mayBeUnknown"] = true;
            key.push_back(item);
        }
        entry["key"] = key;
        Json results = Json::array();
        for (const auto& r : run.resolutions) {
            Json result;
            result["resolution"] = r.resolution;
            // Every pass's figure: the comparison tests the two runs' passes.
            Json figures = Json::array();
            for (const auto& pass : r.passes)
                if (pass.fps) figures.push_back(*pass.fps);
            result["figures"] = figures;
            if (r.statistics) {
                result["n"] = r.statistics->count;
                result["mean"] = r.statistics->mean;
                if (r.statistics->ci95Low) {
                    result["low"] = *r.statistics->ci95Low;
                    result["high"] = *r.statistics->ci95High;
                }
            }
            results.push_back(result);
        }
        entry["results"] = results;
        list.push_back(entry);
    }
    Json data;
    data["runs"] = list;
    if (defaultPair) data["defaultPair"] = {{"a", runs[defaultPair->first].file}, {"b", runs[defaultPair->second].file}};
    return replaceAll(data.dump(-1, ' ', true, Json::error_handler_t::replace), "<", "\\u003c");
}

// The pair compared when the page opens, as (A, B) indices into the runs
// (newest first): the newest two comparable runs, else the newest two.
std::optional<std::pair<std::size_t, std::size_t>> defaultPair(const std::vector<HistoryRun>& runs,
                                                               const std::vector<int>& sets) {
    if (runs.size() < 2) return std::nullopt;
    for (std::size_t b = 0; b < runs.size(); ++b)
        for (std::size_t a = b + 1; a < runs.size(); ++a)
            if (sets[a] == sets[b]) {
                // A set holds together through what its runs told; two of
                // its runs may still differ where one of them is silent.
                if (keyDifferences(runs[a], runs[b]).empty()) return std::pair{a, b};
                break;
            }
    return std::pair<std::size_t, std::size_t>{1, 0};
}

void charts(HtmlWriter& page, const std::vector<HistoryRun>& runs, const std::vector<int>& sets,
            const std::vector<std::optional<long long>>& times) {
    page.markup("<p class=\"hint\">Per resolution, one line for each set of comparable runs (the same demo, settings, "
                "machine and game build), each run at the date it started. A bar shows the 95 % confidence interval "
                "of a run with more than one pass; a diamond on a line marks a change of the video driver between "
                "two of its runs.</p>\n");
    // Dates under the axis in the time zone of the newest run that names one.
    long long labelOffset = 0;
    for (const auto& run : runs)
        if (const auto offset = utcOffsetSeconds(run.utcOffset)) {
            labelOffset = *offset;
            break;
        }
    // Resolutions in the order they first appear, oldest run first; lines by set.
    std::vector<std::string> order;
    std::map<std::string, std::map<int, std::vector<std::size_t>>> byResolution;
    int undated = 0;
    for (std::size_t i = runs.size(); i-- > 0;) {
        if (!times[i]) {
            ++undated;
            continue;
        }
        for (const auto& r : runs[i].resolutions) {
            if (!r.statistics) continue;
            auto& lines = byResolution[r.resolution];
            if (lines.empty()) order.push_back(r.resolution);
            auto& line = lines[sets[i]];
            // A run that played one resolution twice is one point.
            if (line.empty() || line.back() != i) line.push_back(i);
        }
    }
    if (order.empty()) page.markup("<p>No figures to chart yet.</p>\n");
    for (const auto& resolution : order) {
        std::vector<ChartLine> lines;
        std::vector<const HistoryRun*> newest;
        for (const auto& [set, members] : byResolution[resolution]) {
            ChartLine line{set, {}, {}};
            for (const std::size_t i : members)
                for (const auto& r : runs[i].resolutions)
                    if (r.resolution == resolution && r.statistics) {
                        line.points.push_back(chartPoint(runs[i], *times[i], *r.statistics));
                        break;
                    }
            newest.push_back(&runs[members.back()]);
            lines.push_back(std::move(line));
        }
        const auto legend = legends(newest);
        for (std::size_t l = 0; l < lines.size(); ++l) lines[l].legend = legend[l];
        historyChart(page, resolution, lines, labelOffset);
    }
    if (undated > 0)
        page.markup("<p class=\"hint\">")
            .text(std::to_string(undated) + (undated == 1 ? " run has" : " runs have") +
                  " no start time that can be read and is not charted.")
            .markup("</p>\n");
}

}  // namespace

std::string historyPage(std::vector<HistoryRun> runs, const std::vector<SkippedResultFile>& skipped) {
    // Newest first by the time they started; the file name breaks ties so the
    // order never depends on the listing.
    {
        std::vector<std::pair<RunTime, std::size_t>> order;
        for (std::size_t i = 0; i < runs.size(); ++i)
            order.push_back({{startedAtSeconds(runs[i]), &runs[i].startedAt, &runs[i].file}, i});
        std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return newerThan(a.first, b.first); });
        std::vector<HistoryRun> sorted;
        sorted.reserve(runs.size());
        for (const auto& entry : order) sorted.push_back(std::move(runs[entry.second]));
        runs = std::move(sorted);
    }
    std::vector<std::optional<long long>> times;
    for (const auto& run : runs) times.push_back(startedAtSeconds(run));
    // Sets are formed oldest first, so a set's number follows its first run.
    std::vector<int> sets(runs.size());
    {
        const std::vector<HistoryRun> oldestFirst(runs.rbegin(), runs.rend());
        const auto oldestSets = comparableSets(oldestFirst);
        for (std::size_t i = 0; i < runs.size(); ++i) sets[i] = oldestSets[runs.size() - 1 - i];
    }
    HtmlWriter page;
    page.reserve(4096 + runs.size() * 2048);
    page.markup("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n");
    page.markup("<title>Melkrin benchmark history</title>\n");
    page.markup("<style>\n").markup(historyPageStyle()).markup("</style>\n");
    page.markup("</head>\n<body>\n<h1>Melkrin benchmark history</h1>\n");
    page.markup("<p class=\"hint\">")
        .text(std::to_string(runs.size()) + (runs.size() == 1 ? " run" : " runs") +
              " in this folder, newest first. Choose one run as A and another as B to compare them.")
        .markup("</p>\n");

    page.markup("<h2>Runs</h2>\n");
    if (runs.empty()) page.markup("<p id=\"no-runs\">No results in this folder yet: run a benchmark first.</p>\n");
    page.markup("<table id=\"runs\">\n<thead><tr><th>Compare</th><th>Date</th><th>Note</th><th>Demo</th>"
                "<th>Settings</th><th>Machine</th><th>Results</th><th>Report</th></tr></thead>\n<tbody>\n");
    for (const auto& run : runs) runRow(page, run);
    page.markup("</tbody>\n</table>\n");

    page.markup("<h2>Comparison</h2>\n<div id=\"comparison\"><p class=\"hint\">Choose two runs in the table: one as "
                "A, the other as B.</p></div>\n");

    page.markup("<h2>Results over time</h2>\n<div id=\"charts\">\n");
    charts(page, runs, sets, times);
    page.markup("</div>\n");

    if (!skipped.empty()) {
        page.markup("<h2>Files left out</h2>\n<ul id=\"skipped\">\n");
        for (const auto& file : skipped)
            page.markup("<li><b>").text(file.file).markup("</b>: ").text(file.reason).markup("</li>\n");
        page.markup("</ul>\n");
    }

    // The data is JSON with every "<" already written as \u003c (see comparisonData).
    page.markup("<script type=\"application/json\" id=\"history-data\">")
        .markup(comparisonData(runs, sets, defaultPair(runs, sets)))
        .markup("</script>\n");
    // Comparison of the two runs chosen in the table (radio buttons A and B);
    // "#compare=A,B" in the address chooses them when the page opens.
    page.markup("<script>\n").markup(historyStatsScript()).markup("</script>\n");
    page.markup("<script>\n").markup(historyPageScript()).markup("</script>\n");
    page.markup("</body>\n</html>\n");
    return page.take();
}

std::string historyFilePath(const std::string& resultsFolder) {
    std::string folder = resultsFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    return folder + kHistoryFileName;
}

HistoryCounts rebuildHistory(FileSystem& files, const std::string& resultsFolder) {
    ResultFolder read = readResultFolder(files, resultsFolder);
    const HistoryCounts counts{static_cast<int>(read.runs.size()), static_cast<int>(read.skipped.size())};
    files.writeFile(historyFilePath(resultsFolder), historyPage(std::move(read.runs), read.skipped));
    return counts;
}

}  // namespace melkrin
