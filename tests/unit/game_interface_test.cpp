#include <gtest/gtest.h>

#include "app/display_modes.h"
#include "fake_platform.h"
#include "gameconfig/game_interface.h"

namespace melkrin {
namespace {

TEST(GameInterfaceTest, CleansUpRegistryPaths) {
    struct Case {
        const char* stored;
        const char* clean;
    } cases[] = {
        {"C:/Games/Serious Sam 2/", "C:\\Games\\Serious Sam 2\\"},
        {"$C:\\Games\\", "C:\\Games\\"},
        {"C:\\$Games$\\", "C:\\Games$\\"},  // only the first "$" goes
        {"$/a/$b", "\\a\\$b"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(cleanUpGamePath(c.stored), c.clean) << c.stored;
}

TEST(GameInterfaceTest, DerivesTheGameFoldersWithoutAddingSeparators) {
    const GameInstall game = deriveGameInstall("$C:/Games/SS2/Bin/Sam2.exe", "C:/Games/SS2/");
    EXPECT_EQ(game.gameExePath, "C:\\Games\\SS2\\Bin\\Sam2.exe");
    EXPECT_EQ(game.root, "C:\\Games\\SS2\\");
    EXPECT_EQ(game.binFolder, "C:\\Games\\SS2\\Bin\\");
    EXPECT_EQ(game.contentFolder, "C:\\Games\\SS2\\Content\\SeriousSam2\\");
    EXPECT_EQ(game.configFolder, "C:\\Games\\SS2\\Content\\SeriousSam2\\Config\\");
    EXPECT_EQ(game.demosFolder, "C:\\Games\\SS2\\Content\\SeriousSam2\\Demos\\");
    EXPECT_EQ(game.batchFile(), "C:\\Games\\SS2\\Bin\\melkrin.bat");
    EXPECT_EQ(game.logFile(), "C:\\Games\\SS2\\Sam2.log");

    // An empty root leaves relative folders.
    EXPECT_EQ(deriveGameInstall("", "").demosFolder, "Content\\SeriousSam2\\Demos\\");
}

TEST(DisplayModeListTest, KeepsDistinctSizesInPlatformOrder) {
    testing::FakeDisplayModes modes({{1024, 768}, {640, 480}, {1024, 768}, {1280, 1024}, {640, 480}, {800, 600}});
    const DisplayModeList list = buildDisplayModeList(modes);
    EXPECT_EQ(list, (DisplayModeList{"1024 x 768", "640 x 480", "1280 x 1024", "800 x 600"}));
    EXPECT_EQ(displayModeText(list), "1024 x 768\r\n640 x 480\r\n1280 x 1024\r\n800 x 600");

    testing::FakeDisplayModes none;
    EXPECT_TRUE(buildDisplayModeList(none).empty());
}

}  // namespace
}  // namespace melkrin
