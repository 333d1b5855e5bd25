#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crash/crash_hooks.h"
#include "crash/crash_report.h"
#include "crash/crash_restore.h"
#include "common/text.h"
#include "gameconfig/config_templates.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "gameconfig/game_interface.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"

namespace melkrin::crash {
namespace {

TEST(CrashReportTest, ExceptionsInWords) {
    struct Case {
        std::uint32_t code;
        std::vector<std::uint64_t> information;
        const char* expected;
    } cases[] = {
        {0xC0000005u, {0, 0x10}, "access violation (0xC0000005) reading address 0x0000000000000010"},
        {0xC0000005u, {1, 0xDEADBEEF}, "access violation (0xC0000005) writing address 0x00000000DEADBEEF"},
        {0xC0000005u, {8, 0x10}, "access violation (0xC0000005) executing address 0x0000000000000010"},
        {0xC0000005u, {}, "access violation (0xC0000005)"},
        {0xC00000FDu, {}, "stack overflow (0xC00000FD)"},
        {0xC0000094u, {}, "integer division by zero (0xC0000094)"},
        {0x20474343u, {0x1234}, "C++ exception (0x20474343)"},
        {0x12345678u, {}, "unknown exception (0x12345678)"},
    };
    for (const auto& c : cases) EXPECT_EQ(describeException(c.code, c.information), c.expected);
}

TEST(CrashReportTest, LastLinesOfTheDebugLog) {
    EXPECT_EQ(lastLines("", 3), std::vector<std::string>{});
    EXPECT_EQ(lastLines("a\r\nb\r\nc\r\nd\r\n", 2), (std::vector<std::string>{"c", "d"}));
    // A last line without its break counts; mixed breaks and empty lines are lines.
    EXPECT_EQ(lastLines("a\nb\r\rc", 5), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(lastLines("one\r\n", 40), std::vector<std::string>{"one"});
}

TEST(CrashReportTest, FileStemSortsByTime) {
    EXPECT_EQ(crashFileStem(2026, 3, 7, 9, 5, 1), "crash_2026-03-07_09-05-01");
    EXPECT_LT(crashFileStem(2026, 3, 7, 9, 5, 1), crashFileStem(2026, 3, 7, 10, 0, 0));
}

TEST(CrashReportTest, ReportNamesVersionWindowsExceptionConfigurationDumpAndDebugLog) {
    CrashFacts facts;
    facts.programVersion = "1.2";
    facts.buildVersion = "1.2";
    facts.windowsVersion = "Windows 10.0 build 19045, 64-bit";
    facts.time = "2026-03-07 09:05:01";
    facts.exception = "access violation (0xC0000005) reading address 0x0000000000000010";
    facts.address = "0x00007FF612341234 (melkrin.exe+0x0000000000001234)";
    facts.thread = "42 (the window's thread)";
    facts.config = ConfigOutcome::Restored;
    facts.dumpFile = "crash_2026-03-07_09-05-01.dmp";
    facts.debugLogTail = {"START SS2 in 640 \xD7 480", ""};
    const std::vector<std::string> expected = {
        "Melkrin crash report",
        "",
        "Program version: 1.2 (built as 1.2)",
        "Windows: Windows 10.0 build 19045, 64-bit",
        "Time: 2026-03-07 09:05:01",
        "Exception: access violation (0xC0000005) reading address 0x0000000000000010",
        "Address: 0x00007FF612341234 (melkrin.exe+0x0000000000001234)",
        "Thread: 42 (the window's thread)",
        "Game configuration: A benchmark was running: your own game configuration (Sam2.ini) has been put back.",
        "Minidump: crash_2026-03-07_09-05-01.dmp",
        "",
        "Last lines of the debug log (debuginfo.txt):",
        "  START SS2 in 640 \xD7 480",
        "  ",
    };
    EXPECT_EQ(crashReportLines(facts), expected);

    // Before start-up set a version, without a dump and with no debug log yet.
    facts.programVersion.clear();
    facts.dumpFile.clear();
    facts.debugLogTail.clear();
    facts.config = ConfigOutcome::NoRun;
    const auto lines = crashReportLines(facts);
    EXPECT_EQ(lines[2], "Program version: (not set) (built as 1.2)");
    EXPECT_EQ(lines[8], "Game configuration: No benchmark was running; the game's configuration was not touched.");
    EXPECT_EQ(lines[9], "Minidump: (could not be written)");
    EXPECT_EQ(lines.back(), "Debug log: (empty or not written yet)");
}

TEST(CrashReportTest, DialogSaysWhereTheFilesAreAndWhatToSend) {
    const std::string withDump =
        crashDialogText(ConfigOutcome::KeptForStartup, "C:\\Users\\u\\AppData\\Local\\Quorvane\\Melkrin\\Crash reports\\",
                        "crash_1.txt", "crash_1.dmp", "", "stack overflow (0xC00000FD)", "www.example.com");
    EXPECT_EQ(withDump,
              "Melkrin has stopped because of an unexpected error (stack overflow (0xC00000FD)).\r\n\r\n"
              "A benchmark was running. Your own game configuration is kept as Sam2_old.ini; the next start of "
              "Melkrin offers to put it back.\r\n\r\n"
              "A crash report was written to the folder\r\n"
              "C:\\Users\\u\\AppData\\Local\\Quorvane\\Melkrin\\Crash reports\\\r\n\r\n"
              "Please send the two files\r\ncrash_1.txt\r\ncrash_1.dmp\r\n"
              "to the maker (www.example.com), with a few words about what you were doing.");

    const std::string noDump = crashDialogText(ConfigOutcome::NoRun, "C:\\T\\", "crash_1.txt", "", "", "x", "m");
    EXPECT_NE(noDump.find("Please send the file\r\ncrash_1.txt\r\nto the maker (m)"), std::string::npos);

    const std::string failed =
        crashDialogText(ConfigOutcome::Restored, "C:\\T\\", "crash_1.txt", "", "\"C:\\T\\crash_1.txt\": Access is denied (5)",
                        "x", "m");
    EXPECT_NE(failed.find("No crash report could be written: \"C:\\T\\crash_1.txt\": Access is denied (5)"),
              std::string::npos);
    EXPECT_EQ(failed.find("Please send"), std::string::npos);
}

struct CrashRestoreFixture : ::testing::Test {
    melkrin::testing::MemoryFileSystem files;
    melkrin::testing::MemoryKeyStore keys;
    SettingsStore settings{keys};
    const GameInstall game = deriveGameInstall("C:\\Games\\SS2\\Bin\\Sam2.exe", "C:\\Games\\SS2\\");
    const std::string ini = "C:\\Games\\SS2\\Content\\SeriousSam2\\Sam2.ini";
    const std::string backup = "C:\\Games\\SS2\\Content\\SeriousSam2\\Sam2_old.ini";

    void SetUp() override {
        files.addFolder("C:\\Games\\SS2\\Content\\SeriousSam2");
        keys.set(names::kSettingsKey, names::kRunMarker, "1");
    }
    std::string marker() const { return keys.get(names::kSettingsKey, names::kRunMarker).value_or("(none)"); }
};

TEST_F(CrashRestoreFixture, PutsBackOnlyWhatThisRunChanged) {
    const std::string defaults = toCrLfFile(defaultTemplate());
    struct Case {
        const char* name;
        bool backup;
        bool ours;
        bool written;
        bool iniReadOnly;
        bool markerFails;
        ConfigOutcome outcome;
        std::string iniAfter;
        bool backupAfter;
        const char* markerAfter;
    } cases[] = {
        {"this run's backup", true, true, true, false, false, ConfigOutcome::Restored, "user", false, "0"},
        {"older backup stays for start-up", true, false, true, false, false, ConfigOutcome::KeptForStartup, "bench",
         true, "1"},
        {"nothing changed yet", false, false, false, false, false, ConfigOutcome::NothingToDo, "bench", false, "0"},
        {"user had no file", false, false, true, false, false, ConfigOutcome::DefaultWritten, defaults, false, "0"},
        {"user had no file, default not writable", false, false, true, true, false, ConfigOutcome::DefaultFailed,
         "bench", false, "0"},
        {"move refused", true, true, true, true, false, ConfigOutcome::RestoreFailed, "bench", true, "1"},
        {"marker not writable", true, true, true, false, true, ConfigOutcome::RestoreFailed, "user", false, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        files.files.clear();
        files.readOnly.clear();
        keys.failingWrites.clear();
        files.addFile(ini, "bench");
        if (c.backup) files.addFile(backup, "user");
        if (c.iniReadOnly) files.readOnly.insert(melkrin::testing::MemoryFileSystem::norm(ini));
        if (c.markerFails) keys.failingWrites.insert(names::kRunMarker);

        EXPECT_EQ(restoreAfterCrash(files, settings, game, c.ours, c.written), c.outcome);
        EXPECT_EQ(files.content(ini), c.iniAfter);
        EXPECT_EQ(files.fileExists(backup), c.backupAfter);
        EXPECT_EQ(marker(), c.markerAfter);
    }
}

TEST(CrashHooksTest, RestoreHookRunsOnceAndOnlyWhileRegistered) {
    EXPECT_EQ(runConfigRestore(), ConfigOutcome::NoRun);
    int calls = 0;
    setConfigRestore([&calls] {
        ++calls;
        return ConfigOutcome::Restored;
    });
    EXPECT_EQ(runConfigRestore(), ConfigOutcome::Restored);
    // A second crash while the first is being reported must not run it again.
    EXPECT_EQ(runConfigRestore(), ConfigOutcome::NoRun);
    setConfigRestore([&calls] {
        ++calls;
        return ConfigOutcome::Restored;
    });
    clearConfigRestore();
    EXPECT_EQ(runConfigRestore(), ConfigOutcome::NoRun);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace melkrin::crash
