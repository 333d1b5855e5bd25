// Start-up and shutdown of the main window against doubles of every seam.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "gameconfig/running_game.h"
#include "state_view.h"
#include "fake_platform.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "gameconfig/game_interface.h"
#include "settings/base64.h"
#include "settings/settings_names.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

constexpr const char* kSettings = names::kSettingsKey;
constexpr const char* kGame = game::kKey;
constexpr const char* kProgram = "C:\\Bench\\";
constexpr const char* kRoot = "C:\\Games\\SS2\\";
const std::string kContent = std::string(kRoot) + "Content\\SeriousSam2\\";

// A machine with the program and the game installed; each test changes what it needs.
struct Machine {
    MemoryKeyStore keys;
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    FakeDisplayModes modes{{{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1024, 768}}};
    FakeDialogs dialogs;
    FakeWaits waits;
    StateView view;

    Machine() {
        keys.addKey(kSettings);
        keys.set(kGame, "Game", "$C:/Games/SS2/Bin/Sam2.exe");
        keys.set(kGame, "Path", "C:/Games/SS2/");
        files.addFile(std::string(kProgram) + "melkrin.exe");
        files.addFolder(std::string(kRoot) + "Bin");
        files.addFolder(kContent);
    }
    void set(const char* name, const std::string& value) { keys.set(kSettings, name, value); }
    std::optional<std::string> stored(const char* name) const { return keys.get(kSettings, name); }

    std::unique_ptr<MainWindow> start() {
        auto form = std::make_unique<MainWindow>(
            view, MainWindowServices{keys, files, fileOp, modes, dialogs, waits, kProgram});
        form->onCreate();
        return form;
    }
};

TEST(StartupTest, FreshSettingsKeyLoadsTheDefaults) {
    Machine m;
    auto form = m.start();
    EXPECT_TRUE(m.view.themed());
    EXPECT_EQ(m.view.page(), kAboutPage);
    EXPECT_TRUE(m.dialogs.messages.empty());
    EXPECT_TRUE(m.dialogs.errors.empty());
    EXPECT_TRUE(m.dialogs.questions.empty());

    EXPECT_EQ(m.view.text(ControlId::SS2PathEdit), "C:\\Games\\SS2\\Bin\\Sam2.exe");
    EXPECT_EQ(form->gameInstall().root, kRoot);
    EXPECT_TRUE(m.files.folderExists(kContent + "Demos\\")) << "the demos folder is created";
    for (ControlId item : kResolutionItems) EXPECT_FALSE(m.view.checked(item));
    EXPECT_FALSE(m.view.checked(ControlId::CusResBox));
    EXPECT_EQ(m.view.selection(ControlId::Demo), kNoSelection);
    EXPECT_FALSE(m.view.enabled(ControlId::DemoEdit));
    EXPECT_EQ(m.view.text(ControlId::NoteEdit), "");
    EXPECT_EQ(m.view.text(ControlId::ResEdit), "C:\\Bench\\Benchmark\\");
    EXPECT_EQ(m.view.selection(ControlId::AFBox), kNoSelection);
    EXPECT_EQ(m.view.selection(ControlId::AABox), kNoSelection);
    EXPECT_TRUE(m.view.checked(ControlId::HDRBox));
    EXPECT_EQ(m.view.selection(ControlId::RendererBox), 1) << "Direct3D";
    EXPECT_FALSE(m.view.checked(ControlId::UseProxyBox));
    EXPECT_FALSE(m.view.enabled(ControlId::ProxyServerEdit));
    EXPECT_EQ(m.view.text(ControlId::VersionText), "") << "no version unless version.txt was delivered";
    EXPECT_EQ(m.view.selection(ControlId::PassesBox), 0) << "one pass";
    EXPECT_FALSE(m.view.checked(ControlId::WarmUpBox));

    // Only "Demoname" is created; nothing else is written back.
    EXPECT_EQ(m.keys.writes, (std::vector<std::string>{"Demoname="}));
}

TEST(StartupTest, MissingKeysDisableTheRunButtonAndLoadNothing) {
    struct Case {
        const char* removedKey;
        const char* message;
    } cases[] = {
        {kSettings, "Please reinstall the Quorvane Melkrin!"},
        {kGame, "Please install the Serious Sam 2!"},
    };
    for (const auto& c : cases) {
        Machine m;
        m.keys.keys.erase(c.removedKey);
        m.set("NoErrorWarning", "1");
        m.keys.keys.erase(c.removedKey);
        auto form = m.start();
        EXPECT_EQ(m.dialogs.messages, (std::vector<std::string>{c.message}));
        EXPECT_FALSE(m.view.enabled(ControlId::BenchButton));
        EXPECT_EQ(m.view.hint(ControlId::BenchButton), c.message);
        EXPECT_EQ(m.view.text(ControlId::SS2PathEdit), "");
        EXPECT_EQ(m.view.text(ControlId::ResEdit), "");
        EXPECT_TRUE(m.dialogs.questions.empty());
        EXPECT_TRUE(m.keys.writes.empty());
    }
}

TEST(StartupTest, StoredOptionsComeBack) {
    Machine m;
    m.set("640", "1");
    m.set("800", "0");
    m.set("1024", "1");
    m.set("1600", "1");  // the display lacks 1600 x 1200
    m.set("CusW", "800");
    m.set("CusH", "600");
    m.set("CusRes", "1");
    m.set("Demo", "4");
    m.files.addFile("D:\\My Demos\\run one.dem");
    m.set("Demoname", "D:\\My Demos\\run one.dem");
    m.files.addFolder("D:\\Results");
    m.set("ResultPath", "D:\\Results\\");
    m.set("AFLevel", "4");
    m.set("AALevel", "2");
    m.set("Note", "my note");
    m.set("HDR", "0");
    m.set("Renderer", "0");
    m.set("UseProxy", "1");
    m.set("ProxyServer", "proxy.example");
    m.set("ProxyPort", "8080");
    m.set("ProxyUsername", "me");
    m.set("ProxyPassword", encodeBase64("p\xE4ss"));
    auto form = m.start();

    EXPECT_TRUE(m.view.checked(ControlId::Res640));
    EXPECT_FALSE(m.view.checked(ControlId::Res800));
    EXPECT_TRUE(m.view.checked(ControlId::Res1024));
    EXPECT_TRUE(m.view.enabled(ControlId::Res1280));
    EXPECT_FALSE(m.view.enabled(ControlId::Res1600));
    EXPECT_FALSE(m.view.checked(ControlId::Res1600));
    EXPECT_EQ(m.stored("1600"), "1") << "a disabled item's flag is not read or changed";
    EXPECT_EQ(m.view.text(ControlId::CusWidth), "800");
    EXPECT_EQ(m.view.text(ControlId::CusHeight), "600");
    EXPECT_TRUE(m.view.checked(ControlId::CusResBox));
    EXPECT_EQ(m.view.selection(ControlId::Demo), 3);
    EXPECT_TRUE(m.view.enabled(ControlId::DemoEdit));
    EXPECT_TRUE(m.view.enabled(ControlId::DemoEditButton));
    EXPECT_EQ(m.view.text(ControlId::DemoEdit), "D:\\My Demos\\run one.dem");
    EXPECT_EQ(m.view.text(ControlId::ResEdit), "D:\\Results\\");
    EXPECT_EQ(m.view.selection(ControlId::AFBox), 4);
    EXPECT_EQ(m.view.selection(ControlId::AABox), 2);
    EXPECT_EQ(m.view.text(ControlId::NoteEdit), "my note");
    EXPECT_FALSE(m.view.checked(ControlId::HDRBox));
    EXPECT_EQ(m.view.selection(ControlId::RendererBox), 0);
    EXPECT_TRUE(m.view.checked(ControlId::UseProxyBox));
    EXPECT_TRUE(m.view.enabled(ControlId::ProxyPassEdit));
    EXPECT_EQ(m.view.text(ControlId::ProxyServerEdit), "proxy.example");
    EXPECT_EQ(m.view.text(ControlId::ProxyPortEdit), "8080");
    EXPECT_EQ(m.view.text(ControlId::ProxyUsernameEdit), "me");
    EXPECT_EQ(m.view.text(ControlId::ProxyPassEdit), "p\xE4ss");
    // The demo group's change handling writes the same choice again.
    EXPECT_EQ(m.keys.writes, (std::vector<std::string>{"Demo=4"}));
}

// Each row: what is stored, and what start-up makes of it.
TEST(StartupTest, EdgeCasesOfTheStoredValues) {
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> stored;
        std::function<void(Machine&)> check;
    } cases[] = {
        {"custom size no longer offered is reset",
         {{"CusW", "1280"}, {"CusH", "720"}, {"CusRes", "1"}},
         [](Machine& m) {
             EXPECT_EQ(m.stored("CusW"), "0");
             EXPECT_EQ(m.stored("CusH"), "0");
             EXPECT_EQ(m.view.text(ControlId::CusWidth), "");
             EXPECT_FALSE(m.view.checked(ControlId::CusResBox));
         }},
        {"CusRes without a stored size sets empty fields and no box",
         {{"CusRes", "1"}},
         [](Machine& m) {
             EXPECT_FALSE(m.view.checked(ControlId::CusResBox));
             EXPECT_FALSE(m.stored("CusW"));
         }},
        {"a zero width loads nothing and writes nothing",
         {{"CusW", "0"}, {"CusH", "768"}, {"CusRes", "1"}},
         [](Machine& m) {
             EXPECT_EQ(m.stored("CusH"), "768");
             EXPECT_EQ(m.view.text(ControlId::CusHeight), "");
             EXPECT_FALSE(m.view.checked(ControlId::CusResBox));
         }},
        {"user demo whose file was deleted",
         {{"Demo", "4"}, {"Demoname", "D:\\gone.dem"}},
         [](Machine& m) {
             EXPECT_EQ(m.view.selection(ControlId::Demo), 3);
             EXPECT_TRUE(m.view.enabled(ControlId::DemoEditButton));
             EXPECT_EQ(m.view.text(ControlId::DemoEdit), "");
             EXPECT_EQ(m.stored("Demoname"), "");
         }},
        {"built-in demo disables the demo file controls",
         {{"Demo", "2"}},
         [](Machine& m) {
             EXPECT_EQ(m.view.selection(ControlId::Demo), 1);
             EXPECT_FALSE(m.view.enabled(ControlId::DemoEdit));
             EXPECT_EQ(m.stored("Demo"), "2");
         }},
        {"unknown demo number selects nothing",
         {{"Demo", "5"}},
         [](Machine& m) {
             EXPECT_EQ(m.view.selection(ControlId::Demo), kNoSelection);
             EXPECT_FALSE(m.view.enabled(ControlId::DemoEdit));
             EXPECT_EQ(m.stored("Demo"), "5");
         }},
        {"removed results folder falls back without writing",
         {{"ResultPath", "E:\\Removed\\"}},
         [](Machine& m) {
             EXPECT_EQ(m.view.text(ControlId::ResEdit), "C:\\Bench\\Benchmark\\");
             EXPECT_EQ(m.stored("ResultPath"), "E:\\Removed\\");
         }},
        {"out-of-range levels select nothing",
         {{"AFLevel", "7"}, {"AALevel", "4"}, {"Renderer", "2"}, {"HDR", ""}},
         [](Machine& m) {
             EXPECT_EQ(m.view.selection(ControlId::AFBox), kNoSelection);
             EXPECT_EQ(m.view.selection(ControlId::AABox), kNoSelection);
             EXPECT_EQ(m.view.selection(ControlId::RendererBox), 1);
             EXPECT_TRUE(m.view.checked(ControlId::HDRBox));
             EXPECT_EQ(m.stored("AFLevel"), "7");
         }},
        {"proxy off keeps the fields disabled, password decoded anyway",
         {{"UseProxy", "0"}, {"ProxyPassword", "c2Vj\r\ncmV0"}},
         [](Machine& m) {
             EXPECT_FALSE(m.view.enabled(ControlId::ProxyServerEdit));
             EXPECT_EQ(m.view.text(ControlId::ProxyPassEdit), "secret");
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        for (const auto& [name, value] : c.stored) m.set(name, value);
        auto form = m.start();
        EXPECT_TRUE(m.dialogs.errors.empty());
        c.check(m);
    }
}

TEST(StartupTest, StoredPassesComeBackAndUnknownValuesReadAsOnePass) {
    struct Case {
        const char* passes;
        const char* warmUp;
        int shown;
        bool warm;
    } cases[] = {
        {"1", "1", 0, true},          {"2", "0", 1, false},    {"10", "", 9, false},
        {"until stable", "1", 10, true}, {"11", "yes", 0, false}, {"0", "01", 0, false},
        {" 3", "1 ", 0, false},        {"Until Stable", "2", 0, false},
    };
    for (const auto& c : cases) {
        Machine m;
        m.set("Passes", c.passes);
        m.set("WarmUp", c.warmUp);
        auto form = m.start();
        EXPECT_EQ(m.view.selection(ControlId::PassesBox), c.shown) << c.passes;
        EXPECT_EQ(m.view.checked(ControlId::WarmUpBox), c.warm) << c.warmUp;
        EXPECT_EQ(m.stored("Passes"), c.passes) << "shown, never rewritten";
        EXPECT_EQ(m.stored("WarmUp"), c.warmUp);
    }
}

TEST(StartupTest, DisplayModesDecideWhichResolutionsAreUsable) {
    Machine m;
    // 1280 x 1024 offered only at some depths still counts; the order is the platform's.
    m.modes.modes = {{1920, 1080}, {1280, 1024}, {1920, 1080}, {640, 480}};
    m.set("1280", "1");
    m.set("hdw2", "1");
    m.set("800", "1");
    m.set("CusW", "1920");
    m.set("CusH", "1080");
    m.set("CusRes", "1");
    auto form = m.start();
    EXPECT_TRUE(m.view.checked(ControlId::Res1280));
    EXPECT_TRUE(m.view.checked(ControlId::ResHdw2));
    EXPECT_FALSE(m.view.enabled(ControlId::Res800));
    EXPECT_FALSE(m.view.checked(ControlId::Res800));
    EXPECT_TRUE(m.view.enabled(ControlId::Res640));
    EXPECT_TRUE(m.view.checked(ControlId::CusResBox));
    EXPECT_EQ(m.view.text(ControlId::CusWidth), "1920");
}

TEST(StartupTest, VersionFileIsTakenOverOnce) {
    struct Case {
        std::string content;
        std::string stored;
        bool logged;
    } cases[] = {{"1.10\r\n", "1.10", false},
                 {"1.3.0.12\r\nsecond line\r\n", "1.3.0.12", false},
                 {"2", "2", false},
                 {"1\n2\n", "1", false},
                 // Refused and logged; the stored version stays.
                 {"1.3 beta\r\n", "1.0", true},
                 {"", "1.0", true},
                 {"\r\n1.4", "1.0", true},
                 {"1.2.3.4.5", "1.0", true}};
    for (const auto& c : cases) {
        Machine m;
        m.set("Programversion", "1.0");
        m.files.addFile("C:\\Bench\\version.txt", c.content);
        auto form = m.start();
        EXPECT_EQ(m.stored("Programversion"), c.stored) << c.content;
        EXPECT_EQ(m.view.text(ControlId::VersionText), c.stored);
        EXPECT_FALSE(m.files.fileExists("C:\\Bench\\version.txt"));
        EXPECT_EQ(form->startupLogLines().size(), c.logged ? 1u : 0u) << c.content;
    }

    Machine undeletable;
    undeletable.files.addFile("C:\\Bench\\version.txt", "1.4");
    undeletable.files.undeletable.insert(MemoryFileSystem::norm("C:\\Bench\\version.txt"));
    undeletable.start();
    EXPECT_EQ(undeletable.stored("Programversion"), "1.4");
    EXPECT_TRUE(undeletable.files.fileExists("C:\\Bench\\version.txt")) << "read again at the next start";
}

TEST(StartupTest, ErrorsEndStartUpWhereTheyAreRaised) {
    {  // An unreadable version file: shown; the later steps do not run.
        Machine m;
        m.files.addFile("C:\\Bench\\version.txt", "1.3");
        m.files.unreadable.insert(MemoryFileSystem::norm("C:\\Bench\\version.txt"));
        m.set("NoErrorWarning", "1");
        m.set("Note", "kept");
        m.start();
        ASSERT_EQ(m.dialogs.errors.size(), 1u);
        EXPECT_EQ(m.view.text(ControlId::SS2PathEdit), "C:\\Games\\SS2\\Bin\\Sam2.exe");
        EXPECT_EQ(m.view.text(ControlId::NoteEdit), "");
        EXPECT_TRUE(m.dialogs.questions.empty());
    }
    {  // The demos folder cannot be created.
        Machine m;
        m.files.failingFolders.insert(MemoryFileSystem::norm(kContent + "Demos\\"));
        m.set("NoErrorWarning", "1");
        m.start();
        EXPECT_EQ(m.dialogs.errors, (std::vector<std::string>{"Cannot create " + kContent + "Demos\\"}));
        EXPECT_EQ(m.view.text(ControlId::ResEdit), "");
        EXPECT_TRUE(m.dialogs.questions.empty());
    }
    {  // An empty game root gives relative folders whose parent is missing.
        Machine m;
        m.keys.set(kGame, "Path", "");
        m.start();
        EXPECT_EQ(m.dialogs.errors, (std::vector<std::string>{"Cannot create Content\\SeriousSam2\\Demos\\"}));
    }
    {  // A stored value of the wrong type stops loading at that value.
        Machine m;
        m.set("Note", "before");
        m.keys.setOtherType(kSettings, "HDR");
        m.set("Renderer", "0");
        m.start();
        EXPECT_EQ(m.dialogs.errors, (std::vector<std::string>{"Invalid data type for 'HDR'"}));
        EXPECT_EQ(m.view.text(ControlId::NoteEdit), "before");
        EXPECT_EQ(m.view.selection(ControlId::RendererBox), kNoSelection);
    }
}

TEST(StartupTest, StaleBatchFileAndRecovery) {
    const std::string ini = kContent + "Sam2.ini";
    const std::string backup = kContent + "Sam2_old.ini";
    const std::string batch = std::string(kRoot) + "Bin\\melkrin.bat";
    struct Case {
        const char* what;
        const char* marker;
        bool backupExists;
        std::deque<bool> answers;
        bool asked;
        const char* iniAfter;
        const char* markerAfter;
    } cases[] = {
        {"accepted", "1", true, {true}, true, "user", "0"},
        {"declined", "1", true, {false}, true, "benchmark", "1"},
        {"accepted without a backup", "1", false, {true}, true, "benchmark", "1"},
        {"no marker", "0", true, {true}, false, "benchmark", "0"},
        {"marker not exactly 1", " 1", true, {true}, false, "benchmark", " 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        m.set("NoErrorWarning", c.marker);
        m.files.addFile(ini, "benchmark");
        if (c.backupExists) m.files.addFile(backup, "user");
        m.files.addFile(batch, "Sam2.exe");
        m.dialogs.answers = c.answers;
        m.start();
        EXPECT_FALSE(m.files.fileExists(batch));
        EXPECT_EQ(!m.dialogs.questions.empty(), c.asked);
        if (c.asked)
            EXPECT_EQ(m.dialogs.questions.front(),
                      "The last time an error occured. Do you wish to restore the original settings?");
        EXPECT_EQ(m.files.content(ini), c.iniAfter);
        EXPECT_EQ(m.stored("NoErrorWarning"), c.markerAfter);
        const bool restored = std::string(c.iniAfter) == "user";
        EXPECT_EQ(m.files.fileExists(backup), c.backupExists && !restored);
        EXPECT_EQ(m.waits.sleeps, restored ? std::vector<unsigned>{250} : std::vector<unsigned>{});
        if (restored) EXPECT_EQ(m.fileOp.log, (std::vector<std::string>{"move " + backup + " -> " + ini}));
    }
}

// A game the interrupted run left behind may write its configuration as it
// quits: the recovery waits for it and asks only once it has ended.
struct PlayedGameWait : RunningGame {
    GameWait answer = GameWait::NotRunning;
    std::vector<std::string> waits;  // the program file each wait looked for, then the notice
    std::function<void()> meanwhile;  // what happens while the wait is up
    GameWait waitUntilEnded(const std::string& gameExePath, const std::string& notice, unsigned timeoutMs) override {
        waits.push_back(gameExePath);
        waits.push_back(notice);
        EXPECT_GT(timeoutMs, 0u) << "the wait has a bound";
        if (meanwhile) meanwhile();
        return answer;
    }
};

TEST(StartupTest, RecoveryWaitsForAGameLeftRunningAndRestoresOnlyOnceItEnded) {
    const std::string ini = kContent + "Sam2.ini";
    const std::string backup = kContent + "Sam2_old.ini";
    const struct Case {
        const char* what;
        GameWait wait;
        bool asked;
        const char* iniAfter;
        const char* markerAfter;
        const char* logged;  // part of the start-up log line, or empty
    } cases[] = {
        {"no game runs", GameWait::NotRunning, true, "user", "0", ""},
        {"the game ended while waiting", GameWait::Ended, true, "user", "0", ""},
        {"the user cancelled the wait", GameWait::Cancelled, false, "benchmark", "1", "cancelled"},
        {"the game outlived the wait", GameWait::TimedOut, false, "benchmark", "1", "still runs after"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        m.set("NoErrorWarning", "1");
        m.files.addFile(ini, "benchmark");
        m.files.addFile(backup, "user");
        m.dialogs.answers = {true};
        PlayedGameWait game;
        game.answer = c.wait;
        // Nothing is asked or moved while the wait is up.
        game.meanwhile = [&] {
            EXPECT_TRUE(m.dialogs.questions.empty());
            EXPECT_TRUE(m.fileOp.log.empty());
        };
        MainWindow form(m.view, MainWindowServices{m.keys, m.files, m.fileOp, m.modes, m.dialogs, m.waits, kProgram, &game});
        form.onCreate();
        EXPECT_EQ(game.waits, (std::vector<std::string>{
                                  "C:\\Games\\SS2\\Bin\\Sam2.exe",
                                  "Serious Sam 2 is still running from the interrupted benchmark. Melkrin waits for it to end."}));
        EXPECT_EQ(!m.dialogs.questions.empty(), c.asked);
        EXPECT_EQ(m.files.content(ini), c.iniAfter);
        EXPECT_EQ(m.stored("NoErrorWarning"), c.markerAfter);
        const auto& lines = form.startupLogLines();
        if (*c.logged) {
            EXPECT_TRUE(lines.size() == 1 && lines[0].find(c.logged) != std::string::npos)
                << ::testing::PrintToString(lines);
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }

    // Without a run marker no game is looked for.
    Machine quietStart;
    PlayedGameWait untouched;
    MainWindow form(quietStart.view, MainWindowServices{quietStart.keys, quietStart.files, quietStart.fileOp,
                                                       quietStart.modes, quietStart.dialogs, quietStart.waits, kProgram,
                                                       &untouched});
    form.onCreate();
    EXPECT_TRUE(untouched.waits.empty());
}

TEST(StartupTest, PathValueIsShownThenReplacedByTheGameKey) {
    Machine m;
    m.files.addFile("D:\\Elsewhere\\Sam2.exe");
    m.set("Path", "D:\\Elsewhere\\Sam2.exe");
    m.set("Note", "loaded");
    auto form = m.start();
    EXPECT_EQ(m.view.text(ControlId::SS2PathEdit), "C:\\Games\\SS2\\Bin\\Sam2.exe");
    EXPECT_EQ(m.view.text(ControlId::NoteEdit), "loaded") << "the options are loaded all the same";
    EXPECT_EQ(form->gameInstall().root, kRoot);
}

TEST(StartupTest, FormDestroyEmptiesTheDiagnosticCache) {
    Machine m;
    m.set("Display Memory", "256.0 MB");
    m.set("Driver Version", "6.14");
    m.set("Sound", "Card");
    auto form = m.start();
    form->onDestroy();
    for (const char* name : {"Display Memory", "Driver Version", "Sound"}) EXPECT_EQ(m.stored(name), "") << name;

    Machine gone;
    auto other = gone.start();
    gone.keys.keys.erase(kSettings);
    other->onDestroy();
    EXPECT_FALSE(gone.keys.keyExists(kSettings)) << "shutdown never creates the settings key";
    EXPECT_TRUE(gone.dialogs.errors.empty());
}

TEST(StartupTest, GuardedHandlersShowTheirErrorAndEndOnlyThemselves) {
    Machine m;
    auto form = m.start();
    bool after = false;
    EXPECT_FALSE(form->guarded([] { throw MelkrinError("Failed to set data for 'Note'"); }));
    EXPECT_TRUE(form->guarded([&] { after = true; }));
    EXPECT_TRUE(after);
    EXPECT_EQ(m.dialogs.errors, (std::vector<std::string>{"Failed to set data for 'Note'"}));
}

}  // namespace
}  // namespace melkrin
