#include "run/history_page.h"

#include <algorithm>
#include <map>
#include <nlohmann/json.hpp>

#include "common/file_system.h"
#include "common/text.h"
#include "run/history_chart.h"
#include "run/pass_statistics.h"
#include "run/html_writer.h"

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

ChartPoint chartPoint(const HistoryRun& run, const HistoryStatistics& s) {
    std::string tip = when(run.startedAt);
    if (!run.note.empty()) tip += " \xE2\x80\x94 " + run.note;
    tip += "\n" + fixedFigure(s.mean, 1) + " FPS";
    if (s.ci95Low) tip += ", 95 % interval " + fixedFigure(*s.ci95Low, 1) + " to " + fixedFigure(*s.ci95High, 1);
    tip += " (" + passesWord(s.count) + ")";
    return {run.file, run.startedAt.substr(0, 10), tip, s.mean, s.ci95Low, s.ci95High};
}

// What the comparison script needs, per run and resolution. "<" is written
// as \u003c so that no text of a file can end the script element.
std::string comparisonData(const std::vector<HistoryRun>& runs) {
    Json list = Json::array();
    for (const auto& run : runs) {
        Json entry;
        entry["id"] = run.file;
        entry["label"] = when(run.startedAt) + (run.note.empty() ? "" : " \xE2\x80\x94 " + run.note);
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
    return replaceAll(data.dump(-1, ' ', true, Json::error_handler_t::replace), "<", "\\u003c");
}

}  // namespace

std::string historyPage(std::vector<HistoryRun> runs, const std::vector<SkippedResultFile>& skipped) {
    // Newest first; the file name breaks ties so the order never depends on the listing.
    std::sort(runs.begin(), runs.end(), [](const HistoryRun& a, const HistoryRun& b) {
        return a.startedAt != b.startedAt ? a.startedAt > b.startedAt : a.file > b.file;
    });
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
    page.markup("<p class=\"hint\">Per resolution, the mean of every run from the oldest to the newest; a bar shows "
                "the 95 % confidence interval of a run with more than one pass.</p>\n");
    // Resolutions in the order they first appear, oldest run first.
    std::vector<std::string> order;
    std::map<std::string, std::vector<ChartPoint>> byResolution;
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        for (const auto& r : it->resolutions) {
            if (!r.statistics) continue;
            auto& points = byResolution[r.resolution];
            if (points.empty()) order.push_back(r.resolution);
            points.push_back(chartPoint(*it, *r.statistics));
        }
    if (order.empty()) page.markup("<p>No figures to chart yet.</p>\n");
    for (const auto& resolution : order) historyChart(page, resolution, byResolution[resolution]);
    page.markup("</div>\n");

    if (!skipped.empty()) {
        page.markup("<h2>Files left out</h2>\n<ul id=\"skipped\">\n");
        for (const auto& file : skipped)
            page.markup("<li><b>").text(file.file).markup("</b>: ").text(file.reason).markup("</li>\n");
        page.markup("</ul>\n");
    }

    // The data is JSON with every "<" already written as \u003c (see comparisonData).
    page.markup("<script type=\"application/json\" id=\"history-data\">")
        .markup(comparisonData(runs))
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
