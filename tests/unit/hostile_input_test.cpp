// Input nobody should have left but someone will: settings of the wrong type
// or of a megabyte, a game log of 100 MB, a binary diagnostic report, a
// results folder that vanishes while the game plays. Each gives a clear
// message at most, and the user's files and settings stay as they were.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "app/main_window.h"
#include "state_view.h"
#include "fake_platform.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "run/result_log.h"
#include "run_rig.h"
#include "settings/base64.h"
#include "settings/settings_names.h"
#include "sysinfo/diagnostics.h"

namespace melkrin {
namespace {

using namespace melkrin::testing;

constexpr const char* kSettings = names::kSettingsKey;
constexpr const char* kStartProgram = "C:\\Bench\\";
const std::string kStartContent = "C:\\Games\\SS2\\Content\\SeriousSam2\\";

struct Machine {
    MemoryKeyStore keys;
    MemoryFileSystem files;
    RecordingFileOp fileOp{files};
    FakeDisplayModes modes{{{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}}};
    FakeDialogs dialogs;
    FakeWaits waits;
    StateView view;

    Machine() {
        keys.addKey(kSettings);
        keys.set(game::kKey, "Game", "C:\\Games\\SS2\\Bin\\Sam2.exe");
        keys.set(game::kKey, "Path", "C:\\Games\\SS2\\");
        files.addFile(std::string(kStartProgram) + "melkrin.exe");
        files.addFile(kStartContent + "Sam2.ini", "user settings\r\n");
    }
    std::unique_ptr<MainWindow> start() {
        auto form = std::make_unique<MainWindow>(
            view, MainWindowServices{keys, files, fileOp, modes, dialogs, waits, kStartProgram});
        form->onCreate();
        return form;
    }
};

std::string bytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (auto& c : out) c = static_cast<char>(random() & 0xFF);
    return out;
}

TEST(HostileInputTest, ASettingOfTheWrongTypeIsNamedAndNothingIsOverwritten) {
    // Every value start-up reads, in the settings key or the game key.
    const std::pair<const char*, const char*> values[] = {
        {kSettings, "Path"},     {kSettings, "Programversion"}, {kSettings, "640"},
        {kSettings, "1280"},     {kSettings, "CusW"},           {kSettings, "CusH"},
        {kSettings, "Demo"},     {kSettings, "Demoname"},       {kSettings, "ResultPath"},
        {kSettings, "AFLevel"},  {kSettings, "AALevel"},        {kSettings, "Note"},
        {kSettings, "HDR"},      {kSettings, "Renderer"},       {kSettings, "UseProxy"},
        {kSettings, "ProxyServer"}, {kSettings, "ProxyPassword"}, {kSettings, "NoErrorWarning"},
        {game::kKey, "Game"},    {game::kKey, "Path"},
    };
    for (const auto& [key, name] : values) {
        SCOPED_TRACE(name);
        Machine m;
        m.keys.setOtherType(key, name);
        EXPECT_NO_THROW(m.start());
        EXPECT_EQ(m.dialogs.errors, (std::vector<std::string>{std::string("Invalid data type for '") + name + "'"}));
        EXPECT_EQ(m.keys.keys[key][name].kind, ValueKind::Other) << "the value is left for the user to see";
        EXPECT_EQ(m.files.content(kStartContent + "Sam2.ini"), "user settings\r\n");
    }
}

TEST(HostileInputTest, MegabyteSettingsLoadWhole) {
    const std::string big(1 << 20, 'n');
    const std::string password = bytes(768 * 1024, 1);
    Machine m;
    for (const char* name : {"Note", "ProxyServer", "ProxyPort", "ProxyUsername", "Programversion", "ResultPath",
                             "AFLevel", "HDR", "Renderer", "640", "NoErrorWarning"})
        m.keys.set(kSettings, name, big);
    m.keys.set(kSettings, "ProxyPassword", encodeBase64(password));
    m.keys.set(kSettings, "UseProxy", "1");
    m.files.addFile(std::string(kStartProgram) + "version.txt", big);
    m.start();
    EXPECT_TRUE(m.dialogs.errors.empty());
    EXPECT_TRUE(m.dialogs.questions.empty()) << "only exactly \"1\" asks for the recovery";
    EXPECT_EQ(m.view.text(ControlId::NoteEdit), big);
    EXPECT_EQ(m.view.text(ControlId::ProxyServerEdit), big);
    EXPECT_EQ(m.view.text(ControlId::ProxyPassEdit), password);
    EXPECT_EQ(m.view.text(ControlId::VersionText), big) << "a version.txt that holds no version is not taken over";
    EXPECT_EQ(m.view.selection(ControlId::AFBox), kNoSelection);
    EXPECT_TRUE(m.view.checked(ControlId::HDRBox));
    EXPECT_FALSE(m.view.checked(ControlId::Res640));
    EXPECT_EQ(m.view.text(ControlId::ResEdit), std::string(kStartProgram) + "Benchmark\\")
        << "a path that names no folder falls back";
    EXPECT_EQ(m.keys.get(kSettings, "Note"), big) << "nothing the user stored is cut";
}

TEST(HostileInputTest, AHundredMegabyteLogGivesItsFigure) {
    // The figure at the very end of a log of long lines and near misses:
    // read in one pass, in the reader and in a whole run.
    std::string block;
    while (block.size() < 60000) block += "frame 123456 took 4.2 ms, Average:none\r\n" + std::string(500, 'x') + "\n";
    std::string log;
    log.reserve(100u << 20);
    while (log.size() + block.size() < (100u << 20)) log += block;
    log += "Average: 61.25 FPS\r\n";
    EXPECT_EQ(readDemoResult(log), "61.25");

    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    rig.playGame(log);
    rig.expectEndedCleanly();
    EXPECT_EQ(rig.controller->run().lastResult, "61.25");
    EXPECT_TRUE(rig.dialogs.errors.empty());
}

TEST(HostileInputTest, ABinaryDiagnosticReportYieldsNothing) {
    for (std::size_t size : {std::size_t(1), std::size_t(4096), std::size_t(1) << 20}) {
        SCOPED_TRACE(size);
        std::string report = bytes(size, static_cast<unsigned>(size));
        for (auto& c : report)
            if (c == '\r' || c == '\n') c = '\0';  // one endless line of binary
        const Diagnostics values = diagnosticsFrom(parseDiagnosticReport(report));
        EXPECT_EQ(values.displayMemory, kIndeterminable);
        EXPECT_EQ(values.driverVersion, kIndeterminable);
        EXPECT_EQ(values.soundSystem, kIndeterminable);
    }
    // Labels between lines of binary and NULs still count: the tool's text is 8-bit.
    const std::string mixed = bytes(1000, 7) + "\r\n   Display Memory: 64 MB\r\n" + std::string(3, '\0') +
                              "\r\n   Driver Version: 1.0\r\n" + bytes(1000, 8) + "\r\n   Description: Sound\r\n";
    const DiagnosticReport report = parseDiagnosticReport(mixed);
    EXPECT_EQ(report.displayMemory, std::optional<std::string>(" 64 MB"));
    EXPECT_TRUE(report.soundSystem.has_value());
}

TEST(HostileInputTest, AResultsFolderThatVanishesWhileTheGamePlays) {
    Rig rig;
    rig.view.setChecked(ControlId::Res640, true);
    rig.startRun();
    ASSERT_TRUE(rig.cp.running());
    rig.files.folders.erase(MemoryFileSystem::norm(kProgram + "Benchmark"));
    rig.playGame("Average: 75.00 FPS\r\n");
    rig.expectEndedCleanly();
    ASSERT_EQ(rig.dialogs.errors.size(), 1u);
    EXPECT_NE(rig.dialogs.errors[0].find(rig.reportPath()), std::string::npos)
        << "the message names the report that could not be saved: " << rig.dialogs.errors[0];
    EXPECT_EQ(rig.files.content(kContent + "Sam2.ini"), "user settings\r\n");
    EXPECT_FALSE(rig.files.fileExists(kContent + "Sam2_old.ini"));
    EXPECT_EQ(rig.marker(), "0");
    EXPECT_TRUE(rig.opened.empty()) << "no report to open";
}

}  // namespace
}  // namespace melkrin
