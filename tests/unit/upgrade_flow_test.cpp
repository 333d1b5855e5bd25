// The upgrade flow over a transfer client the test completes by hand: the
// question, the downloads, every failure, the abort and the hand-over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "fake_update.h"
#include "common/sha256.h"
#include "update/update_texts.h"
#include "update/upgrade_flow.h"

namespace melkrin::update {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using namespace melkrin::testing;

constexpr const char* kFolder = "C:\\Program Files\\Melkrin\\";
constexpr const char* kProgram = "C:\\Program Files\\Melkrin\\melkrin.exe";
constexpr const char* kHelper = "C:\\Windows\\Temp\\MelkrinUpd-0123456789abcdef0123456789abcdef\\UpdHelper.exe";
constexpr const char* kServer = "http://127.0.0.1:8080/benchmarks/ss2/";

class MemoryUpgradeFiles : public UpgradeFiles {
public:
    std::vector<std::string> pendingFiles(const std::string& folder) override {
        std::vector<std::string> names;
        for (const auto& [path, bytes] : files)
            if (path.rfind(folder, 0) == 0 && path.size() > 5 && path.substr(path.size() - 5) == ".uTMP")
                names.push_back(path.substr(folder.size()));
        return names;
    }
    bool deleteFile(const std::string& path) override { return files.erase(path) != 0; }
    std::optional<std::uint64_t> fileSize(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second.size();
    }
    std::optional<std::string> readAll(const std::string& path) override {
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    void setFileTime(const std::string& path, LocalDateTime time) override { times[path] = time; }

    std::map<std::string, std::string> files;
    std::map<std::string, LocalDateTime> times;
};

class ScriptedWindows : public UpgradeWindows {
public:
    bool askUpgrade(const std::string& message) override {
        log.push_back("question: " + message);
        return answerUpgrade;
    }
    void openWizard() override {
        log.push_back("wizard");
        open = true;
    }
    bool wizardOpen() override { return open; }
    void setLocation(const std::string& url) override { location = url; }
    void setCounter(const std::string& text) override { counter = text; }
    void setSizeLine(const std::string& text) override { sizeLine = text; }
    void setProgress(int current, int all, const std::string& rate, const std::string& time) override {
        currentBar = current;
        allBar = all;
        rateLine = rate;
        timeLine = time;
    }
    void showFinalPage() override { log.push_back("final page"); }
    void closeWizard() override {
        log.push_back("wizard closed");
        open = false;
    }
    bool askYesNo(const std::string& text, const std::string& caption) override {
        log.push_back("ask [" + caption + "] " + text);
        return answerSkip;
    }
    std::optional<Credentials> askPassword(const std::string& fileName, const Credentials&) override {
        log.push_back("password for " + fileName);
        if (!answerPassword) return std::nullopt;
        return Credentials{"joe", "secret"};
    }
    void openInBrowser(const std::string& url) override { log.push_back("browser " + url); }
    char decimalSeparator() override { return separator; }

    bool answerUpgrade = true, answerSkip = false, answerPassword = false, open = false;
    char separator = '.';
    std::vector<std::string> log;
    std::string location, counter, sizeLine, rateLine, timeLine;
    int currentBar = -1, allBar = -1;
};

class RecordingLauncher : public HelperLauncher {
public:
    HandOverResult handOver(const std::string& programPath, const std::string& argument) override {
        log.push_back("hand over " + programPath + " +" + argument);
        HandOverResult result;
        result.reached = reached;
        result.helperPath = kHelper;
        return result;
    }
    void closeApplication() override { log.push_back("close"); }
    HandOverStep reached = HandOverStep::Done;
    std::vector<std::string> log;
};

struct Listed {
    std::string name, content;
    bool optional = false;
};

struct Rig {
    FakeHttpTransfer transfer;
    FakeVerifier verifier;
    FakeUpdateMessages messages;
    ManualScheduler scheduler;
    FakeOnlineTest online;
    MemoryUpgradeFiles files;
    ScriptedWindows windows;
    RecordingLauncher launcher;
    std::vector<std::string> events;
    UpdateChecker updater{{transfer, verifier, messages, scheduler, online, [] { return CalendarDate{2026, 12, 10}; },
                          [](const std::string&) {}}};
    UpgradeFlow flow{{transfer, files, windows, launcher, messages, kProgram, kFolder, "melkrin"}};
    std::vector<Listed> listed;

    Rig() {
        updater.infoFileUrl = std::string(kServer) + "qrv_melkrin.inf";
        updater.versionControl = VersionScheme::Number;
        updater.versionNumber = "1.0";
        updater.showMessages = {UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                                UpdateMessage::HostUnreachable, UpdateMessage::LostFile,
                                UpdateMessage::NoUpdateAvailable};
        updater.attachUpgrade(flow);
        flow.onAborted = [this] { events.push_back("aborted"); };
        flow.onLaterUpgrade = [this] { events.push_back("later"); };
        flow.onHostUnreachable = [this](const std::string& url, const std::string& host) {
            events.push_back("unreachable " + url + " " + host);
        };
    }

    // The check finds 1.1 listing these files (by URL tail and content).
    void offer(std::vector<Listed> newFiles, const std::string& method = "0", const std::string& message = "Faster") {
        listed = std::move(newFiles);
        std::string entries = "#version=1.1\r\n#method=" + method + "\r\n#message={" + message + "}\r\n";
        for (std::size_t i = 0; i < listed.size(); ++i) {
            const std::string key = "url" + std::to_string(i + 1);
            const std::string url = listed[i].name.find("://") == std::string::npos && listed[i].name.rfind("www.", 0) != 0
                                        ? kServer + listed[i].name
                                        : listed[i].name;
            entries += "#" + key + "=" + url + "\r\n#" + key + ".size=" + std::to_string(listed[i].content.size()) +
                       "\r\n#" + key + ".sha256=" + sha256Hex(listed[i].content) + "\r\n";
            if (listed[i].optional) entries += "#" + key + ".optional=1\r\n";
        }
        verifier.trusted.push_back(entries);
        updater.startUpdateCheck();
        transfer.finishDone(entries + kSignatureKey + std::string(128, '0') + "\r\n");
    }

    // The running transfer writes its file and completes.
    void deliver(const std::string& bytes, LocalDateTime lastModified = 0) {
        transfer.sendHeaders(static_cast<std::uint32_t>(bytes.size()), lastModified);
        files.files[transfer.starts.back().output] = bytes;
        transfer.finishDone("");
    }
    void deliverListed() { deliver(listed[flow.fileIndex()].content); }
    std::vector<std::string> messageTexts() const {
        std::vector<std::string> texts;
        for (const auto& m : messages.shown) texts.push_back(m.text);
        return texts;
    }
};

std::string pending(const std::string& name) { return std::string(kFolder) + name + ".uTMP"; }

TEST(UpgradeFlowTest, SelfUpgradeDownloadsEveryFileThenStartsTheHelperQuoted) {
    Rig rig;
    rig.offer({{"melkrin.exe", "new program"}, {"data/levels.dat", "levels"}});
    EXPECT_THAT(rig.windows.log, ElementsAre("question: Faster", "wizard"));
    ASSERT_EQ(rig.transfer.starts.size(), 2u);  // the information file, then the first file
    EXPECT_EQ(rig.transfer.starts[1].output, pending("melkrin.exe"));
    EXPECT_TRUE(rig.transfer.hiddenOutputFile);
    EXPECT_EQ(rig.windows.counter, "Downloading 1 of 2");
    EXPECT_EQ(rig.windows.location, std::string(kServer) + "melkrin.exe");
    // File mode keeps the client's own cache options: no added no-cache pragma.
    EXPECT_EQ(rig.transfer.starts[1].cache.count(CacheOption::PragmaNoCache), 0u);
    // Each download may not pass its signed size.
    EXPECT_EQ(rig.transfer.starts[1].maxBody, 11u);

    rig.deliver("new program", 1'700'000'000);
    EXPECT_EQ(rig.files.times[pending("melkrin.exe")], 1'700'000'000);
    EXPECT_EQ(rig.windows.counter, "Downloading 2 of 2");
    EXPECT_EQ(rig.transfer.starts.back().output, pending("levels.dat"));
    EXPECT_EQ(rig.transfer.starts.back().maxBody, 6u);
    rig.deliver("levels");
    EXPECT_EQ(rig.files.times.count(pending("levels.dat")), 0u) << "no Last-Modified, no time set";
    EXPECT_EQ(rig.windows.log.back(), "final page");
    EXPECT_THAT(rig.launcher.log, IsEmpty()) << "the restart waits for the wizard";

    rig.flow.wizardClosed(WizardEnd::Finished);
    EXPECT_THAT(rig.launcher.log,
                ElementsAre("hand over C:\\Program Files\\Melkrin\\melkrin.exe +/afterupgrade0", "close"));
    EXPECT_EQ(rig.files.files.size(), 2u) << "the pending files stay for the helper";
    EXPECT_THAT(rig.messages.shown, IsEmpty());
}

TEST(UpgradeFlowTest, QuestionRedirectAndExternalSetup) {
    {  // declined: nothing downloaded
        Rig rig;
        rig.windows.answerUpgrade = false;
        rig.offer({{"melkrin.exe", "x"}});
        EXPECT_THAT(rig.events, ElementsAre("later"));
        EXPECT_EQ(rig.transfer.starts.size(), 1u);
    }
    {  // a handler of OnBeginUpgrade declines for the user
        Rig rig;
        rig.updater.onBeginUpgrade = [](UpdateChecker&, const UpdateOffer&) { return false; };
        rig.offer({{"melkrin.exe", "x"}});
        EXPECT_THAT(rig.events, ElementsAre("later"));
        EXPECT_THAT(rig.windows.log, IsEmpty());
    }
    {  // redirect: the first URL in the browser, http:// added, nothing else
        Rig rig;
        rig.offer({{"www.example.test/news.html", "a"}, {"melkrin.exe", "b"}}, "2");
        EXPECT_EQ(rig.windows.log.back(), "browser http://www.example.test/news.html");
        EXPECT_EQ(rig.transfer.starts.size(), 1u);
        EXPECT_THAT(rig.events, IsEmpty());
    }
    {  // external setup: the method digit 1, no wizard when disabled
        Rig rig;
        rig.flow.wizardEnabled = false;
        rig.offer({{"setup.exe", "setup"}}, "1");
        rig.deliverListed();
        ASSERT_EQ(rig.launcher.log.size(), 2u);
        EXPECT_THAT(rig.launcher.log[0], HasSubstr(" +/afterupgrade1"));
    }
}

TEST(UpgradeFlowTest, TotalPercentsAndWizardLines) {
    EXPECT_EQ(totalPercentsDone(1, 3, 50), 49);  // 33 + 16
    EXPECT_EQ(totalPercentsDone(0, 3, 100), 33);
    EXPECT_EQ(totalPercentsDone(2, 3, 99), 67 + 33);
    EXPECT_EQ(totalPercentsDone(1, 2, 100), 100);
    EXPECT_EQ(totalPercentsDone(0, 1, 37), 37);

    Rig rig;
    rig.windows.separator = ',';
    rig.offer({{"a.dat", "a"}, {"b.dat", "bbbb"}, {"c.dat", "c"}});
    rig.deliverListed();
    rig.transfer.sendHeaders(3584);
    EXPECT_EQ(rig.windows.sizeLine, "File size: 3,5 Kb");
    rig.transfer.sendProgress(3584, 1792, 50, 12.25f, 3 * 3600 + 7 * 60 + 5);
    EXPECT_EQ(rig.windows.currentBar, 50);
    EXPECT_EQ(rig.windows.allBar, 49);
    EXPECT_EQ(rig.windows.rateLine, "Transfer rate: 12,2 Kb/s");
    EXPECT_EQ(rig.windows.timeLine, "Estimated time left: 3:07:05");
}

TEST(UpgradeFlowTest, FailuresEndTheRoundAndLeaveNoPendingFile) {
    struct Case {
        const char* what;
        std::function<void(Rig&)> fail;
        std::vector<std::string> messages;
        std::vector<std::string> events;
        UpgradeEnd end;
    } cases[] = {
        {"connection lost",
         [](Rig& r) {
             r.files.files[r.transfer.starts.back().output] = "half";
             r.transfer.finishIncomplete();
         },
         {kConnLostText}, {}, UpgradeEnd::ConnLost},
        {"host unreachable",
         [](Rig& r) { r.transfer.finishUnreachable(); },
         {"Host 'http://127.0.0.1' unreachable.\r\rPlease check your Internet connection and\rtry to upgrade this "
          "software again later."},
         {"unreachable http://127.0.0.1:8080/benchmarks/ss2/b.dat 127.0.0.1"}, UpgradeEnd::HostUnreachable},
        {"lost file, not skipped", [](Rig& r) { r.transfer.finishHttpError(404); }, {}, {"aborted"},
         UpgradeEnd::Aborted},
        {"wrong content", [](Rig& r) { r.deliver("bbbX"); },
         {"The downloaded file b.dat is not the file the developer published (its size or checksum differs).\r\r"
          "The update was stopped for your safety: nothing was installed."},
         {}, UpgradeEnd::FileMismatch},
        {"right size, wrong hash", [](Rig& r) { r.deliver("XXXX"); }, {}, {}, UpgradeEnd::FileMismatch},
        {"body beyond its listed size",
         [](Rig& r) { r.transfer.finishRefused(TransferRefusal::TooLarge); },
         {"The downloaded file b.dat is not the file the developer published (its size or checksum differs).\r\r"
          "The update was stopped for your safety: nothing was installed."},
         {}, UpgradeEnd::FileMismatch},
        {"redirect loop",
         [](Rig& r) { r.transfer.finishRefused(TransferRefusal::TooManyRedirects, 302); },
         {"The developer's site sends the request for http://127.0.0.1:8080/benchmarks/ss2/b.dat from one address "
          "to another without end.\r\rPlease try to upgrade this software again later."},
         {}, UpgradeEnd::RedirectLoop},
        {"redirect from https to http",
         [](Rig& r) { r.transfer.finishRefused(TransferRefusal::InsecureRedirect, 302); },
         {"The secure (https) request for http://127.0.0.1:8080/benchmarks/ss2/b.dat was sent on to an address that "
          "is not secure (plain http).\r\rThe update was stopped for your safety: the request was not followed "
          "there."},
         {}, UpgradeEnd::InsecureRedirect},
        {"cancelled in the wizard", [](Rig& r) { r.flow.wizardClosed(WizardEnd::Aborted); }, {}, {"aborted"},
         UpgradeEnd::Aborted},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Rig rig;
        rig.files.files[pending("stale.dll")] = "left by an earlier round";
        rig.offer({{"a.dat", "a"}, {"b.dat", "bbbb"}});
        EXPECT_EQ(rig.files.files.count(pending("stale.dll")), 0u) << "removed before the round's downloads";
        rig.deliverListed();
        rig.transfer.sendHeaders(4);
        c.fail(rig);
        if (!c.messages.empty()) { EXPECT_EQ(rig.messageTexts(), c.messages); }
        if (c.end == UpgradeEnd::FileMismatch) { EXPECT_EQ(rig.messageTexts().size(), 1u); }
        EXPECT_EQ(rig.events, c.events);
        EXPECT_EQ(rig.flow.lastEnd(), c.end);
        EXPECT_EQ(rig.flow.state(), UpgradeState::Idle);
        EXPECT_THAT(rig.files.files, IsEmpty()) << "no pending file may reach the helper";
        EXPECT_THAT(rig.launcher.log, IsEmpty());
        EXPECT_FALSE(rig.windows.open);
        EXPECT_EQ(rig.transfer.starts.size(), 3u) << "nothing started after the failure";
        // A new check may start at once.
        rig.updater.startUpdateCheck();
        EXPECT_EQ(rig.transfer.starts.size(), 4u);
    }
}

TEST(UpgradeFlowTest, LostFileQuestionSkipsOnYesOnlyAnOptionalFile) {
    Rig rig;
    rig.windows.answerSkip = true;
    rig.offer({{"a.dat", "a", true}, {"b.dat", "b"}});
    rig.transfer.finishHttpError(403);
    EXPECT_EQ(rig.windows.log.back(),
              "ask [Error #403] File a.dat not found or inaccessible.\r\rTry to skip this file and continue upgrade?");
    EXPECT_EQ(rig.transfer.starts.back().output, pending("b.dat"));
    rig.deliverListed();
    rig.flow.wizardClosed(WizardEnd::Finished);
    EXPECT_EQ(rig.files.files.count(pending("b.dat")), 1u);
    EXPECT_EQ(rig.launcher.log.back(), "close");
}

// All or none: skipping a file the update needs installs nothing of the set,
// whether it is the first, a middle or the last one.
TEST(UpgradeFlowTest, SkippingARequiredFileInstallsNothing) {
    for (std::size_t lost : {0u, 1u, 2u}) {
        SCOPED_TRACE(lost);
        Rig rig;
        rig.windows.answerSkip = true;
        // An optional file elsewhere in the set changes nothing.
        rig.offer({{"melkrin.exe", "new program"}, {"b.dat", "bb"}, {"c.dat", "c", lost != 2}});
        for (std::size_t i = 0; i < lost; ++i) rig.deliverListed();
        rig.transfer.finishHttpError(404);
        EXPECT_EQ(rig.flow.lastEnd(), UpgradeEnd::RequiredFileSkipped);
        EXPECT_EQ(rig.flow.state(), UpgradeState::Idle);
        const std::string name = rig.listed[lost].name;
        EXPECT_THAT(rig.messageTexts(),
                    ElementsAre("The file " + name + " was skipped, but the update cannot work without it.\r\r"
                                "Nothing of this update was installed; the program stays as it was."));
        EXPECT_THAT(rig.files.files, IsEmpty()) << "the files downloaded before are removed too";
        EXPECT_THAT(rig.launcher.log, IsEmpty()) << "no helper";
        EXPECT_FALSE(rig.windows.open);
        EXPECT_EQ(rig.transfer.starts.size(), lost + 2) << "nothing downloaded after the skip";
    }
}

TEST(UpgradeFlowTest, AbortWhileDownloadingStopsTheTransferWhichDeletesItsFile) {
    Rig rig;
    rig.flow.onFileDone = [&rig](const std::string& name) { rig.events.push_back("done " + name); };
    rig.offer({{"a.dat", "a"}, {"b.dat", "bb"}});
    rig.deliverListed();
    rig.transfer.sendHeaders(2);
    rig.flow.wizardClosed(WizardEnd::Aborted);
    EXPECT_THAT(rig.transfer.stops, ElementsAre(true));
    EXPECT_TRUE(rig.flow.abortedMark());
    EXPECT_THAT(rig.files.files, IsEmpty());
    EXPECT_THAT(rig.events, ElementsAre("done " + pending("a.dat"), "aborted"));
}

TEST(UpgradeFlowTest, TheProgramEndingDuringARoundLeavesNothingPending) {
    Rig rig;
    rig.offer({{"a.dat", "a"}, {"b.dat", "bb"}});
    rig.deliverListed();
    rig.flow.stop();
    EXPECT_THAT(rig.transfer.stops, ElementsAre(true));
    EXPECT_THAT(rig.files.files, IsEmpty());
    EXPECT_FALSE(rig.windows.open);
    EXPECT_THAT(rig.events, IsEmpty()) << "no message while the program ends";
}

TEST(UpgradeFlowTest, AbortOnTheFinalPageMeansNoRestart) {
    Rig rig;
    rig.offer({{"a.dat", "a"}});
    rig.deliverListed();
    EXPECT_EQ(rig.flow.state(), UpgradeState::FinalPage);
    rig.flow.wizardClosed(WizardEnd::Aborted);
    rig.flow.wizardClosed(WizardEnd::Finished);  // a late close changes nothing
    EXPECT_THAT(rig.launcher.log, IsEmpty());
    EXPECT_THAT(rig.files.files, IsEmpty());
}

TEST(UpgradeFlowTest, RefusedNamesWriteNothing) {
    for (const char* url : {"http://h/dir/", "http://h/..", "http://h/a\\..", "http://h/x/c:evil.exe",
                            "http://h/x/a.dat:stream", "http://h/NUL", "http://h/com1.txt", "http://h/LPT9",
                            "http://h/con", "http://h/get.php?f=a.exe", "http://h/trailing.", "http://h/blank "}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(localFileNameOf(url), "");
        Rig rig;
        rig.files.files[pending("melkrin.exe")] = "kept until a round really starts";
        rig.offer({{"good.dat", "g"}, {url, "x"}});
        EXPECT_EQ(rig.transfer.starts.size(), 1u) << "nothing downloaded";
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_THAT(rig.messages.shown[0].text, HasSubstr(url));
        EXPECT_EQ(rig.messages.shown[0].caption, "Application update wizard");
        EXPECT_EQ(rig.flow.lastEnd(), UpgradeEnd::RefusedName);
        EXPECT_THAT(rig.windows.log, ElementsAre("question: Faster"));
    }
    for (auto [url, name] : {std::pair{"http://h/a/new.exe", "new.exe"}, {"h\\b\\Data.pak", "Data.pak"},
                             {"http://h/console.dat", "console.dat"}, {"http://h/COM10", "COM10"},
                             {"http://h/.hidden", ".hidden"}})
        EXPECT_EQ(localFileNameOf(url), name);
}

TEST(UpgradeFlowTest, HelperThatIsNotStartedInstallsNothing) {
    const struct {
        HandOverStep reached;
        const char* message;
    } cases[] = {
        {HandOverStep::Folder, "could not be written to C:\\Windows\\Temp\\MelkrinUpd-"},
        {HandOverStep::Security, "could not be written to C:\\Windows\\Temp\\MelkrinUpd-"},
        {HandOverStep::Write, "could not be written to C:\\Windows\\Temp\\MelkrinUpd-"},
        {HandOverStep::Check, "The update helper could not be started."},
        {HandOverStep::Start, "The update helper could not be started."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.reached));
        Rig rig;
        rig.launcher.reached = c.reached;
        rig.offer({{"a.dat", "a"}});
        rig.deliverListed();
        rig.flow.wizardClosed(WizardEnd::Finished);
        EXPECT_THAT(rig.launcher.log, ElementsAre(HasSubstr("hand over "))) << "the program keeps running";
        EXPECT_THAT(rig.files.files, IsEmpty()) << "no pending file is left for a later helper";
        EXPECT_EQ(rig.flow.lastEnd(), UpgradeEnd::NotStarted);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_THAT(rig.messages.shown[0].text, HasSubstr(c.message));
    }
}

TEST(UpgradeFlowTest, onPasswordNeeded) {
    {  // not among the messages this program shows: the 401 then ends as a lost file
        Rig rig;
        rig.offer({{"a.dat", "a"}});
        EXPECT_FALSE(rig.transfer.sendPasswordRequest("Members"));
        rig.transfer.finishHttpError(401);
        EXPECT_THAT(rig.windows.log, Contains(HasSubstr("[Error #401]")));
    }
    {  // shown and answered: the credentials go to the transfer, which tries again
        Rig rig;
        rig.updater.showMessages.insert(UpdateMessage::PasswordRequest);
        rig.windows.answerPassword = true;
        rig.offer({{"files/a.dat", "a"}});
        EXPECT_TRUE(rig.transfer.sendPasswordRequest("Members"));
        EXPECT_EQ(rig.windows.log.back(), "password for a.dat");
        EXPECT_EQ(rig.transfer.httpUsername, "joe");
        EXPECT_EQ(rig.transfer.httpPassword, "secret");
    }
    {  // cancelled: the round is aborted
        Rig rig;
        rig.updater.showMessages.insert(UpdateMessage::PasswordRequest);
        rig.offer({{"a.dat", "a"}});
        EXPECT_FALSE(rig.transfer.sendPasswordRequest("Members"));
        EXPECT_THAT(rig.events, ElementsAre("aborted"));
        EXPECT_THAT(rig.transfer.stops, ElementsAre(true));
    }
}

TEST(UpgradeFlowTest, OnlyIfSizeDifferentSkipsEqualFilesButNeverTheProgram) {
    Rig rig;
    rig.flow.miscFilesUpgrade = UpgradeFlow::MiscFilesBehavior::OnlyIfSizeDifferent;
    rig.files.files[std::string(kFolder) + "melkrin.exe"] = "same";
    rig.files.files[std::string(kFolder) + "a.dat"] = "same";
    rig.offer({{"melkrin.exe", "same"}, {"a.dat", "same"}});
    EXPECT_TRUE(rig.transfer.sendHeaders(4)) << "the program file is always fetched";
    rig.deliverListed();
    EXPECT_FALSE(rig.transfer.sendHeaders(4));
    rig.transfer.finishSkipped();
    EXPECT_EQ(rig.flow.state(), UpgradeState::FinalPage);
}

TEST(UpgradeFlowTest, ACheckDuringARoundIsIgnored) {
    Rig rig;
    rig.offer({{"a.dat", "a"}});
    rig.deliverListed();
    rig.updater.startUpdateCheck();
    EXPECT_EQ(rig.transfer.starts.size(), 2u);
}

}  // namespace
}  // namespace melkrin::update
