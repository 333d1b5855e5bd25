#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/text.h"
#include "fake_platform.h"
#include "gameconfig/game_config_file.h"
#include "gameconfig/quality_settings.h"
#include "memory_file_system.h"
#include "common/debug_log.h"
#include "gameconfig/game_interface.h"

namespace melkrin {
namespace {

// The two configurations as the game gets them, each written out line by line
// as a file of its own. Line 146 holds the one-character password we chose, "x".
std::string fixture(const std::string& name) {
    std::ifstream in(std::string(MELKRIN_FIXTURES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Line by line first, so that a difference names its line; then every byte.
void expectSameFile(const std::string& actual, const std::string& expected) {
    const std::vector<std::string> got = splitLines(actual);
    const std::vector<std::string> want = splitLines(expected);
    EXPECT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < std::min(got.size(), want.size()); ++i)
        EXPECT_EQ(got[i], want[i]) << "line " << i + 1;
    EXPECT_EQ(actual, expected);
}

TEST(ConfigTemplatesTest, BothTemplatesAreTheirFilesByteForByte) {
    const struct {
        const char* fixture;
        const ConfigLines& lines;
    } cases[] = {{"benchmark_template.ini", benchmarkTemplate()}, {"default_template.ini", defaultTemplate()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        const std::string expected = fixture(c.fixture);
        ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 310) << "the fixture is missing";
        expectSameFile(toCrLfFile(c.lines), expected);
    }
}

struct ConfigFileFixture : ::testing::Test {
    testing::MemoryFileSystem files;
    testing::RecordingFileOp fileOp{files};
    DebugLog log{files, "C:\\Bench\\"};
    GameConfigFile config{files, fileOp, log};
    QualityLabels labels;
    const GameInstall game = deriveGameInstall("C:\\Games\\SS2\\Bin\\Sam2.exe", "C:\\Games\\SS2\\");
    const std::string ini = "C:\\Games\\SS2\\Content\\SeriousSam2\\Sam2.ini";
    const std::string backup = "C:\\Games\\SS2\\Content\\SeriousSam2\\Sam2_old.ini";
    const std::string userFile = "gfx_iAPI = 1;\r\nmy own\r\n";
    const QualityChoices choices{2, 3, false, Renderer::Direct3D};

    void SetUp() override { files.addFolder("C:\\Games\\SS2\\Content\\SeriousSam2"); }
    std::string benchmarkFile() const { return toCrLfFile(config.workingCopy()); }
    bool logged(const std::string& line) const {
        return std::find(log.lines().begin(), log.lines().end(), line) != log.lines().end();
    }
};

TEST_F(ConfigFileFixture, ReplaceLineComparesWholeLinesWithoutCase) {
    EXPECT_TRUE(config.contains("GFX_IANTIALIASING = 2;"));
    EXPECT_FALSE(config.contains("gfx_iAntiAliasing = 2 ;"));
    EXPECT_FALSE(config.contains("gfx_iAntiAliasing"));
    EXPECT_FALSE(config.replaceLine("gfx_iAntiAliasing = 2 ;", "x"));
    EXPECT_EQ(config.workingCopy(), benchmarkTemplate());

    EXPECT_TRUE(config.replaceLine("GFX_IANTIALIASING = 2;", "gfx_iAntiAliasing = 3;"));
    EXPECT_EQ(config.workingCopy()[49], "gfx_iAntiAliasing = 3;");
    EXPECT_EQ(config.workingCopy().size(), 310u);

    // Only the first of equal lines: line 20 is the first empty one, line 181 the next.
    EXPECT_TRUE(config.replaceLine("", "; first"));
    EXPECT_EQ(config.workingCopy()[19], "; first");
    EXPECT_EQ(config.workingCopy()[180], "");
}

// The benchmark file an earlier program run left, with other quality choices.
std::string interruptedRunsFile() {
    ConfigLines lines = benchmarkTemplate();
    lines[27] = "prf_bShowFPS = 1;";
    lines[28] = "gfx_iAPI = 1;";
    lines[39] = "tex_iAnisotropy = 16;";
    lines[49] = "gfx_iAntiAliasing = 0;";
    lines[50] = "gfx_bHDRRendering = 1;";
    return toCrLfFile(lines);
}

TEST_F(ConfigFileFixture, FileStatesThroughARun) {
    const std::string newUserFile = "made after the declined recovery\r\n";
    struct Case {
        const char* name;
        std::string ini;     // "Sam2.ini" before the run, none when empty
        bool staleBackup;    // "Sam2_old.ini" (the user's file) of an interrupted run present
        bool expectMove;
        std::string restored;  // "Sam2.ini" after the run
        bool backupLeft;       // an untouched backup stays for the start-up recovery
    } cases[] = {
        {"no configuration", "", false, false, toCrLfFile(defaultTemplate()), false},
        {"user configuration", userFile, false, true, userFile, false},
        {"interrupted run, recovery declined", interruptedRunsFile(), true, false, userFile, false},
        {"recovery declined, then a file of the user's own", newUserFile, true, true, newUserFile, false},
        {"backup only", "", true, false, toCrLfFile(defaultTemplate()), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::MemoryFileSystem files;
        files.addFolder("C:\\Games\\SS2\\Content\\SeriousSam2");
        testing::RecordingFileOp fileOp{files};
        DebugLog log{files, "C:\\Bench\\"};
        GameConfigFile config{files, fileOp, log};
        if (c.staleBackup) files.addFile(backup, userFile);
        if (!c.ini.empty()) files.addFile(ini, c.ini);

        config.prepare(game, choices, labels);
        EXPECT_EQ(files.content(ini), toCrLfFile(config.workingCopy()));
        EXPECT_EQ(fileOp.log.size(), c.expectMove ? 1u : 0u);
        if (c.expectMove) EXPECT_EQ(files.content(backup), c.ini);

        const std::size_t before = log.lines().size();
        config.restore(game);
        EXPECT_EQ(files.content(ini), c.restored);
        EXPECT_EQ(files.fileExists(backup), c.backupLeft);
        const bool moved = c.restored != toCrLfFile(defaultTemplate());
        const std::vector<std::string> added(log.lines().begin() + before, log.lines().end());
        EXPECT_EQ(added, moved ? std::vector<std::string>{"Settings restoring..."} : std::vector<std::string>{});

        // One restore per run: a second call changes nothing.
        files.addFile(ini, "after the run\r\n");
        config.restore(game);
        EXPECT_EQ(files.content(ini), "after the run\r\n");
    }
}

TEST(BenchmarkFileTest, OnlyTheTemplateApartFromTheQualityLinesCounts) {
    ConfigLines lines = benchmarkTemplate();
    EXPECT_TRUE(isBenchmarkFile(toCrLfFile(lines)));
    EXPECT_TRUE(isBenchmarkFile(interruptedRunsFile()));
    EXPECT_FALSE(isBenchmarkFile(toCrLfFile(defaultTemplate()))) << "line 170 differs";
    lines[30] = "gfx_bFullScreen = 0;";
    EXPECT_FALSE(isBenchmarkFile(toCrLfFile(lines))) << "a setting of the user's own";
    lines = benchmarkTemplate();
    lines.pop_back();
    EXPECT_FALSE(isBenchmarkFile(toCrLfFile(lines)));
    EXPECT_FALSE(isBenchmarkFile(""));
}

TEST_F(ConfigFileFixture, AfterACrashPutTheFilesBackTheRunsOwnEndLeavesThemAlone) {
    files.addFile(ini, userFile);
    config.prepare(game, choices, labels);
    ASSERT_TRUE(config.changes().backedUp);
    // What the crash handler does: the backup back by a plain rename.
    ASSERT_TRUE(files.moveFile(backup, ini));
    config.forgetChanges();
    EXPECT_FALSE(config.changes().any());
    config.restore(game);
    EXPECT_EQ(files.content(ini), userFile);
    EXPECT_FALSE(files.fileExists(backup));
}

TEST_F(ConfigFileFixture, WrittenFileIs310CrLfLinesWithoutByteOrderMark) {
    config.prepare(game, choices, labels);
    const std::string bytes = files.content(ini);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(bytes.substr(0, 8), "[Core]\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 29), "nam_fRenderGridHeight = 10;\r\n");
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 310);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 310);
    EXPECT_EQ(bytes.find("\n\n"), std::string::npos);  // no LF without its CR
}

TEST_F(ConfigFileFixture, TheFilesWrittenAreTheTemplatesWithOnlyTheSettingsLinesChanged) {
    // The template's own quality values: only the frame rate display changes.
    const QualityChoices asTemplate{2, 3, false, Renderer::Direct3D};
    config.prepare(game, asTemplate, labels);
    std::vector<std::string> expected = splitLines(fixture("benchmark_template.ini"));
    ASSERT_EQ(expected.size(), 310u);
    expected[28 - 1] = "prf_bShowFPS = 1;";
    expectSameFile(files.content(ini), toCrLfFile(expected));

    // Without a backup the end of the run leaves the default configuration.
    config.restore(game);
    expectSameFile(files.content(ini), fixture("default_template.ini"));
}

TEST_F(ConfigFileFixture, PrepareTwiceWithoutRestoreKeepsTheUsersBackup) {
    files.addFile(ini, userFile);
    config.prepare(game, choices, labels);
    // The program ends here; start-up recovery is declined; the next run begins.
    config.prepare(game, {0, 0, true, Renderer::OpenGL}, labels);
    EXPECT_EQ(files.content(backup), userFile);
    EXPECT_EQ(files.content(ini), benchmarkFile());
    config.restore(game);
    EXPECT_EQ(files.content(ini), userFile);
}

TEST_F(ConfigFileFixture, FailuresStopWithAMessageAndKeepTheBackup) {
    struct Case {
        const char* name;
        bool userIni, staleBackup;
        bool readOnlyIni, readOnlyBackup;
        bool inRestore;
        const char* messagePart;
    } cases[] = {
        // The write over the benchmark file of an interrupted run fails.
        {"read-only Sam2.ini beside a backup", true, true, true, false, false, "could not be written"},
        // The backup move fails: nothing may overwrite the user's only copy.
        {"backup cannot be made", true, false, false, true, false, "could not be backed up"},
        {"restore move fails", true, false, true, false, true, "could not be restored"},
        {"default template cannot be written", false, false, true, false, true, "could not be written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::MemoryFileSystem files;
        files.addFolder("C:\\Games\\SS2\\Content\\SeriousSam2");
        testing::RecordingFileOp fileOp{files};
        DebugLog log{files, "C:\\Bench\\"};
        GameConfigFile config{files, fileOp, log};
        if (c.staleBackup) files.addFile(backup, userFile);
        if (c.userIni) files.addFile(ini, c.staleBackup ? interruptedRunsFile() : userFile);
        if (c.inRestore) config.prepare(game, choices, labels);
        if (c.readOnlyIni) files.readOnly.insert(testing::MemoryFileSystem::norm(ini));
        if (c.readOnlyBackup) files.readOnly.insert(testing::MemoryFileSystem::norm(backup));

        try {
            c.inRestore ? config.restore(game) : config.prepare(game, choices, labels);
            ADD_FAILURE() << "no error";
        } catch (const MelkrinError& error) {
            EXPECT_NE(std::string(error.what()).find(c.messagePart), std::string::npos) << error.what();
            EXPECT_NE(std::string(error.what()).find("Sam2"), std::string::npos) << error.what();
        }
        const bool userHadFile = c.userIni || c.staleBackup;
        if (userHadFile) {
            // The user's file survives, as the backup or still in place.
            EXPECT_TRUE(files.content(backup) == userFile || files.content(ini) == userFile);
        }
        if (files.fileExists(backup)) {
            EXPECT_EQ(files.content(backup), userFile);
        }
    }
}

TEST_F(ConfigFileFixture, AnUnreadableSam2IniBesideABackupTouchesNeither) {
    files.addFile(backup, userFile);
    files.addFile(ini, "cannot tell whose\r\n");
    files.unreadable.insert(testing::MemoryFileSystem::norm(ini));
    try {
        config.prepare(game, choices, labels);
        FAIL() << "no error";
    } catch (const MelkrinError& error) {
        EXPECT_NE(std::string(error.what()).find("could not be read"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(fileOp.log.empty());
    EXPECT_EQ(files.content(backup), userFile);
    EXPECT_EQ(files.content(ini), "cannot tell whose\r\n");
    EXPECT_FALSE(config.changes().any());
}

TEST_F(ConfigFileFixture, FailedWriteAfterTheBackupNamesTheBackup) {
    files.addFile(ini, userFile);
    // The move succeeds, the write that follows does not.
    struct FailingWrites : testing::MemoryFileSystem {
        void writeFile(const std::string& path, std::string_view) override {
            throw OsError(32, "Cannot create file \"" + path + "\": The process cannot access the file");
        }
    } failing;
    failing.addFile(ini, userFile);
    testing::RecordingFileOp failingOp{failing};
    GameConfigFile failingConfig{failing, failingOp, log};
    try {
        failingConfig.prepare(game, choices, labels);
        FAIL() << "no error";
    } catch (const MelkrinError& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("The process cannot access the file."), std::string::npos) << text;
        EXPECT_NE(text.find("Sam2_old.ini"), std::string::npos) << text;
    }
    EXPECT_EQ(failing.content(backup), userFile);
    EXPECT_FALSE(failing.fileExists(ini));
}

}  // namespace
}  // namespace melkrin
