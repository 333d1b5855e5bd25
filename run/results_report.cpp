#include "run/results_report.h"

#include "common/file_system.h"
#include "common/text.h"
#include "gameconfig/quality_settings.h"
#include "run/pass_statistics.h"
#include "run/result_files.h"
#include "sysinfo/system_info.h"

namespace melkrin {
namespace {

constexpr const char* kFooter = "Made with Quorvane Melkrin";

std::string fontLine(const std::string& label, const std::string& value) {
    return "   <FONT size=2><b>" + label + ":</b> " + value + "</FONT><br>";
}

std::string percent(double value) { return formatFigure(value) + " %"; }

}  // namespace

std::vector<std::string> passLines(const PassPlan& plan, const std::vector<PassOutcome>& passes,
                                   const PassStatistics& s) {
    std::string count = "Passes: " + std::to_string(passes.size());
    if (s.count != static_cast<int>(passes.size())) count += ", " + std::to_string(s.count) + " with a figure";
    if (plan.untilStable) {
        const bool stable = s.count >= PassPlan::kLeastStablePasses && s.stdDevPercent &&
                            *s.stdDevPercent <= PassPlan::kStablePercent + 1e-9;
        count += stable ? ", stable (deviation at most " + percent(PassPlan::kStablePercent) + ")"
                        : ", not stable (deviation above " + percent(PassPlan::kStablePercent) + ")";
    }
    std::vector<std::string> lines{count};
    if (s.stdDev)
        lines.push_back("Standard deviation: " + formatFigure(*s.stdDev) + " FPS" +
                        (s.stdDevPercent ? " (" + percent(*s.stdDevPercent) + ")" : std::string()));
    if (s.ci95Low && s.ci95High)
        lines.push_back("95 % confidence interval: " + formatFigure(*s.ci95Low) + " to " + formatFigure(*s.ci95High) +
                        " FPS");
    lines.push_back("Minimum: " + formatFigure(s.min) + " FPS, maximum: " + formatFigure(s.max) + " FPS");
    std::string each = "Passes' figures: ";
    for (std::size_t i = 0; i < passes.size(); ++i) {
        if (i) each += ", ";
        each += passes[i].fps ? formatFigure(*passes[i].fps) : "none (" + passes[i].reason + ")";
    }
    lines.push_back(each + " FPS");
    return lines;
}

void ResultsReport::header(const std::string& makerAddress, const std::string& startedAt, const SystemInfo& info,
                           const std::string& note) {
    lines_ = {
        "<html>",
        "<head>",
        "<title>Melkrin - " + makerAddress + "</title>",
        "<style type=\"text/css\">",
        "<!--",
        ".style4 {",
        "\tcolor: #0066FF;",
        "\tfont-weight: bold;",
        "}",
        ".style5 {color: #990000}",
        ".style6 {color: #0066FF}",
        ".style7 {",
        "font-size: 36px;",
        "font-weight: bold;)",
        "}",
        "-->",
        "</style>",
        "</head>",
        "<body>",
        "<p align=\"center\" class=\"style7\">Melkrin</p><br>",
        "   <FONT size=2>The benchmark started at " + startedAt + "</FONT><br>",
        "<p align=\"left\"><span class=\"style4\">System Information<br></span>",
        fontLine("Operating System", info.operatingSystem),
    };
    const MachineDescription description = describeMachine(info);
    for (const auto& fact : description.system) lines_.push_back(fontLine(fact.label, fact.value));
    for (const auto& block : description.adapters) {
        lines_.push_back("   <align=\"left\"><span class=\"style4\">VGA Information</span><br>");
        for (const auto& fact : block) lines_.push_back(fontLine(fact.label, fact.value));
    }
    if (!note.empty())
        lines_.push_back("<FONT size=2><span class=\"style6\">Comment:</span> " + note + "</FONT><br>");
    lines_.push_back("<hr>");
}

void ResultsReport::slotBlock(const std::string& heading, const std::string& demoFileName,
                              const QualityLabels& labels, const std::string& figure) {
    lines_.push_back("<BR><B><FONT size=5>" + heading + "</FONT></B><BR>");
    lines_.push_back("Demo: " + demoFileName + "<br>");
    lines_.push_back(labels.rendererLabel + "<br>");
    lines_.push_back(labels.qualityLabel + "<br>");
    lines_.push_back(labels.aaLabel + "<br>");
    lines_.push_back(labels.afLabel + "<br>");
    lines_.push_back(labels.hdrLabel + "<br>");
    lines_.push_back("<span class=\"style5\"><b>Score = " + figure + " FPS</b></span><br>");
    lines_.push_back("<br><HR>");
}

void ResultsReport::passesBlock(const std::string& heading, const std::string& demoFileName,
                                const QualityLabels& labels, const PassPlan& plan,
                                const std::vector<PassOutcome>& passes, const PassStatistics& statistics) {
    slotBlock(heading, demoFileName, labels, formatFigure(statistics.mean));
    lines_.pop_back();  // the block's rule comes after the passes
    for (const auto& line : passLines(plan, passes, statistics)) lines_.push_back(line + "<br>");
    lines_.push_back("<br><HR>");
}

void ResultsReport::stoppedBlock(const std::string& heading, const std::string& demoFileName,
                                 const std::string& reason) {
    lines_.push_back("<BR><B><FONT size=5>" + heading + "</FONT></B><BR>");
    lines_.push_back("Demo: " + demoFileName + "<br>");
    lines_.push_back("<span class=\"style5\"><b>No score: " + reason + "</b></span><br>");
    lines_.push_back("<br><HR>");
}

void ResultsReport::closing() {
    lines_.push_back("<P></P>");
    lines_.push_back(std::string("<CENTER>") + kFooter + "</CENTER><BR></BODY></HTML>");
}

std::string ResultsReport::filePath(const std::string& resultsFolder, const std::string& stamp) {
    std::string folder = resultsFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder.push_back('\\');
    return folder + "result_" + stamp + ".htm";
}

std::string ResultsReport::save(FileSystem& files, const std::string& resultsFolder, const std::string& stamp) const {
    const std::string path = filePath(resultsFolder, stamp);
    files.writeFile(path, toCrLfFile(lines_));
    return path;
}

std::string runStamp(const std::string& dateTime) {
    std::string stamp = dateTime;
    for (char& c : stamp)
        if (c == ':' || c == '.' || c == '/' || c == '-' || c == '\\' || c == ' ') c = '_';
    return stamp;
}

}  // namespace melkrin
