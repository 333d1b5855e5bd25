#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "fake_platform.h"
#include "gameconfig/demo_preparation.h"
#include "memory_file_system.h"
#include "gameconfig/game_interface.h"

namespace melkrin {
namespace {

const char* const kProgram = "C:\\Bench\\";
const char* const kDemos = "C:\\Games\\SS2\\Content\\SeriousSam2\\Demos\\";

struct DemoFixture : ::testing::Test {
    testing::MemoryFileSystem files;
    testing::RecordingFileOp fileOp{files};
    DemoPreparation demos{files, fileOp, kProgram};
    const GameInstall game = deriveGameInstall("C:\\Games\\SS2\\Bin\\Sam2.exe", "C:\\Games\\SS2\\");

    void SetUp() override {
        files.addFolder(kDemos);
        for (const char* name : {"Demo_0001.dem", "Demo_0002.dem", "Demo_0003.dem"})
            files.addFile(std::string(kProgram) + "Demos\\" + name, name);
        files.addFile("D:\\My Demos\\my best run.dem", "mine");
    }
};

TEST_F(DemoFixture, PreparesEachChoice) {
    struct Case {
        const char* name;
        std::optional<int> choice;
        const char* customPath;
        const char* alreadyThere;  // a file in the game's demo folder before the run
        DemoVerdict verdict;
        const char* demoFileName;  // after the preparation; "" = unchanged from empty
        std::vector<std::string> copies;
    } cases[] = {
        {"built-in", 2, "", nullptr, DemoVerdict::Ok, "Demo_0002.dem",
         {"copy C:\\Bench\\Demos\\Demo_0002.dem -> C:\\Games\\SS2\\Content\\SeriousSam2\\Demos\\Demo_0002.dem"}},
        {"built-in already present", 3, "", "Demo_0003.dem", DemoVerdict::Ok, "Demo_0003.dem", {}},
        {"user-defined with blanks", 4, "D:\\My Demos\\my best run.dem", nullptr, DemoVerdict::Ok,
         "my best run.dem",
         {"copy D:\\My Demos\\my best run.dem -> C:\\Games\\SS2\\Content\\SeriousSam2\\Demos\\my best run.dem"}},
        {"user-defined name already present", 4, "D:\\My Demos\\my best run.dem", "my best run.dem",
         DemoVerdict::Ok, "my best run.dem", {}},
        {"user-defined, empty path", 4, "", nullptr, DemoVerdict::CustomDemoUnusable, "", {}},
        {"user-defined, path ends in a separator", 4, "D:\\My Demos\\", nullptr, DemoVerdict::CustomDemoUnusable,
         "", {}},
        {"user-defined, folder gone", 4, "E:\\Gone\\old.dem", nullptr, DemoVerdict::CustomDemoUnusable, "old.dem",
         {"copy E:\\Gone\\old.dem -> C:\\Games\\SS2\\Content\\SeriousSam2\\Demos\\old.dem"}},
        {"no demo chosen", std::nullopt, "D:\\My Demos\\my best run.dem", nullptr, DemoVerdict::NoDemoChosen, "",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::MemoryFileSystem files = this->files;
        testing::RecordingFileOp fileOp{files};
        DemoPreparation demos{files, fileOp, kProgram};
        if (c.alreadyThere) files.addFile(std::string(kDemos) + c.alreadyThere, "already");

        EXPECT_EQ(demos.prepareDemo(game, {c.choice, c.customPath}), c.verdict);
        EXPECT_EQ(demos.demoFileName(), c.demoFileName);
        EXPECT_EQ(fileOp.log, c.copies);
        EXPECT_EQ(fileOp.progressTitle(), "Please wait...");
        if (c.alreadyThere) {
            EXPECT_EQ(files.content(std::string(kDemos) + c.alreadyThere), "already");
        }
        if (c.verdict == DemoVerdict::Ok) {
            EXPECT_TRUE(files.fileExists(std::string(kDemos) + c.demoFileName));
        }
    }
}

TEST_F(DemoFixture, DemoFileNameIsKeptWhenALaterRunIsRefusedBeforeNamingAFile) {
    ASSERT_EQ(demos.prepareDemo(game, {1, ""}), DemoVerdict::Ok);
    EXPECT_EQ(demos.prepareDemo(game, {4, ""}), DemoVerdict::CustomDemoUnusable);
    EXPECT_EQ(demos.demoFileName(), "Demo_0001.dem");
    EXPECT_EQ(demos.prepareDemo(game, {std::nullopt, ""}), DemoVerdict::NoDemoChosen);
    EXPECT_EQ(demos.demoFileName(), "Demo_0001.dem");
    EXPECT_EQ(demos.prepareDemo(game, {4, "D:\\My Demos\\my best run.dem"}), DemoVerdict::Ok);
    EXPECT_EQ(demos.demoFileName(), "my best run.dem");
}

TEST_F(DemoFixture, AMissingBuiltInDemoStillLetsTheRunGoOn) {
    files.files.erase(testing::MemoryFileSystem::norm(std::string(kProgram) + "Demos\\Demo_0001.dem"));
    EXPECT_EQ(demos.prepareDemo(game, {1, ""}), DemoVerdict::Ok);
    EXPECT_EQ(demos.demoFileName(), "Demo_0001.dem");
}

TEST(DemoRefusalTest, RefusalsAreRunRefusals) {
    EXPECT_EQ(demoRefusalMessage(DemoVerdict::CustomDemoUnusable),
              "ERROR. Please, check your custom defined demo parameters.");
    EXPECT_TRUE(startsWith(demoRefusalMessage(DemoVerdict::NoDemoChosen), "ERROR. Please, "));
    EXPECT_EQ(demoRefusalMessage(DemoVerdict::Ok), "");
}

TEST(DemoRefusalTest, FileNamePartTakesTheLastComponent) {
    EXPECT_EQ(fileNamePart("C:\\a b\\c d.dem"), "c d.dem");
    EXPECT_EQ(fileNamePart("C:/x/y.dem"), "y.dem");
    EXPECT_EQ(fileNamePart("plain.dem"), "plain.dem");
    EXPECT_EQ(fileNamePart("C:\\dir\\"), "");
}

}  // namespace
}  // namespace melkrin
