#include <gtest/gtest.h>

#include "fake_process_runner.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"
#include "sysinfo/diagnostics.h"

namespace melkrin {
namespace {

using testing::FakeProcessRunner;
using testing::MemoryFileSystem;
using testing::MemoryKeyStore;

const std::optional<std::string> none;
std::optional<std::string> is(const char* text) { return text; }

// Laid out as the tool writes it: labels right-aligned by their indentation.
constexpr const char* kTwoAdapters =
    "------------------\r\n"
    "System Information\r\n"
    "------------------\r\n"
    "Operating System: Windows XP Professional\r\n"
    "     Description: not the sound device\r\n"
    "---------------\r\n"
    "Display Devices\r\n"
    "---------------\r\n"
    "        Card name: RADEON X800 XT\r\n"
    "   Display Memory: 256.0 MB\r\n"
    "   Driver Version: 6.14.0010.6476 (English)\r\n"
    "\r\n"
    "        Card name: Second adapter\r\n"
    "   Display Memory: 128.0 MB\r\n"
    "   Driver Version: 1.0.0.1\r\n"
    "-------------\r\n"
    "Sound Devices\r\n"
    "-------------\r\n"
    "            Description: Realtek HD Audio output\r\n"
    "            Description: Second sound device\r\n";

TEST(DiagnosticReportTest, TakesTheFirstAdapterAndTheSoundDeviceAfterIt) {
    const DiagnosticReport report = parseDiagnosticReport(kTwoAdapters);
    EXPECT_EQ(report.displayMemory, is(" 256.0 MB"));
    EXPECT_EQ(report.driverVersion, is(" 6.14.0010.6476 (English)"));
    EXPECT_EQ(report.soundSystem, is("Realtek HD Audio output"));
}

TEST(DiagnosticReportTest, PreparesEachLineAndCutsByPosition) {
    struct Case {
        const char* what;
        const char* text;
        std::optional<std::string> displayMemory;
    } cases[] = {
        {"indented label", "x\n      Display Memory: 64 MB", " 64 MB"},
        {"tabs count as blanks", "x\n\t\tDisplay Memory: 64 MB", " 64 MB"},
        {"letter case is ignored", "x\n   DISPLAY MEMORY: 64 MB", " 64 MB"},
        {"the text after the first = is matched", "x\nname=   Display Memory: 32 MB", " 32 MB"},
        {"a second = stays", "x\na=b=Display Memory: 32 MB", "y: 32 MB"},
        {"an = after the label hides it", "x\nDisplay Memory: 32 MB = total", none},
        {"a label inside the text: cut by position", "x\n  Total Display Memory: 8 MB", "emory: 8 MB"},
        {"nothing after the label", "x\n   Display Memory:", ""},
        {"first line: first character dropped, blanks kept", "  Display Memory: 64 MB", ": 64 MB"},
        {"first line: one blank", " Display Memory: 64 MB", " 64 MB"},
        {"first line without indentation loses the label's D", "Display Memory: 64 MB", none},
        {"empty lines are passed over", "\n\n\n   Display Memory: 1 MB\n", " 1 MB"},
        {"empty report", "", none},
    };
    for (const auto& c : cases) EXPECT_EQ(parseDiagnosticReport(c.text).displayMemory, c.displayMemory) << c.what;
}

TEST(DiagnosticReportTest, EachSearchStartsWhereThePreviousStopped) {
    // The driver version before the memory line is not taken.
    auto report = parseDiagnosticReport(
        "x\n  Driver Version: 0.1\n  Display Memory: 64 MB\n  Driver Version: 2.0\n  Description: : Card\n");
    EXPECT_EQ(report.driverVersion, is(" 2.0"));
    // Only the first ":" and the first blank after it are removed.
    EXPECT_EQ(report.soundSystem, is(": Card"));

    // One line holding two labels serves both searches, each value cut at
    // the same position.
    report = parseDiagnosticReport("x\n Display Memory: 64 MB Driver Version: 3.0\n  Description: Sound\n");
    EXPECT_EQ(report.displayMemory, is(" 64 MB Driver Version: 3.0"));
    EXPECT_EQ(report.driverVersion, is(" 64 MB Driver Version: 3.0"));
    EXPECT_EQ(report.soundSystem, is("Sound"));
}

TEST(DiagnosticReportTest, AMissingLabelEndsTheScan) {
    struct Case {
        const char* what;
        const char* text;
        std::optional<std::string> memory, driver, sound;
    } cases[] = {
        {"no sound section", "x\n  Display Memory: 64 MB\n  Driver Version: 1.0\n", " 64 MB", " 1.0", none},
        // The sound device after a missing driver version is not searched:
        // the list of lines is used up.
        {"no driver version", "x\n  Display Memory: 64 MB\n  Description: Sound\n", " 64 MB", none, none},
        {"no display section", "x\n  Driver Version: 1.0\n  Description: Sound\n", none, none, none},
        {"only the system section", "System Information\r\n  Operating System: Windows 7\r\n", none, none, none},
    };
    for (const auto& c : cases) {
        const auto report = parseDiagnosticReport(c.text);
        EXPECT_EQ(report.displayMemory, c.memory) << c.what;
        EXPECT_EQ(report.driverVersion, c.driver) << c.what;
        EXPECT_EQ(report.soundSystem, c.sound) << c.what;
    }
    const Diagnostics values = diagnosticsFrom(parseDiagnosticReport("x\n  Display Memory: \n"));
    EXPECT_EQ(values.displayMemory, " ");
    EXPECT_EQ(values.driverVersion, "indeterminable");
    EXPECT_EQ(values.soundSystem, "indeterminable");
}

class DiagnosticCollectorTest : public ::testing::Test {
protected:
    static constexpr const char* kSystem = "C:\\WINDOWS\\system32";
    static constexpr const char* kProgram = "C:\\Program Files\\Quorvane\\Melkrin\\";
    static constexpr const char* kReport = "C:\\Program Files\\Quorvane\\Melkrin\\dxinfo.txt";

    DiagnosticCollectorTest() {
        keys.addKey(names::kSettingsKey);
        files.addFile(std::string(kSystem) + "\\dxdiag.exe");
    }

    void collect() {
        collector.collectDiagnostics([this](const Diagnostics& values) { continued.push_back(values); });
    }
    std::optional<std::string> cached(const char* name) const { return keys.get(names::kSettingsKey, name); }

    FakeProcessRunner dxrun;
    MemoryFileSystem files;
    MemoryKeyStore keys;
    SettingsStore settings{keys};
    DiagnosticCollector collector{dxrun, files, settings, kSystem, kProgram};
    std::vector<Diagnostics> continued;
};

TEST_F(DiagnosticCollectorTest, RunsTheToolAndContinuesFromItsEnd) {
    collect();
    ASSERT_EQ(dxrun.starts.size(), 1u);
    EXPECT_EQ(dxrun.starts[0].commandLine,
              "C:\\WINDOWS\\system32\\dxdiag.exe /whql:on /t C:\\Program Files\\Quorvane\\Melkrin\\dxinfo.txt");
    EXPECT_EQ(dxrun.starts[0].currentDirectory, kSystem);
    EXPECT_TRUE(continued.empty()) << "the run waits for the tool";

    files.addFile(kReport, kTwoAdapters);
    dxrun.finish(1);  // the exit code is not examined
    ASSERT_EQ(continued.size(), 1u);
    EXPECT_EQ(continued[0].displayMemory, " 256.0 MB");
    EXPECT_EQ(continued[0].driverVersion, " 6.14.0010.6476 (English)");
    EXPECT_EQ(continued[0].soundSystem, "Realtek HD Audio output");
    EXPECT_EQ(collector.values().soundSystem, "Realtek HD Audio output");
    EXPECT_EQ(cached("Display Memory"), is(" 256.0 MB"));
    EXPECT_EQ(cached("Driver Version"), is(" 6.14.0010.6476 (English)"));
    EXPECT_EQ(cached("Sound"), is("Realtek HD Audio output"));
    EXPECT_FALSE(files.fileExists(kReport)) << "the report is deleted";

    // Another run starts the tool again.
    collect();
    EXPECT_EQ(dxrun.starts.size(), 2u);
}

TEST_F(DiagnosticCollectorTest, WithoutTheToolEverythingIsIndeterminableAtOnce) {
    files.files.clear();
    collect();
    EXPECT_TRUE(dxrun.starts.empty());
    ASSERT_EQ(continued.size(), 1u);
    EXPECT_EQ(continued[0].displayMemory, "indeterminable");
    EXPECT_EQ(continued[0].driverVersion, "indeterminable");
    EXPECT_EQ(continued[0].soundSystem, "indeterminable");
    EXPECT_TRUE(keys.writes.empty());
}

TEST_F(DiagnosticCollectorTest, CachesOnlyWhatWasFoundAndNotEmpty) {
    struct Case {
        const char* what;
        std::optional<std::string> report;  // none: the tool left no report
        std::vector<std::string> writes;
        const char* sound;
    } cases[] = {
        {"no report", none, {}, "indeterminable"},
        {"empty report", "", {}, "indeterminable"},
        {"empty memory value", "x\n   Display Memory:\n   Driver Version: 2\n   Description: Snd\n",
         {"Driver Version= 2", "Sound=Snd"}, "Snd"},
        {"sound missing", "x\n   Display Memory: 8 MB\n   Driver Version: 2\n",
         {"Display Memory= 8 MB", "Driver Version= 2"}, "indeterminable"},
    };
    for (const auto& c : cases) {
        keys.writes.clear();
        continued.clear();
        collect();
        if (c.report) files.addFile(kReport, *c.report);
        dxrun.finish();
        EXPECT_EQ(keys.writes, c.writes) << c.what;
        ASSERT_EQ(continued.size(), 1u) << c.what;
        EXPECT_EQ(continued[0].soundSystem, c.sound) << c.what;
        EXPECT_FALSE(files.fileExists(kReport)) << c.what;
    }
}

TEST_F(DiagnosticCollectorTest, AnUnreadableReportCountsAsMissing) {
    collect();
    files.addFile(kReport, kTwoAdapters);
    files.unreadable.insert(MemoryFileSystem::norm(kReport));
    dxrun.finish();
    ASSERT_EQ(continued.size(), 1u);
    EXPECT_EQ(continued[0].displayMemory, "indeterminable");
    EXPECT_TRUE(keys.writes.empty());
}

}  // namespace
}  // namespace melkrin
