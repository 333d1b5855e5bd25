#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_platform.h"
#include "gameconfig/game_config_file.h"
#include "gameconfig/quality_settings.h"
#include "memory_file_system.h"
#include "common/debug_log.h"

namespace melkrin {
namespace {

using Lines = std::vector<std::string>;

// A fresh working copy, as at the creation of the main window.
struct QualityFixture : ::testing::Test {
    testing::MemoryFileSystem files;
    testing::RecordingFileOp fileOp{files};
    DebugLog log{files, "C:\\Bench\\"};
    GameConfigFile config{files, fileOp, log};
    QualityLabels labels;

    Lines apply(const QualityChoices& choices) {
        const std::size_t before = log.lines().size();
        applyQualitySettings(config, choices, log, labels);
        return Lines(log.lines().begin() + before, log.lines().end());
    }
    // The five lines the settings edit: 28, 29, 40, 50, 51.
    Lines editedLines() const {
        const auto& copy = config.workingCopy();
        return {copy[27], copy[28], copy[39], copy[49], copy[50]};
    }
};

TEST_F(QualityFixture, FirstRunWritesLabelsLogBlockAndLines) {
    struct Case {
        QualityChoices choices;
        Lines edited;  // lines 28, 29, 40, 50, 51 afterwards
        Lines log;     // after the fixed head lines
        QualityLabels labels;
    } cases[] = {
        // The example block: the template already holds these values, yet every line is logged.
        {{2, 3, false, Renderer::Direct3D},
         {"prf_bShowFPS = 1;", "gfx_iAPI = 2;", "tex_iAnisotropy = 8;", "gfx_iAntiAliasing = 2;",
          "gfx_bHDRRendering = 0;"},
         {"Show FPS value: prf_bShowFPS = 1;", "HDR rendering: Disabled",
          "HDR rendering value: gfx_bHDRRendering = 0;", "Antialiasing: Medium",
          "Antialiasing value: gfx_iAntiAliasing = 2;", "Anisotrophic filtering: 8\xD7",
          "Anisotrophic value: tex_iAnisotropy = 8;", "Renderer: Direct3D", "Renderer value: gfx_iAPI = 2;"},
         {"Renderer: Direct3D", "Quality: Maximum", "Antialiasing: Medium", "Anisotrophic filtering: 8\xD7",
          "HDR rendering: Disabled"}},
        // Filtering 0 is the game's value 1, never 0.
        {{0, 0, true, Renderer::OpenGL},
         {"prf_bShowFPS = 1;", "gfx_iAPI = 1;", "tex_iAnisotropy = 1;", "gfx_iAntiAliasing = 0;",
          "gfx_bHDRRendering = 1;"},
         {"Show FPS value: prf_bShowFPS = 1;", "HDR rendering: Enabled",
          "HDR rendering value: gfx_bHDRRendering = 1;", "Antialiasing: None",
          "Antialiasing value: gfx_iAntiAliasing = 0;", "Anisotrophic filtering: None",
          "Anisotrophic value: tex_iAnisotropy = 1;", "Renderer: OpenGL", "Renderer value: gfx_iAPI = 1;"},
         {"Renderer: OpenGL", "Quality: Maximum", "Antialiasing: None", "Anisotrophic filtering: None",
          "HDR rendering: Enabled"}},
        {{3, 4, false, Renderer::OpenGL},
         {"prf_bShowFPS = 1;", "gfx_iAPI = 1;", "tex_iAnisotropy = 16;", "gfx_iAntiAliasing = 3;",
          "gfx_bHDRRendering = 0;"},
         {"Show FPS value: prf_bShowFPS = 1;", "HDR rendering: Disabled",
          "HDR rendering value: gfx_bHDRRendering = 0;", "Antialiasing: High",
          "Antialiasing value: gfx_iAntiAliasing = 3;", "Anisotrophic filtering: 16\xD7",
          "Anisotrophic value: tex_iAnisotropy = 16;", "Renderer: OpenGL", "Renderer value: gfx_iAPI = 1;"},
         {"Renderer: OpenGL", "Quality: Maximum", "Antialiasing: High", "Anisotrophic filtering: 16\xD7",
          "HDR rendering: Disabled"}},
        {{1, 1, true, Renderer::Direct3D},
         {"prf_bShowFPS = 1;", "gfx_iAPI = 2;", "tex_iAnisotropy = 2;", "gfx_iAntiAliasing = 1;",
          "gfx_bHDRRendering = 1;"},
         {"Show FPS value: prf_bShowFPS = 1;", "HDR rendering: Enabled",
          "HDR rendering value: gfx_bHDRRendering = 1;", "Antialiasing: Low",
          "Antialiasing value: gfx_iAntiAliasing = 1;", "Anisotrophic filtering: 2\xD7",
          "Anisotrophic value: tex_iAnisotropy = 2;", "Renderer: Direct3D", "Renderer value: gfx_iAPI = 2;"},
         {"Renderer: Direct3D", "Quality: Maximum", "Antialiasing: Low", "Anisotrophic filtering: 2\xD7",
          "HDR rendering: Enabled"}},
        // No selections: the template's antialiasing 2 and filtering 8 stay, no lines, no labels.
        {{std::nullopt, std::nullopt, true, Renderer::Direct3D},
         {"prf_bShowFPS = 1;", "gfx_iAPI = 2;", "tex_iAnisotropy = 8;", "gfx_iAntiAliasing = 2;",
          "gfx_bHDRRendering = 1;"},
         {"Show FPS value: prf_bShowFPS = 1;", "HDR rendering: Enabled",
          "HDR rendering value: gfx_bHDRRendering = 1;", "Renderer: Direct3D", "Renderer value: gfx_iAPI = 2;"},
         {"Renderer: Direct3D", "Quality: Maximum", "", "", "HDR rendering: Enabled"}},
    };
    for (const auto& c : cases) {
        testing::MemoryFileSystem files;
        testing::RecordingFileOp fileOp{files};
        DebugLog log{files, "C:\\Bench\\"};
        GameConfigFile config{files, fileOp, log};
        QualityLabels labels;
        applyQualitySettings(config, c.choices, log, labels);

        const auto& copy = config.workingCopy();
        EXPECT_EQ((Lines{copy[27], copy[28], copy[39], copy[49], copy[50]}), c.edited);
        Lines expectedLog = {"", "In-game settings -------------------------", "Quality: Maximum"};
        expectedLog.insert(expectedLog.end(), c.log.begin(), c.log.end());
        EXPECT_EQ(log.lines(), expectedLog);
        EXPECT_EQ(labels.rendererLabel, c.labels.rendererLabel);
        EXPECT_EQ(labels.qualityLabel, c.labels.qualityLabel);
        EXPECT_EQ(labels.aaLabel, c.labels.aaLabel);
        EXPECT_EQ(labels.afLabel, c.labels.afLabel);
        EXPECT_EQ(labels.hdrLabel, c.labels.hdrLabel);

        // Nothing but the five setting lines may change, and the count stays.
        ASSERT_EQ(copy.size(), 310u);
        for (std::size_t i = 0; i < copy.size(); ++i) {
            if (i == 27 || i == 28 || i == 39 || i == 49 || i == 50) continue;
            EXPECT_EQ(copy[i], benchmarkTemplate()[i]) << "line " << i + 1;
        }
    }
}

TEST_F(QualityFixture, SecondRunStartsFromTheFirstRunsEdits) {
    apply({1, 2, true, Renderer::Direct3D});
    const Lines second = apply({std::nullopt, std::nullopt, false, Renderer::OpenGL});

    // The frame-rate line is in place already; the renderer line left by the first run is found.
    EXPECT_EQ(second, (Lines{"", "In-game settings -------------------------", "Quality: Maximum",
                             "HDR rendering: Disabled", "HDR rendering value: gfx_bHDRRendering = 0;",
                             "Renderer: OpenGL", "Renderer value: gfx_iAPI = 1;"}));
    EXPECT_EQ(editedLines(), (Lines{"prf_bShowFPS = 1;", "gfx_iAPI = 1;", "tex_iAnisotropy = 4;",
                                    "gfx_iAntiAliasing = 1;", "gfx_bHDRRendering = 0;"}));
    // Without a selection the first run's labels stay.
    EXPECT_EQ(labels.aaLabel, "Antialiasing: Low");
    EXPECT_EQ(labels.afLabel, "Anisotrophic filtering: 4\xD7");
    EXPECT_EQ(labels.rendererLabel, "Renderer: OpenGL");
    EXPECT_EQ(labels.hdrLabel, "HDR rendering: Disabled");

    // Back to the template's values in a third run.
    apply({2, 3, false, Renderer::Direct3D});
    EXPECT_EQ(config.workingCopy(), [] {
        Lines lines = benchmarkTemplate();
        lines[27] = "prf_bShowFPS = 1;";
        return lines;
    }());
}

TEST_F(QualityFixture, EveryOtherValueIsReplacedNotOnlyTheFirstFound) {
    // A copy holding two filtering values and, in capitals, two renderer values.
    ASSERT_TRUE(config.replaceLine("tex_iFiltering = 22;", "tex_iAnisotropy = 2;"));
    ASSERT_TRUE(config.replaceLine("gfx_bFullScreen = 1;", "GFX_IAPI = 0;"));
    apply({std::nullopt, 4, false, Renderer::OpenGL});
    const auto& copy = config.workingCopy();
    EXPECT_EQ(copy[38], "tex_iAnisotropy = 16;");
    EXPECT_EQ(copy[39], "tex_iAnisotropy = 16;");
    EXPECT_EQ(copy[28], "gfx_iAPI = 1;");
    EXPECT_EQ(copy[29], "gfx_iAPI = 1;");
}

TEST_F(QualityFixture, ValuesOutsideTheTablesAndUnknownLevelsAreLeftAlone) {
    ASSERT_TRUE(config.replaceLine("gfx_iAntiAliasing = 2;", "gfx_iAntiAliasing = 7;"));
    ASSERT_TRUE(config.replaceLine("tex_iAnisotropy = 8;", "tex_iAnisotropy = 0;"));
    const Lines logged = apply({0, 0, false, Renderer::Direct3D});
    EXPECT_EQ(config.workingCopy()[49], "gfx_iAntiAliasing = 7;");
    EXPECT_EQ(config.workingCopy()[39], "tex_iAnisotropy = 0;");
    EXPECT_EQ(labels.aaLabel, "Antialiasing: None");  // the label and log follow the choice all the same
    EXPECT_NE(std::find(logged.begin(), logged.end(), "Anisotrophic value: tex_iAnisotropy = 1;"), logged.end());

    // A level beyond the lists counts as no selection.
    const Lines beyond = apply({4, 5, false, Renderer::Direct3D});
    EXPECT_EQ(beyond.size(), 7u);
    EXPECT_EQ(labels.aaLabel, "Antialiasing: None");
}

}  // namespace
}  // namespace melkrin
