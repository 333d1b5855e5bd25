#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/file_system_win32.h"
#include "common/shell_file_op_win32.h"
#include "common/text.h"
#include "gameconfig/demo_preparation.h"
#include "gameconfig/game_config_file.h"
#include "gameconfig/quality_settings.h"
#include "common/debug_log.h"
#include "gameconfig/game_interface.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using testing::readBytes;
using testing::writeBytes;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// A game tree below a folder with blanks, driven through the real file system and shell.
struct GameTreeFixture : ::testing::Test {
    testing::TempFolder temp;
    const std::string root = temp.path() + "Serious Sam 2\\";
    const GameInstall game = deriveGameInstall(root + "Bin\\Sam2.exe", root);
    Win32FileSystem files;
    Win32ShellFileOperation fileOp;
    DebugLog log{files, temp.path()};
    GameConfigFile config{files, fileOp, log};
    QualityLabels labels;
    const QualityChoices choices{1, 4, true, Renderer::OpenGL};
    // The user's own file: LF lines, no final line break, a byte above 127.
    const std::string userFile = "[Engine]\ngfx_iAPI = 1;\ngfx_pixResWidth = 1920; // 1920\xD7" "1080";

    void SetUp() override {
        for (const std::string& folder : {root, root + "Content\\", game.contentFolder, game.demosFolder})
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    }
    void TearDown() override {
        for (const std::string& file : {game.configFile(), game.configBackup()})
            SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    std::string benchmarkFile() const { return toCrLfFile(config.workingCopy()); }
};

TEST_F(GameTreeFixture, FileStatesOfARun) {
    const std::string interrupted = toCrLfFile(benchmarkTemplate());  // left by an interrupted run
    const std::string madeSince = "[Engine]\r\ngfx_iAPI = 2;\r\n";   // the user's, after a declined recovery
    struct Case {
        const char* name;
        std::optional<std::string> ini;     // "Sam2.ini" before the run
        std::optional<std::string> backup;  // "Sam2_old.ini" before the run
        std::optional<std::string> after;   // the user's file the run gives back; none: the default
    } cases[] = {
        {"no configuration", std::nullopt, std::nullopt, std::nullopt},
        {"user configuration", userFile, std::nullopt, userFile},
        {"stale backup of an interrupted run", interrupted, userFile, userFile},
        {"stale backup, then a file of the user's own", madeSince, userFile, madeSince},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(game.configFile().c_str());
        DeleteFileA(game.configBackup().c_str());
        if (c.ini) writeBytes(game.configFile(), *c.ini);
        if (c.backup) writeBytes(game.configBackup(), *c.backup);

        config.prepare(game, choices, labels);
        EXPECT_EQ(readBytes(game.configFile()), benchmarkFile());
        EXPECT_EQ(exists(game.configBackup()), c.after.has_value());
        if (c.after) {
            EXPECT_EQ(readBytes(game.configBackup()), *c.after);
        }

        config.restore(game);
        EXPECT_FALSE(exists(game.configBackup()));
        EXPECT_EQ(readBytes(game.configFile()), c.after.value_or(toCrLfFile(defaultTemplate())));
        EXPECT_EQ(filesIn(game.contentFolder), std::vector<std::string>{"Sam2.ini"});
    }
}

TEST_F(GameTreeFixture, TheBenchmarkFileIs310CrLfLinesWithoutByteOrderMark) {
    config.prepare(game, choices, labels);
    const std::string bytes = readBytes(game.configFile());
    EXPECT_EQ(bytes.substr(0, 8), "[Core]\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 29), "nam_fRenderGridHeight = 10;\r\n");
    EXPECT_EQ(splitLines(bytes).size(), 310u);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\n'), 310);
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), '\r'), 310);
    EXPECT_NE(bytes.find("\r\ngfx_iAPI = 1;\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\ntex_iAnisotropy = 16;\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\ngfx_iAntiAliasing = 1;\r\n"), std::string::npos);
}

TEST_F(GameTreeFixture, AnUnwritableSam2IniBesideABackupStopsTheRunAndKeepsBoth) {
    const std::string interrupted = toCrLfFile(benchmarkTemplate());  // the benchmark file of an interrupted run
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "held open by another program" : "read-only");
        writeBytes(game.configBackup(), userFile);
        writeBytes(game.configFile(), interrupted);
        HANDLE held = INVALID_HANDLE_VALUE;
        if (locked) {
            held = CreateFileA(game.configFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        } else {
            SetFileAttributesA(game.configFile().c_str(), FILE_ATTRIBUTE_READONLY);
        }
        try {
            config.prepare(game, choices, labels);
            ADD_FAILURE() << "no error";
        } catch (const MelkrinError& error) {
            EXPECT_NE(std::string(error.what()).find("Sam2_old.ini"), std::string::npos) << error.what();
        }
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        SetFileAttributesA(game.configFile().c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(readBytes(game.configBackup()), userFile);
        EXPECT_EQ(readBytes(game.configFile()), interrupted);
        // Nothing half-written is left beside them.
        std::vector<std::string> left = filesIn(game.contentFolder);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"Sam2.ini", "Sam2_old.ini"}));
    }
}

TEST_F(GameTreeFixture, AReadOnlyUserFileIsBackedUpAndComesBackUnchanged) {
    writeBytes(game.configFile(), userFile);
    SetFileAttributesA(game.configFile().c_str(), FILE_ATTRIBUTE_READONLY);
    config.prepare(game, choices, labels);
    EXPECT_EQ(readBytes(game.configBackup()), userFile);
    EXPECT_EQ(readBytes(game.configFile()), benchmarkFile());
    config.restore(game);
    EXPECT_EQ(readBytes(game.configFile()), userFile);
    EXPECT_FALSE(exists(game.configBackup()));
}

TEST_F(GameTreeFixture, RestoreWithoutBackupOverAReadOnlyFileStopsWithAMessage) {
    config.prepare(game, choices, labels);
    SetFileAttributesA(game.configFile().c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(config.restore(game), MelkrinError);
    EXPECT_EQ(readBytes(game.configFile()), benchmarkFile());
}

TEST_F(GameTreeFixture, DemosAreCopiedIntoTheGamesDemoFolder) {
    const std::string program = temp.path() + "Melkrin bench\\";
    ASSERT_TRUE(CreateDirectoryA(program.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((program + "Demos").c_str(), nullptr));
    writeBytes(program + "Demos\\Demo_0002.dem", "built-in demo two");
    const std::string mine = temp.path() + "my demos\\";
    ASSERT_TRUE(CreateDirectoryA(mine.c_str(), nullptr));
    writeBytes(mine + "my best run.dem", std::string("custom\0demo", 11));

    DemoPreparation demos{files, fileOp, program};
    EXPECT_EQ(demos.prepareDemo(game, {2, ""}), DemoVerdict::Ok);
    EXPECT_EQ(demos.demoFileName(), "Demo_0002.dem");
    EXPECT_EQ(readBytes(game.demosFolder + "Demo_0002.dem"), "built-in demo two");
    EXPECT_EQ(fileOp.progressTitle(), "Please wait...");

    EXPECT_EQ(demos.prepareDemo(game, {4, mine + "my best run.dem"}), DemoVerdict::Ok);
    EXPECT_EQ(demos.demoFileName(), "my best run.dem");
    EXPECT_EQ(readBytes(game.demosFolder + "my best run.dem"), std::string("custom\0demo", 11));
    EXPECT_TRUE(exists(mine + "my best run.dem"));  // copied, not moved

    // A file of that name in the game's folder is used as it is.
    writeBytes(mine + "my best run.dem", "changed");
    EXPECT_EQ(demos.prepareDemo(game, {4, mine + "my best run.dem"}), DemoVerdict::Ok);
    EXPECT_EQ(readBytes(game.demosFolder + "my best run.dem"), std::string("custom\0demo", 11));
}

TEST_F(GameTreeFixture, TheDebugLogReplacesItsFileOnEverySave) {
    writeBytes(log.path(), "previous program run\r\n");
    log.add("START SS2 in 800 \xD7 600");
    log.save();
    log.add("Serious Sam 2 terminated");
    log.save();
    EXPECT_EQ(readBytes(log.path()), "START SS2 in 800 \xD7 600\r\nSerious Sam 2 terminated\r\n");
}

}  // namespace
}  // namespace melkrin
