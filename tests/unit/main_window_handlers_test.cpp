// The main window's handlers against a fake view and doubles of every seam.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "app/main_window.h"
#include "state_view.h"
#include "fake_platform.h"
#include "fake_window_services.h"
#include "main_window_doubles.h"
#include "memory_file_system.h"
#include "memory_key_store.h"
#include "settings/settings_names.h"
#include "common/sha256.h"
#include "update/signed_info.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace melkrin::testing;

constexpr const char* kProgram = "C:\\Melkrin\\";
constexpr const char* kHelpFile = "C:\\Melkrin\\Help\\help.chm";
constexpr const char* kKey = names::kSettingsKey;

struct Window : MainWindowDoubles {
    StateView view;
    MainWindow form{view, services(kProgram)};

    Window() {
        keys.addKey(kKey);
        files.addFolder(kProgram);
        form.attachUi(uiServices());
    }
    // Runs a handler as the window does: through the error display.
    void run(void (MainWindow::*handler)()) { form.guarded([&] { (form.*handler)(); }); }
};

TEST(OptionWritersTest, EachWriterStoresWhatItsControlShows) {
    struct Case {
        const char* what;
        std::function<void(StateView&)> arrange;
        void (MainWindow::*handler)();
        std::vector<std::string> writes;
    } cases[] = {
        {"note", [](StateView& v) { v.setText(ControlId::NoteEdit, "watercooled, 4.8 GHz"); },
         &MainWindow::onNoteEditExited, {"Note=watercooled, 4.8 GHz"}},
        {"empty note on pointer leave", [](StateView&) {}, &MainWindow::onNotePointerLeft, {"Note="}},
        {"HDR on", [](StateView& v) { v.setChecked(ControlId::HDRBox, true); }, &MainWindow::onHdrPointerLeft,
         {"HDR=1"}},
        {"HDR off", [](StateView&) {}, &MainWindow::onHdrPointerLeft, {"HDR=0"}},
        {"custom box with both sizes",
         [](StateView& v) {
             v.setChecked(ControlId::CusResBox, true);
             v.setText(ControlId::CusWidth, "1152");
             v.setText(ControlId::CusHeight, "864");
         },
         &MainWindow::onCustomSizePointerLeft, {"CusRes=1"}},
        {"custom box checked with an empty width",
         [](StateView& v) {
             v.setChecked(ControlId::CusResBox, true);
             v.setText(ControlId::CusHeight, "864");
         },
         &MainWindow::onCustomSizePointerLeft, {"CusRes=0"}},
        {"custom box unchecked",
         [](StateView& v) {
             v.setText(ControlId::CusWidth, "1152");
             v.setText(ControlId::CusHeight, "864");
         },
         &MainWindow::onCustomSizePointerLeft, {"CusRes=0"}},
        {"filtering 16x", [](StateView& v) { v.setSelection(ControlId::AFBox, 4); }, &MainWindow::onAnisotropicFilterChanged,
         {"AFLevel=4"}},
        {"filtering without a selection", [](StateView&) {}, &MainWindow::onAnisotropicFilterChanged, {}},
        {"antialiasing none", [](StateView& v) { v.setSelection(ControlId::AABox, 0); }, &MainWindow::onAntiAliasingChanged,
         {"AALevel=0"}},
        {"antialiasing without a selection", [](StateView&) {}, &MainWindow::onAntiAliasingChanged, {}},
        {"Direct3D", [](StateView& v) { v.setSelection(ControlId::RendererBox, 1); }, &MainWindow::onRendererChanged,
         {"Renderer=1"}},
        {"OpenGL", [](StateView& v) { v.setSelection(ControlId::RendererBox, 0); }, &MainWindow::onRendererChanged,
         {"Renderer=0"}},
        {"renderer without a selection", [](StateView&) {}, &MainWindow::onRendererChanged, {}},
        {"one pass", [](StateView& v) { v.setSelection(ControlId::PassesBox, 0); }, &MainWindow::onPassesChanged,
         {"Passes=1"}},
        {"ten passes", [](StateView& v) { v.setSelection(ControlId::PassesBox, 9); }, &MainWindow::onPassesChanged,
         {"Passes=10"}},
        {"until stable", [](StateView& v) { v.setSelection(ControlId::PassesBox, kPassesUntilStable); },
         &MainWindow::onPassesChanged, {"Passes=until stable"}},
        {"passes without a selection", [](StateView&) {}, &MainWindow::onPassesChanged, {}},
        {"warm-up on", [](StateView& v) { v.setChecked(ControlId::WarmUpBox, true); }, &MainWindow::onWarmUpClicked,
         {"WarmUp=1"}},
        {"warm-up off", [](StateView&) {}, &MainWindow::onWarmUpClicked, {"WarmUp=0"}},
    };
    for (const auto& c : cases) {
        Window w;
        c.arrange(w.view);
        w.run(c.handler);
        EXPECT_EQ(w.keys.writes, c.writes) << c.what;
        EXPECT_THAT(w.dialogs.errors, IsEmpty()) << c.what;
    }
}

TEST(OptionWritersTest, LeavingTheResolutionGroupStoresAllNineAndDisabledItemsAsZero) {
    Window w;
    // Stored as chosen earlier, but the display no longer offers the mode.
    w.keys.set(kKey, "800", "1");
    w.view.setChecked(ControlId::Res640, true);
    w.view.setChecked(ControlId::ResHdw3, true);
    w.view.setEnabled(ControlId::Res800, false);
    w.view.setEnabled(ControlId::Res2048, false);
    w.run(&MainWindow::onResolutionsPointerLeft);
    EXPECT_THAT(w.keys.writes, ElementsAre("640=1", "800=0", "1024=0", "1280=0", "1600=0", "2048=0", "hdw1=0",
                                           "hdw2=0", "hdw3=1"));
}

TEST(OptionWritersTest, WritersCreateOnlyTheKeysTheyMayCreate) {
    // Resolution flags, HDR and the note may recreate a lost settings key; the lists may not.
    struct Case {
        void (MainWindow::*handler)();
        bool creates;
    } cases[] = {{&MainWindow::onResolutionsPointerLeft, true},   {&MainWindow::onHdrPointerLeft, true},
                 {&MainWindow::onNoteEditExited, true},    {&MainWindow::onCustomSizePointerLeft, false},
                 {&MainWindow::onRendererChanged, false}, {&MainWindow::onPassesChanged, false},
                 {&MainWindow::onWarmUpClicked, false}};
    for (const auto& c : cases) {
        Window w;
        w.keys.keys.clear();
        w.view.setSelection(ControlId::RendererBox, 1);
        w.view.setSelection(ControlId::PassesBox, 2);
        w.run(c.handler);
        EXPECT_EQ(w.keys.keyExists(kKey), c.creates);
        EXPECT_EQ(w.dialogs.errors.empty(), c.creates);
    }
}

TEST(OptionWritersTest, AFailedWriteIsShownAndTheControlKeepsItsState) {
    Window w;
    w.keys.failingWrites.insert("HDR");
    w.view.setChecked(ControlId::HDRBox, true);
    w.run(&MainWindow::onHdrPointerLeft);
    EXPECT_THAT(w.dialogs.errors, ElementsAre("Failed to set data for 'HDR'"));
    EXPECT_TRUE(w.view.checked(ControlId::HDRBox));
}

TEST(ResultsFolderTest, ChosenFolderGetsOneBackslashUnlessItIsADriveRoot) {
    struct Case {
        const char* chosen;
        const char* stored;
    } cases[] = {
        {"C:\\", "C:\\"},
        {"D:\\Results", "D:\\Results\\"},
        {"D:\\My results\\2026", "D:\\My results\\2026\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
    };
    for (const auto& c : cases) {
        Window w;
        w.fileDialogs.folderAnswer = c.chosen;
        w.run(&MainWindow::onChooseResultsFolderClicked);
        EXPECT_EQ(w.view.text(ControlId::ResEdit), c.stored);
        EXPECT_EQ(w.keys.get(kKey, "ResultPath"), c.stored);
    }
}

TEST(ResultsFolderTest, CancellingTheFolderDialogChangesNothing) {
    Window w;
    w.view.setText(ControlId::ResEdit, "C:\\Melkrin\\Benchmark\\");
    w.run(&MainWindow::onChooseResultsFolderClicked);
    EXPECT_EQ(w.fileDialogs.folderDialogs, 1);
    EXPECT_EQ(w.view.text(ControlId::ResEdit), "C:\\Melkrin\\Benchmark\\");
    EXPECT_THAT(w.keys.writes, IsEmpty());
}

TEST(ResultsFolderTest, OpenShowsAnExistingFolderAndRefusesAMissingOne) {
    struct Case {
        const char* field;
        bool exists;
        std::vector<std::string> shell;
        std::vector<std::string> messages;
    } cases[] = {
        {"", false, {}, {}},
        {"D:\\Results\\", true, {"open D:\\Results\\"}, {}},
        {"D:\\Removed\\", false, {}, {"The results directory not exist."}},
    };
    for (const auto& c : cases) {
        Window w;
        if (c.exists) w.files.addFolder(c.field);
        w.view.setText(ControlId::ResEdit, c.field);
        w.run(&MainWindow::onOpenResultsFolderClicked);
        EXPECT_EQ(w.log, c.shell) << c.field;
        EXPECT_EQ(w.dialogs.messages, c.messages) << c.field;
    }
}

TEST(HistoryButtonTest, BuildsThePageFromTheResultsAndOpensIt) {
    const std::string result = R"({"format":"melkrin-result","formatVersion":1,"startedAt":"2026-12-10T19:40:12",)"
                               R"("resolutions":[{"resolution":"640x480","passes":[{"fps":61.25}],)"
                               R"("statistics":{"count":1,"mean":61.25,"min":61.25,"max":61.25}}]})";
    struct Case {
        const char* what;
        std::function<void(Window&)> arrange;
        std::vector<std::string> shell;
        std::vector<std::string> messages;
        std::vector<std::string> errors;
        bool pageLeft;
    } cases[] = {
        {"a run in the folder",
         [&](Window& w) { w.files.addFile("D:\\Results\\result_2026_12_10_19_40_12.json", result); },
         {"open D:\\Results\\history.htm"}, {}, {}, true},
        {"only a foreign file: the page names it",
         [](Window& w) { w.files.addFile("D:\\Results\\result_other.json", "{}"); },
         {"open D:\\Results\\history.htm"}, {}, {}, true},
        {"no results yet",
         [](Window& w) {
             w.files.addFolder("D:\\Results");
             w.files.addFile("D:\\Results\\history.htm", "stale");
         },
         {}, {"There are no results in the results folder yet. The history page is built from the results of the "
              "runs: run the benchmark first."}, {}, false},
        {"no results folder", [](Window&) {}, {}, {"The results directory not exist."}, {}, false},
        {"a folder that cannot be written, with a page of earlier",
         [&](Window& w) {
             w.files.addFile("D:\\Results\\result_2026_12_10_19_40_12.json", result);
             w.files.addFile("D:\\Results\\history.htm", "earlier");
             w.files.readOnly.insert(MemoryFileSystem::norm("D:\\Results\\history.htm"));
         },
         {"open D:\\Results\\history.htm"}, {}, {}, true},
        {"a folder that cannot be written, without a page",
         [&](Window& w) {
             w.files.addFile("D:\\Results\\result_2026_12_10_19_40_12.json", result);
             w.files.readOnly.insert(MemoryFileSystem::norm("D:\\Results\\history.htm"));
         },
         {}, {}, {"The history page could not be built: Cannot create file \"D:\\Results\\history.htm\": Access is denied"},
         false},
    };
    for (const auto& c : cases) {
        Window w;
        c.arrange(w);
        w.view.setText(ControlId::ResEdit, "D:\\Results\\");
        w.run(&MainWindow::onHistoryClicked);
        EXPECT_EQ(w.log, c.shell) << c.what;
        EXPECT_EQ(w.dialogs.messages, c.messages) << c.what;
        EXPECT_EQ(w.dialogs.errors, c.errors) << c.what;
        EXPECT_EQ(w.files.fileExists("D:\\Results\\history.htm"), c.pageLeft) << c.what;
        EXPECT_THAT(w.keys.writes, IsEmpty()) << c.what;
    }
    // The page opened is the one just built.
    Window w;
    w.files.addFile("D:\\Results\\result_2026_12_10_19_40_12.json", result);
    w.view.setText(ControlId::ResEdit, "D:\\Results\\");
    w.run(&MainWindow::onHistoryClicked);
    EXPECT_NE(w.files.content("D:\\Results\\history.htm").find("61.3 FPS"), std::string::npos);
}

TEST(DemoFileTest, ConfirmedFileIsShownAndStoredCancelKeepsThePreviousOne) {
    Window w;
    w.keys.set(kKey, "Demoname", "D:\\old.dem");
    w.view.setText(ControlId::DemoEdit, "D:\\old.dem");
    w.run(&MainWindow::onChooseDemoClicked);
    EXPECT_THAT(w.fileDialogs.fileDialogs,
                ElementsAre("Browse for Serious Sam 2 demo files... / Serious Sam 2 demo file (*.dem)|*.dem"));
    EXPECT_EQ(w.view.text(ControlId::DemoEdit), "D:\\old.dem");
    EXPECT_EQ(w.keys.get(kKey, "Demoname"), "D:\\old.dem");

    w.fileDialogs.fileAnswer = "D:\\Demos\\my run.dem";
    w.run(&MainWindow::onChooseDemoClicked);
    EXPECT_EQ(w.view.text(ControlId::DemoEdit), "D:\\Demos\\my run.dem");
    EXPECT_EQ(w.keys.get(kKey, "Demoname"), "D:\\Demos\\my run.dem");
}

TEST(NavigationTest, ItemsShowTheirPagesAndChromeReachesTheApplication) {
    const std::pair<void (MainWindow::*)(), int> pages[] = {{&MainWindow::onPathAndNotesClicked, 0},
                                                         {&MainWindow::onResolutionAndDemoClicked, 1},
                                                         {&MainWindow::onHdrAndFiltersClicked, 2},
                                                         {&MainWindow::onUpdatePageClicked, 3},
                                                         {&MainWindow::onAboutClicked, 4},
                                                         {&MainWindow::onPassesAndHistoryClicked, kPassesPage}};
    Window w;
    for (const auto& [handler, page] : pages) {
        w.view.showPage(page == 0 ? 4 : 0);
        w.run(handler);
        EXPECT_EQ(w.view.page(), page);
    }
    w.run(&MainWindow::onHomepageClicked);
    w.run(&MainWindow::onMinimiseClicked);
    w.run(&MainWindow::onCloseClicked);
    w.run(&MainWindow::onPossibilitiesClicked);
    EXPECT_THAT(w.log, ElementsAre("open-normal www.velkora.com", "minimise", "terminate", "possibilities"));
    EXPECT_THAT(w.keys.writes, IsEmpty());
}

TEST(HelpTest, AnExistingHelpFileOpensEvenWhenItIsEmpty) {
    Window w;
    w.files.addFile(kHelpFile, "");
    w.run(&MainWindow::onHelpClicked);
    EXPECT_THAT(w.log, ElementsAre(std::string("open ") + kHelpFile));
    EXPECT_THAT(w.dialogs.questions, IsEmpty());
}

TEST(HelpTest, DecliningTheDownloadLeavesNoHelpFolder) {
    Window w;
    w.run(&MainWindow::onHelpClicked);
    ASSERT_EQ(w.dialogs.questions.size(), 1u);
    EXPECT_EQ(w.dialogs.questions[0],
              "Corrupt help file! Would you like to download the newest help file from the Velkora server "
              "(approx. 450 KB)?");
    EXPECT_THAT(w.log, IsEmpty());
    EXPECT_FALSE(w.files.folderExists("C:\\Melkrin\\Help\\"));
}

constexpr const char* kMakersInfo = "https://www.velkora.com/benchmarks/ss2/qrv_melkrin.inf";
constexpr const char* kMakersHelp = "https://www.velkora.com/benchmarks/ss2/help.chm";
constexpr const char* kHelpPart = "C:\\Melkrin\\Help\\help.chm.part";
const std::string kChm = "ITSF\x03\0\0\0 help pages";

HelpFetch answer(std::string body, int status = 200) {
    return HelpFetch{HelpFetch::Outcome::Done, status, std::move(body)};
}
HelpFetch failure(HelpFetch::Outcome outcome, int status = -1) { return HelpFetch{outcome, status, ""}; }

std::string helpEntry(const std::string& url, const std::string& content) {
    return "#help=" + url + "\r\n#help.size=" + std::to_string(content.size()) + "\r\n#help.sha256=" +
           sha256Hex(content) + "\r\n";
}

// The information file at url, its entries trusted by the verifier as the developer's.
void publish(Window& w, const std::string& url, const std::string& entries) {
    w.verifier.trusted.push_back(entries);
    w.downloader.answers[url] = answer(entries + update::kSignatureKey + std::string(128, '0') + "\r\n");
}

std::string refusal(const std::string& reason) {
    return "The help file could not be downloaded: " + reason + ".\r\rNo help file was stored. Please try again later.";
}

TEST(HelpTest, TheSignedHelpFileIsStoredBesideThenRenamedAndOpened) {
    Window w;
    w.dialogs.answers = {true};
    publish(w, kMakersInfo, "#version=1.2\r\n" + helpEntry(kMakersHelp, kChm));
    w.downloader.answers[kMakersHelp] = answer(kChm);
    w.run(&MainWindow::onHelpClicked);
    EXPECT_THAT(w.log, ElementsAre("show Form2", std::string("fetch ") + kMakersInfo + " up to 1048576 as help.chm",
                                   std::string("fetch ") + kMakersHelp + " up to " + std::to_string(kChm.size()) +
                                       " as help.chm",
                                   "close Form2", std::string("open ") + kHelpFile));
    EXPECT_EQ(w.files.readFile(kHelpFile), kChm);
    EXPECT_FALSE(w.files.fileExists(kHelpPart));
    EXPECT_THAT(w.waits.sleeps, ElementsAre(1000u));
    EXPECT_THAT(w.dialogs.errors, IsEmpty());
}

TEST(HelpTest, AMirrorInTheSettingsServesBothAndMayUsePlainHttp) {
    Window w;
    w.dialogs.answers = {true};
    w.keys.set(kKey, names::kUpdateServer, "http://127.0.0.1:8123/");
    publish(w, "http://127.0.0.1:8123/benchmarks/ss2/qrv_melkrin.inf",
            "#version=1.2\r\n" + helpEntry("http://127.0.0.1:8123/help.chm", kChm));
    w.downloader.answers["http://127.0.0.1:8123/help.chm"] = answer(kChm);
    w.run(&MainWindow::onHelpClicked);
    EXPECT_EQ(w.files.readFile(kHelpFile), kChm);
    EXPECT_EQ(w.log.back(), std::string("open ") + kHelpFile);
}

// Every refusal says why in words, opens nothing and leaves no file (not even
// the help folder's temporary one) behind.
TEST(HelpTest, EveryRefusalLeavesNoFileAndSaysWhy) {
    const std::string good = "#version=1.2\r\n" + helpEntry(kMakersHelp, kChm);
    struct Case {
        const char* what;
        std::function<void(Window&)> serve;
        std::string reason;
    } cases[] = {
        {"information unreachable", [](Window&) {}, "the server of the update information could not be reached"},
        {"information missing",
         [](Window& w) { w.downloader.answers[kMakersInfo] = failure(HelpFetch::Outcome::HttpError, 404); },
         "the server does not have the update information"},
        {"information unsigned",
         [&](Window& w) { w.downloader.answers[kMakersInfo] = answer(good); },
         "the update information on the server is not signed"},
        {"information signed by someone else",
         [&](Window& w) {
             w.downloader.answers[kMakersInfo] = answer(good + update::kSignatureKey + std::string(128, '0'));
         },
         "the update information on the server does not carry the developer's valid signature"},
        {"a message carrying its own help entry",
         [&](Window& w) {
             publish(w, kMakersInfo, "#message={" + helpEntry("https://evil.example/x.chm", "x") + "}\r\n" + good);
         },
         "the update information on the server names the same entry twice"},
        {"no help entry", [](Window& w) { publish(w, kMakersInfo, "#version=1.2\r\n"); },
         "the update information on the server does not name a help file"},
        {"help entry without a checksum",
         [](Window& w) { publish(w, kMakersInfo, std::string("#help=") + kMakersHelp + "\r\n#help.size=4\r\n"); },
         "the update information on the server does not give a checksum and size for every file"},
        {"plain http without a mirror",
         [](Window& w) {
             publish(w, kMakersInfo, helpEntry("http://www.velkora.com/help.chm", kChm));
             w.downloader.answers["http://www.velkora.com/help.chm"] = answer(kChm);
         },
         "the help file's address is not a secure (https) one"},
        {"help file missing",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = failure(HelpFetch::Outcome::HttpError, 404);
         },
         "the server does not have the help file"},
        {"server error",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = failure(HelpFetch::Outcome::HttpError, 503);
         },
         "the server reported an error of its own for the help file"},
        {"a part of the file (206)",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = answer(kChm, 206);
         },
         "the server did not answer with the whole of the help file"},
        {"longer than signed",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = answer(kChm + "!");
         },
         "the help file is larger than it may be"},
        {"shorter than signed",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = answer(kChm.substr(1));
         },
         "the file that arrived is not the help file the developer published (its size or checksum differs)"},
        {"same size, other bytes",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             std::string other = kChm;
             other[0] = 'X';
             w.downloader.answers[kMakersHelp] = answer(other);
         },
         "the file that arrived is not the help file the developer published (its size or checksum differs)"},
        {"broken off",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = failure(HelpFetch::Outcome::Incomplete, 200);
         },
         "the connection broke off before all of the help file arrived"},
        {"https sent on to http",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = failure(HelpFetch::Outcome::InsecureRedirect, 302);
         },
         "the secure (https) address of the help file sent the request on to one that is not secure"},
        {"the file cannot be written",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = answer(kChm);
             w.files.addFolder("C:\\Melkrin\\Help\\");
             w.files.readOnly.insert(MemoryFileSystem::norm(kHelpPart));
         },
         "it could not be stored (Cannot create file \"C:\\Melkrin\\Help\\help.chm.part\": Access is denied)"},
        {"the rename fails",
         [&](Window& w) {
             publish(w, kMakersInfo, good);
             w.downloader.answers[kMakersHelp] = answer(kChm);
             w.files.readOnly.insert(MemoryFileSystem::norm(kHelpFile));
         },
         "it could not be renamed to C:\\Melkrin\\Help\\help.chm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.dialogs.answers = {true};
        c.serve(w);
        w.run(&MainWindow::onHelpClicked);
        EXPECT_THAT(w.dialogs.errors, ElementsAre(refusal(c.reason)));
        EXPECT_EQ(w.log.front(), "show Form2");
        EXPECT_EQ(w.log.back(), "close Form2") << "nothing opened";
        EXPECT_FALSE(w.files.fileExists(kHelpFile));
        EXPECT_FALSE(w.files.fileExists(kHelpPart));
    }
}

TEST(HelpTest, WiredAsTheProgramWiresItTheDownloadAsksTheMakersServer) {
    // The services as the program hands them over: no address of the test's own.
    MainWindowDoubles doubles;
    StateView view;
    MainWindow form{view, doubles.services(kProgram)};
    doubles.files.addFolder(kProgram);
    form.attachUi(doubles.uiServices());
    doubles.dialogs.answers = {true};
    EXPECT_TRUE(form.guarded([&] { form.onHelpClicked(); }));
    EXPECT_THAT(doubles.log, ElementsAre("show Form2", std::string("fetch ") + kMakersInfo + " up to 1048576 as help.chm",
                                         "close Form2"));
    EXPECT_FALSE(doubles.files.folderExists("C:\\Melkrin\\Help\\"));
}

TEST(HandlersTest, WithoutTheWindowsServicesAHandlerFailsVisibly) {
    MainWindowDoubles doubles;
    StateView view;
    MainWindow form{view, doubles.services(kProgram)};
    EXPECT_FALSE(form.guarded([&] { form.onChooseResultsFolderClicked(); }));
    EXPECT_EQ(doubles.dialogs.errors.size(), 1u);
}

}  // namespace
}  // namespace melkrin

namespace melkrin {
namespace {

struct UpdateWindow : Window {
    update::HttpProxy proxy;
    int checks = 0;
    UpdateWindow() {
        proxy.proxyServer = "stored.proxy";
        proxy.proxyPort = 3128;
        form.attachUpdate(proxy, [this] { ++checks; });
        view.setText(ControlId::ProxyServerEdit, "proxy.lan");
        view.setText(ControlId::ProxyPortEdit, "8088");
        view.setText(ControlId::ProxyUsernameEdit, "joe");
        view.setText(ControlId::ProxyPassEdit, "p\xD7ss");
    }
};

TEST(UpdateButtonTest, TheProxyFieldsAsTheyStandGoToTheCheck) {
    UpdateWindow w;
    w.view.setChecked(ControlId::UseProxyBox, true);
    w.run(&MainWindow::onUpdateClicked);
    EXPECT_EQ(w.checks, 1);
    EXPECT_EQ(w.proxy.accessType, update::HttpAccessType::UseProxy);
    EXPECT_EQ(w.proxy.proxyServer, "proxy.lan");
    EXPECT_EQ(w.proxy.proxyPort, 8088);
    EXPECT_EQ(w.proxy.proxyUsername, "joe");
    EXPECT_EQ(w.proxy.proxyPassword, "p\xD7ss");
    EXPECT_THAT(w.keys.writes, IsEmpty()) << "nothing in the window writes the proxy values";
}

TEST(UpdateButtonTest, WithoutTheProxyBoxTheSessionIsDirectAndTheFieldsStay) {
    UpdateWindow w;
    w.run(&MainWindow::onUpdateClicked);
    EXPECT_EQ(w.checks, 1);
    EXPECT_EQ(w.proxy.accessType, update::HttpAccessType::Direct);
    EXPECT_EQ(w.proxy.proxyServer, "stored.proxy");
    EXPECT_EQ(w.proxy.proxyPort, 3128);
}

TEST(UpdateButtonTest, APortFieldWithoutAWholeNumberIsAConversionErrorAndNothingStarts) {
    for (const char* port : {"", "80a", "abc", "99999999999", "8.5", "-"}) {
        SCOPED_TRACE(port);
        UpdateWindow w;
        w.view.setChecked(ControlId::UseProxyBox, true);
        w.view.setText(ControlId::ProxyPortEdit, port);
        w.run(&MainWindow::onUpdateClicked);
        EXPECT_EQ(w.checks, 0);
        EXPECT_THAT(w.dialogs.errors, ElementsAre(std::string("'") + port + "' is not a valid integer value"));
        EXPECT_EQ(w.proxy.proxyServer, "stored.proxy");
        EXPECT_EQ(w.proxy.accessType, update::HttpAccessType::Preconfig);
    }
    UpdateWindow w;
    w.view.setChecked(ControlId::UseProxyBox, true);
    w.view.setText(ControlId::ProxyPortEdit, " 8080 ");
    w.run(&MainWindow::onUpdateClicked);
    EXPECT_EQ(w.proxy.proxyPort, 8080);
}

TEST(UpdateButtonTest, TheUpdateMessages) {
    UpdateWindow w;
    w.run(&MainWindow::onUpdateAborted);
    w.run(&MainWindow::onUpgradeLater);
    w.run(&MainWindow::onUpdateHostUnreachable);
    EXPECT_THAT(w.dialogs.messages, ElementsAre("Update aborted.", "Update aborted.", "No internet connection."));
}

}  // namespace
}  // namespace melkrin
