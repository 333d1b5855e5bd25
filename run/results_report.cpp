#include "run/results_report.h"

#include "common/file_system.h"
#include "common/text.h"
#include "gameconfig/quality_settings.h"
#include "run/html_writer.h"
#include "run/pass_statistics.h"
#include "run/result_files.h"
#include "sysinfo/system_info.h"

namespace melkrin {
namespace {

constexpr const char* kFooter = "Made with Quorvane Melkrin";

// The report's own words go in as text. Every value (the note, the machine's
// and the game's texts, figures and reasons) goes in as markup, as it always
// has: a note may carry markup on purpose, and a report must read the same
// bytes as its older ones.
std::string fontLine(const std::string& label, const std::string& value) {
    HtmlWriter line;
    line.markup("   <FONT size=2><b>").text(label).markup(":</b> ").markup(value).markup("</FONT><br>");
    return line.take();
}

std::string headingLine(const std::string& heading) {
    HtmlWriter line;
    line.markup("<BR><B><FONT size=5>").markup(heading).markup("</FONT></B><BR>");
    return line.take();
}

std::string demoLine(const std::string& demoFileName) {
    HtmlWriter line;
    line.text("Demo: ").markup(demoFileName).markup("<br>");
    return line.take();
}

std::string withBreak(const std::string& value) {
    HtmlWriter line;
    line.markup(value).markup("<br>");
    return line.take();
}

std::string scoreLine(const std::string& lead, const std::string& value) {
    HtmlWriter line;
    line.markup("<span class=\"style5\"><b>").text(lead).markup(value).markup("</b></span><br>");
    return line.take();
}

std::string percent(double value) { return formatFigure(value) + " %"; }

std::string plusMinus(double value) { return "\xB1" + percent(value); }

// Which rule ended "until stable", with the interval it stops on.
std::string stableText(const std::vector<PassOutcome>& passes) {
    std::vector<double> figures;
    for (const auto& pass : passes)
        if (pass.fps) figures.push_back(*pass.fps);
    const auto half = stableHalfWidthPercent(figures);
    const std::string reached = half ? " (" + plusMinus(*half) + ")" : std::string();
    const std::string target = plusMinus(PassPlan::kStablePercent);
    switch (stableStop(static_cast<int>(passes.size()), figures)) {
    case StableStop::IntervalReached: return "stable: the stop rule's interval reached " + target + reached;
    case StableStop::MostPasses:
        return "not stable: " + std::to_string(PassPlan::kMostPasses) +
               " passes without the stop rule's interval reaching " + target + reached;
    case StableStop::TooFewFigures: return "not stable: too few figures";
    case StableStop::EndedEarly: break;
    }
    return "not stable: the passes ended before the stop rule's interval reached " + target + reached;
}

}  // namespace

std::vector<std::string> passLines(const PassPlan& plan, const std::vector<PassOutcome>& passes,
                                   const PassStatistics& s) {
    std::string count = "Passes: " + std::to_string(passes.size());
    if (s.count != static_cast<int>(passes.size())) count += ", " + std::to_string(s.count) + " with a figure";
    if (plan.untilStable) count += ", " + stableText(passes);
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
    HtmlWriter title, started;
    title.markup("<title>").text("Melkrin - ").markup(makerAddress).markup("</title>");
    started.markup("   <FONT size=2>").text("The benchmark started at ").markup(startedAt).markup("</FONT><br>");
    lines_ = {
        "<html>",
        "<head>",
        title.take(),
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
        started.take(),
        "<p align=\"left\"><span class=\"style4\">System Information<br></span>",
        fontLine("Operating System", info.operatingSystem),
    };
    const MachineDescription description = describeMachine(info);
    for (const auto& fact : description.system) lines_.push_back(fontLine(fact.label, fact.value));
    for (const auto& block : description.adapters) {
        lines_.push_back("   <align=\"left\"><span class=\"style4\">VGA Information</span><br>");
        for (const auto& fact : block) lines_.push_back(fontLine(fact.label, fact.value));
    }
    if (!note.empty()) {
        HtmlWriter comment;
        comment.markup("<FONT size=2><span class=\"style6\">Comment:</span> ").markup(note).markup("</FONT><br>");
        lines_.push_back(comment.take());
    }
    lines_.push_back("<hr>");
}

void ResultsReport::slotBlock(const std::string& heading, const std::string& demoFileName,
                              const QualityLabels& labels, const std::string& figure) {
    lines_.push_back(headingLine(heading));
    lines_.push_back(demoLine(demoFileName));
    for (const auto* label : {&labels.rendererLabel, &labels.qualityLabel, &labels.aaLabel, &labels.afLabel,
                              &labels.hdrLabel})
        lines_.push_back(withBreak(*label));
    lines_.push_back(scoreLine("Score = ", figure + " FPS"));
    lines_.push_back("<br><HR>");
}

void ResultsReport::passesBlock(const std::string& heading, const std::string& demoFileName,
                                const QualityLabels& labels, const PassPlan& plan,
                                const std::vector<PassOutcome>& passes, const PassStatistics& statistics) {
    slotBlock(heading, demoFileName, labels, formatFigure(statistics.mean));
    lines_.pop_back();  // the block's rule comes after the passes
    for (const auto& line : passLines(plan, passes, statistics)) lines_.push_back(withBreak(line));
    lines_.push_back("<br><HR>");
}

void ResultsReport::stoppedBlock(const std::string& heading, const std::string& demoFileName,
                                 const std::string& reason) {
    lines_.push_back(headingLine(heading));
    lines_.push_back(demoLine(demoFileName));
    lines_.push_back(scoreLine("No score: ", reason));
    lines_.push_back("<br><HR>");
}

void ResultsReport::closing() {
    lines_.push_back("<P></P>");
    HtmlWriter footer;
    footer.markup("<CENTER>").text(kFooter).markup("</CENTER><BR></BODY></HTML>");
    lines_.push_back(footer.take());
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
