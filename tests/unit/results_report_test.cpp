#include <gtest/gtest.h>

#include "common/text.h"
#include "gameconfig/quality_settings.h"
#include "memory_file_system.h"
#include "run/results_report.h"
#include "run/run_log_lines.h"
#include "sysinfo/system_info.h"

namespace melkrin {
namespace {

SystemInfo machineWithBothAdapters() {
    SystemInfo info;
    info.operatingSystem = "Microsoft Windows XP";
    info.systemMemory = "512.00 MB ";
    info.cpuName = "  Test CPU 3000+";
    info.cpuSpeed = 1800;
    info.soundSystem = "Sound <Card>";
    info.displayMemory = " 256.0 MB";
    info.driverVersion = " 6.14";
    info.atiAdapter = {true, "Radeon X", "400,00 MHz", "350,00 MHz", "AGP 8x", "DDR"};
    info.classAdapter.present = true;
    info.classAdapter.driverDesc = "Class Adapter";
    info.classAdapter.gpuClock = "500 MHz";
    info.classAdapter.memoryClock = "600 MHz";
    return info;
}

TEST(ResultsReportTest, WholePageByteForByte) {
    ResultsReport report;
    report.header("www.velkora.com", "7/30/2006 2:05:09 PM", machineWithBothAdapters(), "fast <b>box</b>");
    QualityLabels labels{"Renderer: Direct3D", "Quality: Maximum", "Antialiasing: Low", "Anisotrophic filtering: 8\xD7",
                         "HDR rendering: Disabled"};
    report.slotBlock("Resolution: 800\xD7" "600", "Demo_0001.dem", labels, "45.67");
    report.closing();
    const std::vector<std::string> expected = {
        "<html>",
        "<head>",
        "<title>Melkrin - www.velkora.com</title>",
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
        "   <FONT size=2>The benchmark started at 7/30/2006 2:05:09 PM</FONT><br>",
        "<p align=\"left\"><span class=\"style4\">System Information<br></span>",
        "   <FONT size=2><b>Operating System:</b> Microsoft Windows XP</FONT><br>",
        "   <FONT size=2><b>System memory:</b> 512.00 MB </FONT><br>",
        "   <FONT size=2><b>CPU:</b>   Test CPU 3000+</FONT><br>",
        "   <FONT size=2><b>CPU speed:</b> 1800 MHz</FONT><br>",
        "   <FONT size=2><b>Sound system:</b> Sound <Card></FONT><br>",
        "   <align=\"left\"><span class=\"style4\">VGA Information</span><br>",
        "   <FONT size=2><b>Graphics card:</b> Radeon X</FONT><br>",
        "   <FONT size=2><b>Bustype:</b> AGP 8x</FONT><br>",
        "   <FONT size=2><b>Memory:</b>  256.0 MB</FONT><br>",
        "   <FONT size=2><b>Current VPU speed:</b> 400,00 MHz</FONT><br>",
        "   <FONT size=2><b>Current memory speed:</b> 350,00 MHz</FONT><br>",
        "   <FONT size=2><b>Driver version:</b>  6.14</FONT><br>",
        "   <align=\"left\"><span class=\"style4\">VGA Information</span><br>",
        "   <FONT size=2><b>Graphics card:</b> Class Adapter</FONT><br>",
        "   <FONT size=2><b>Memory:</b>  256.0 MB</FONT><br>",
        "   <FONT size=2><b>Current GPU speed:</b> 500 MHz</FONT><br>",
        "   <FONT size=2><b>Current memory speed:</b> 600 MHz</FONT><br>",
        "   <FONT size=2><b>Driver version:</b>  6.14</FONT><br>",
        "<FONT size=2><span class=\"style6\">Comment:</span> fast <b>box</b></FONT><br>",
        "<hr>",
        "<BR><B><FONT size=5>Resolution: 800\xD7" "600</FONT></B><BR>",
        "Demo: Demo_0001.dem<br>",
        "Renderer: Direct3D<br>",
        "Quality: Maximum<br>",
        "Antialiasing: Low<br>",
        "Anisotrophic filtering: 8\xD7<br>",
        "HDR rendering: Disabled<br>",
        "<span class=\"style5\"><b>Score = 45.67 FPS</b></span><br>",
        "<br><HR>",
        "<P></P>",
        "<CENTER>Made with Quorvane Melkrin</CENTER><BR></BODY></HTML>",
    };
    EXPECT_EQ(report.lines(), expected);

    testing::MemoryFileSystem files;
    files.addFolder("C:\\");
    files.addFolder("D:\\Results");
    EXPECT_EQ(report.save(files, "D:\\Results\\", "7_30_2006_2_05_09_PM"), "D:\\Results\\result_7_30_2006_2_05_09_PM.htm");
    EXPECT_EQ(files.content("D:\\Results\\result_7_30_2006_2_05_09_PM.htm"), toCrLfFile(expected));
    EXPECT_EQ(ResultsReport::filePath("C:\\", "s"), "C:\\result_s.htm");
    EXPECT_EQ(ResultsReport::filePath("D:\\Results", "s"), "D:\\Results\\result_s.htm");
    EXPECT_THROW(report.save(files, "E:\\Gone\\", "s"), OsError);
}

TEST(ResultsReportTest, OptionalLinesFollowTheirConditions) {
    SystemInfo info = machineWithBothAdapters();
    info.systemMemory.reset();
    info.atiAdapter.memoryType.clear();  // no memory type: no bus line either
    info.classAdapter.present = false;
    ResultsReport report;
    report.header("host", "now", info, "");
    const auto& lines = report.lines();
    const auto has = [&](const std::string& part) {
        for (const auto& line : lines)
            if (line.find(part) != std::string::npos) return true;
        return false;
    };
    EXPECT_FALSE(has("System memory"));
    EXPECT_FALSE(has("Bustype"));
    EXPECT_FALSE(has("Comment:"));
    EXPECT_FALSE(has("Current GPU speed"));
    EXPECT_TRUE(has("Current VPU speed"));
    EXPECT_EQ(lines.back(), "<hr>");
    EXPECT_EQ(lines[lines.size() - 2], "   <FONT size=2><b>Driver version:</b>  6.14</FONT><br>");

    // Neither adapter: adapter memory and driver appear nowhere.
    info.atiAdapter.present = false;
    report.header("host", "now", info, "note");
    EXPECT_FALSE(has("VGA Information"));
    EXPECT_FALSE(has("256.0 MB"));

    // A setting without a selection leaves its label empty: the line is "<br>" alone.
    report.slotBlock("h", "d.dem", QualityLabels{"Renderer: OpenGL", "Quality: Maximum", "", "", "HDR rendering: Enabled"},
                     "1");
    EXPECT_EQ(report.lines()[report.lines().size() - 5], "<br>");
    EXPECT_EQ(report.lines()[report.lines().size() - 4], "<br>");
}

TEST(ResultsReportTest, StampAndDebugBlocks) {
    EXPECT_EQ(runStamp("7/30/2006 2:05:09 PM"), "7_30_2006_2_05_09_PM");
    EXPECT_EQ(runStamp("30.07.2006 14:05:09"), "30_07_2006_14_05_09");
    EXPECT_EQ(runStamp("2006-07-30 14\\05"), "2006_07_30_14_05");

    const GameInstall game = deriveGameInstall("C:\\G\\Bin\\Sam2.exe", "C:\\G\\");
    const auto header = debugRunHeader("1.2", "C:\\Bench\\", "C:\\Bench\\Benchmark\\", game, false);
    EXPECT_EQ(header, (std::vector<std::string>{
                          std::string(50, '='), "Quorvane Melkrin debug", std::string(50, '='), "",
                          "Benchmark version: 1.2", "Bench Path: C:\\Bench\\", "Sam .exe Path: C:\\G\\Bin\\",
                          "Results Path: C:\\Bench\\Benchmark\\",
                          "Original Result Path: C:\\G\\Content\\SeriousSam2\\Config\\",
                          "Demos Path: C:\\G\\Content\\SeriousSam2\\Demos\\",
                          "Ini Path: C:\\G\\Content\\SeriousSam2\\", "",
                          "Collecting system information -------------------------"}))
        << "a build with the maker's key says nothing of its key";
    auto development = debugRunHeader("1.2", "C:\\Bench\\", "C:\\Bench\\Benchmark\\", game, true);
    ASSERT_EQ(development.size(), header.size() + 1);
    EXPECT_EQ(development[4], "Benchmark version: 1.2");
    EXPECT_EQ(development[5], "development build: trusts the test signing key");
    development.erase(development.begin() + 5);
    EXPECT_EQ(development, header);
    const auto machine = debugMachineLines(machineWithBothAdapters());
    EXPECT_EQ(machine, (std::vector<std::string>{
                           "System memory: 512.00 MB ", "CPU:   Test CPU 3000+", "CPU speed: 1800 MHz",
                           "Sound system: Sound <Card>", "Graphics card: Radeon X", "Bustype: AGP 8x",
                           "Memory:  256.0 MB", "Current VPU speed: 400,00 MHz",
                           "Current memory speed: 350,00 MHz", "Driver version:  6.14",
                           "Graphics card: Class Adapter", "Memory:  256.0 MB", "Current GPU speed: 500 MHz",
                           "Current memory speed: 600 MHz", "Driver version:  6.14"}));
}

}  // namespace
}  // namespace melkrin
