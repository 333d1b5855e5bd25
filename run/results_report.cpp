#include "run/results_report.h"

#include "common/file_system.h"
#include "common/text.h"
#include "gameconfig/quality_settings.h"
#include "sysinfo/system_info.h"

namespace melkrin {
namespace {

constexpr const char* kFooter = "Made with Quorvane Melkrin";

std::string fontLine(const std::string& label, const std::string& value) {
    return "   <FONT size=2><b>" + label + ":</b> " + value + "</FONT><br>";
}

}  // namespace

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
    if (info.systemMemory) lines_.push_back(fontLine("System memory", *info.systemMemory));
    lines_.push_back(fontLine("CPU", info.cpuName));
    lines_.push_back("   <FONT size=2><b>CPU speed:</b> " + std::to_string(info.cpuSpeed) + " MHz</FONT><br>");
    lines_.push_back(fontLine("Sound system", info.soundSystem));
    const std::string vgaHeading = "   <align=\"left\"><span class=\"style4\">VGA Information</span><br>";
    if (info.atiAdapter.present) {
        const auto& ati = info.atiAdapter;
        lines_.push_back(vgaHeading);
        lines_.push_back(fontLine("Graphics card", ati.cardName));
        if (!ati.busType.empty() && !ati.memoryType.empty()) lines_.push_back(fontLine("Bustype", ati.busType));
        lines_.push_back(fontLine("Memory", info.displayMemory));
        lines_.push_back(fontLine("Current VPU speed", ati.coreClock));
        lines_.push_back(fontLine("Current memory speed", ati.memoryClock));
        lines_.push_back(fontLine("Driver version", info.driverVersion));
    }
    if (info.classAdapter.present) {
        const auto& adapter = info.classAdapter;
        lines_.push_back(vgaHeading);
        lines_.push_back(fontLine("Graphics card", adapter.driverDesc));
        lines_.push_back(fontLine("Memory", info.displayMemory));
        lines_.push_back(fontLine("Current GPU speed", adapter.gpuClock));
        lines_.push_back(fontLine("Current memory speed", adapter.memoryClock));
        lines_.push_back(fontLine("Driver version", info.driverVersion));
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
