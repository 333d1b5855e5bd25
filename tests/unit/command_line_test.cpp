// melkrin.exe's command line: a table of good and bad arguments, and the run
// view that lays the given options over the window's.
#include <gtest/gtest.h>

#include "app/command_line.h"
#include "app/main_run_view.h"
#include "run/resolution_slot.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"
#include "settings/settings_store.h"
#include "state_view.h"

namespace melkrin {
namespace {

using Action = CommandLine::Action;
using Args = std::vector<std::string>;

TEST(CommandLineTest, GoodArguments) {
    const struct Case {
        Args args;
        Action action;
        std::function<void(const CommandLine&)> check;
    } cases[] = {
        {{}, Action::Window, [](const CommandLine& c) { EXPECT_FALSE(c.afterUpgrade); }},
        {{"/afterupgrade"}, Action::Window, [](const CommandLine& c) { EXPECT_TRUE(c.afterUpgrade); }},
        // The restart argument with its method digit, or with anything after it, still just opens the window.
        {{"/afterupgrade1", "/bogus"}, Action::Window, [](const CommandLine& c) { EXPECT_TRUE(c.afterUpgrade); }},
        {{"/?"}, Action::Usage, [](const CommandLine& c) { EXPECT_FALSE(c.quiet); }},
        // Quiet wherever it stands, also for the usage and a refusal: no box then.
        {{"/?", "/QUIET"}, Action::Usage, [](const CommandLine& c) { EXPECT_TRUE(c.quiet); }},
        {{"/run", "/json:-"}, Action::Run, [](const CommandLine& c) { EXPECT_EQ(c.run.jsonPath, kJsonToStandardOutput); }},
        {{"/run", "/res:oops", "-?"}, Action::Usage, nullptr},
        {{"/run"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_FALSE(c.quiet);
             EXPECT_FALSE(c.run.fixedSlots) << "the stored resolutions";
             EXPECT_TRUE(c.run.jsonPath.empty());
         }},
        {{"/RUN", "/Quiet", "/RES:800x600,640X480, 1280 x 720"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_TRUE(c.quiet);
             EXPECT_EQ(c.run.fixedSlots, (std::vector<int>{0, 1}));
             ASSERT_TRUE(c.run.customSize);
             EXPECT_EQ(c.run.customSize->first, "1280");
             EXPECT_EQ(c.run.customSize->second, "720");
         }},
        {{"/run", "/res:1920x1200,1280x768"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_EQ(c.run.fixedSlots, (std::vector<int>{6, 8}));
             EXPECT_FALSE(c.run.customSize);
         }},
        {{"/run", "/demo:2", "/aa:High", "/af:16x", "/hdr:off", "/renderer:OpenGL", "/timelimit:0"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_EQ(c.run.demoNumber, 2);
             EXPECT_FALSE(c.run.demoFile);
             EXPECT_EQ(c.run.aaLevel, 3);
             EXPECT_EQ(c.run.afLevel, 4);
             EXPECT_EQ(c.run.hdr, false);
             EXPECT_EQ(c.run.renderer, Renderer::OpenGL);
             EXPECT_EQ(c.run.gameTimeLimit, 0u);
         }},
        {{"/run", "/demo:C:\\My Demos\\fast.dem", "/results:C:\\Out", "/json:C:\\Out\\r.json",
          "/note:driver 1.2 \xD7 clock +5%"},
         Action::Run,
         [](const CommandLine& c) {
             EXPECT_EQ(c.run.demoFile, "C:\\My Demos\\fast.dem");
             EXPECT_EQ(c.run.resultsFolder, "C:\\Out\\") << "a folder ends in its separator";
             EXPECT_EQ(c.run.jsonPath, "C:\\Out\\r.json");
             EXPECT_EQ(c.run.note, "driver 1.2 \xD7 clock +5%");
         }},
        {{"/run", "/note:"}, Action::Run, [](const CommandLine& c) { EXPECT_EQ(c.run.note, ""); }},
        {{"/run"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_FALSE(c.run.passes) << "the stored passes";
             EXPECT_FALSE(c.run.warmUp) << "the stored warm-up";
         }},
        {{"/run", "/passes:10", "/warmup"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_EQ(c.run.passes, "10");
             EXPECT_EQ(c.run.warmUp, true);
         }},
        {{"/run", "/Passes:Stable", "/WarmUp:off"}, Action::Run,
         [](const CommandLine& c) {
             EXPECT_EQ(c.run.passes, "until stable");
             EXPECT_EQ(c.run.warmUp, false);
         }},
        {{"/run", "/passes:1"}, Action::Run, [](const CommandLine& c) { EXPECT_EQ(c.run.passes, "1"); }},
        {{"/run", "/note:" + std::string(50, 'n')}, Action::Run, nullptr},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        const CommandLine line = parseCommandLine(c.args);
        EXPECT_EQ(line.action, c.action) << line.error;
        EXPECT_TRUE(line.error.empty());
        if (c.check) c.check(line);
    }
}

TEST(CommandLineTest, BadArgumentsAreRefusedWithTheReason) {
    const struct Case {
        Args args;
        const char* reasonHolds;
    } cases[] = {
        {{"/run", "/res:640"}, "\"640\" is no resolution"},
        {{"/run", "/res:640x"}, "is no resolution"},
        {{"/run", "/res:0640x480"}, "is no resolution"},
        {{"/run", "/res:8x8"}, "is no resolution"},
        {{"/run", "/res:99999x480"}, "is no resolution"},
        {{"/run", "/res:640x480,,800x600"}, "\"\" is no resolution"},
        {{"/run", "/res:-640x480"}, "is no resolution"},
        {{"/run", "/res:640x480,640x480"}, "given twice"},
        {{"/run", "/res:1280x720,1366x768"}, "Only one resolution besides"},
        {{"/run", "/res:"}, "/res needs a value"},
        {{"/run", "/res"}, "/res needs a value"},
        {{"/run", "/res:640x480", "/res:800x600"}, "/res is given twice"},
        {{"/run", "/demo:4"}, "/demo takes a built-in demo"},
        {{"/run", "/demo:0"}, "/demo takes a built-in demo"},
        {{"/run", "/aa:2"}, "/aa takes one of high, low, medium, off"},
        {{"/run", "/af:8"}, "/af takes one of"},
        {{"/run", "/hdr:yes"}, "/hdr takes one of off, on"},
        {{"/run", "/renderer:vulkan"}, "/renderer takes one of"},
        {{"/run", "/note:" + std::string(51, 'n')}, "51 characters"},
        {{"/run", "/timelimit:ten"}, "/timelimit takes seconds"},
        {{"/run", "/timelimit:99999999999"}, "/timelimit takes seconds"},
        {{"/run", "/passes:0"}, "/passes takes 1 to 10 or stable"},
        {{"/run", "/passes:11"}, "/passes takes 1 to 10 or stable"},
        {{"/run", "/passes:03"}, "/passes takes 1 to 10 or stable"},
        {{"/run", "/passes:until"}, "/passes takes 1 to 10 or stable"},
        {{"/run", "/passes"}, "/passes needs a value"},
        {{"/run", "/warmup:yes"}, "/warmup takes one of off, on"},
        {{"/run", "/warmup", "/warmup:off"}, "/warmup is given twice"},
        {{"/warmup"}, "add /run"},
        {{"/run", "/passed:3"}, "Unknown option /passed"},
        {{"/run:now"}, "/run takes no value"},
        {{"/run", "extra"}, "\"extra\" is no option"},
        {{"/res:640x480"}, "add /run"},
        {{"/quiet"}, "add /run"},
        {{"/run", "/"}, "\"/\" is no option"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        SCOPED_TRACE(shown);
        const CommandLine line = parseCommandLine(c.args);
        EXPECT_EQ(line.action, Action::Refused);
        EXPECT_NE(line.error.find(c.reasonHolds), std::string::npos) << line.error;
    }
    // A refusal under /quiet shows no box, wherever /quiet stands.
    EXPECT_TRUE(parseCommandLine({"/bogus", "/run", "/quiet"}).quiet);
    EXPECT_FALSE(parseCommandLine({"/bogus", "/run"}).quiet);
}

TEST(CommandLineTest, TheRunSeesTheGivenOptionsOverTheStoredOnes) {
    StateView window;
    testing::MemoryKeyStore keys;
    keys.addKey(names::kSettingsKey);
    SettingsStore settings(keys);
    window.setChecked(ControlId::Res1024, true);
    window.setChecked(ControlId::CusResBox, true);
    window.setText(ControlId::CusWidth, "1366");
    window.setText(ControlId::CusHeight, "768");
    window.setText(ControlId::ResEdit, "C:\\Bench\\Benchmark\\");
    window.setText(ControlId::NoteEdit, "stored note");
    window.setSelection(ControlId::Demo, 0);
    window.setSelection(ControlId::AABox, 1);
    window.setSelection(ControlId::AFBox, 2);
    window.setChecked(ControlId::HDRBox, true);
    window.setSelection(ControlId::RendererBox, 1);

    const auto sizes = [](const RunRequest& r) {
        std::vector<std::string> shown;
        for (const auto& slot : r.slots) shown.push_back(slot.width + "x" + slot.height);
        return shown;
    };
    {  // Nothing given: the window's options.
        const RunRequest request = commandLineRunRequest(windowRunRequest(window, settings), parseCommandLine({"/run"}).run);
        EXPECT_EQ(sizes(request), (std::vector<std::string>{"1024x768", "1366x768"}));
        EXPECT_EQ(request.note, "stored note");
        EXPECT_EQ(request.demoNumber, 1);
        EXPECT_EQ(request.quality.aaLevel, 1);
        EXPECT_EQ(request.timeLimit, kDefaultGameTimeLimit) << "the stored one";
    }
    {  // Resolutions given replace all of the window's, the custom one too.
        const RunRequest request = commandLineRunRequest(
            windowRunRequest(window, settings),
            parseCommandLine({"/run", "/res:640x480", "/demo:D:\\x.dem", "/aa:off", "/hdr:off", "/note:", "/timelimit:30"})
                .run);
        EXPECT_EQ(sizes(request), (std::vector<std::string>{"640x480"}));
        EXPECT_EQ(request.demoNumber, 4);
        EXPECT_EQ(request.demoFile, "D:\\x.dem");
        const QualityChoices& quality = request.quality;
        EXPECT_EQ(quality.aaLevel, 0);
        EXPECT_EQ(quality.afLevel, 2) << "not given: stored";
        EXPECT_FALSE(quality.hdr);
        EXPECT_EQ(quality.renderer, Renderer::Direct3D);
        EXPECT_EQ(request.note, "");
        EXPECT_EQ(request.resultsFolder, "C:\\Bench\\Benchmark\\");
        EXPECT_EQ(request.timeLimit, 30u);
    }
    {  // A custom size alone.
        const RunRequest request =
            commandLineRunRequest(windowRunRequest(window, settings), parseCommandLine({"/run", "/res:1366x768"}).run);
        ASSERT_EQ(sizes(request), (std::vector<std::string>{"1366x768"}));
        EXPECT_EQ(request.slots[0].index, kCustomSlot);
    }
    // The window itself is left as it was: nothing the command line gave can be stored from it.
    EXPECT_TRUE(window.checked(ControlId::Res1024));
    EXPECT_EQ(window.text(ControlId::NoteEdit), "stored note");
}

}  // namespace
}  // namespace melkrin
