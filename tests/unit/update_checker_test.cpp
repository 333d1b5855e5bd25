#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fake_update.h"
#include "common/sha256.h"
#include "update/update_texts.h"

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace melkrin::testing;

constexpr const char* kCaption = "Application update wizard";
constexpr const char* kNoNewer = "Newer version not found. You actually are\rusing most recent version of this program.";

struct Rig {
    FakeHttpTransfer transfer;
    FakeVerifier verifier;
    FakeUpdateMessages messages;
    ManualScheduler scheduler;
    FakeOnlineTest online;
    std::vector<std::string> errors, events;
    UpdateChecker updater{{transfer, verifier, messages, scheduler, online, [] { return CalendarDate{2026, 12, 10}; },
                          [this](const std::string& e) { errors.push_back(e); }}};

    // This program's own settings of the component.
    Rig() {
        updater.infoFileUrl = "http://127.0.0.1:8080/benchmarks/ss2/qrv_melkrin.inf";
        updater.versionControl = VersionScheme::Number;
        updater.versionNumber = "1.2";
        updater.versionDate = "07/30/2006";
        updater.showMessages = {UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                                UpdateMessage::HostUnreachable, UpdateMessage::LostFile,
                                UpdateMessage::NoUpdateAvailable};
        updater.onNoUpdateAvailable = [this](UpdateChecker&) { events.push_back("no update"); };
        updater.onNoInfoFile = [this](UpdateChecker&) { events.push_back("no info file"); };
        updater.onConnLost = [this](UpdateChecker&) { events.push_back("connection lost"); };
        updater.onHostUnreachable = [this](UpdateChecker&, const std::string& url, const std::string& host) {
            events.push_back("unreachable " + url + " " + host);
        };
        updater.onUntrustedInfoFile = [this](UpdateChecker&, InfoVerdict) { events.push_back("untrusted"); };
        updater.onBeginUpgrade = [this](UpdateChecker&, const UpdateOffer& offer) {
            events.push_back("begin upgrade with " + std::to_string(offer.files.size()) + " files: " + offer.upgradeMsg);
            return true;
        };
    }

    // A file signed by the trusted key.
    std::string signedFile(const std::string& entries) {
        verifier.trusted.push_back(entries);
        return entries + kSignatureKey + std::string(128, '0') + "\r\n";
    }
};

std::string fileEntry(const std::string& key, const std::string& url, const std::string& content) {
    return "#" + key + "=" + url + "\r\n#" + key + ".size=" + std::to_string(content.size()) + "\r\n#" + key +
           ".sha256=" + sha256Hex(content) + "\r\n";
}

TEST(UpdateCheckerCheckTest, FetchesTheInformationFileIntoMemoryPastEveryCache) {
    Rig rig;
    rig.updater.startUpdateCheck();
    ASSERT_EQ(rig.transfer.starts.size(), 1u);
    EXPECT_EQ(rig.transfer.starts[0].url, "http://127.0.0.1:8080/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(rig.transfer.starts[0].output, "");
    EXPECT_TRUE(rig.transfer.starts[0].cache.count(CacheOption::PragmaNoCache));
    EXPECT_TRUE(rig.transfer.starts[0].cache.count(CacheOption::ReloadIfNoExpireInformation));
    EXPECT_TRUE(rig.updater.inInformationMode());
    // A server that sends without end cannot fill the memory.
    EXPECT_EQ(rig.transfer.starts[0].maxBody, 1u << 20);

    // Ignored while the worker is active, even after busy has ended.
    rig.transfer.busy = false;
    rig.updater.startUpdateCheck();
    EXPECT_EQ(rig.transfer.starts.size(), 1u);
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST(UpdateCheckerCheckTest, NewerOrNotByNumber) {
    struct Case {
        const char* version;
        bool newer;
    } cases[] = {{"1.3", true}, {"1.10", true}, {"1.2", false}, {"1.2.0.0", false}, {"1.1", false}, {"", false}};
    for (const auto& c : cases) {
        Rig rig;
        rig.updater.startUpdateCheck();
        rig.transfer.finishDone(rig.signedFile(std::string("#version=") + c.version + "\r\n#message={Faster}\r\n" +
                                               fileEntry("url1", "http://h/qrv_melkrin.exe", "exe")));
        if (c.newer) {
            EXPECT_THAT(rig.events, ElementsAre("begin upgrade with 1 files: Faster")) << c.version;
            EXPECT_TRUE(rig.messages.shown.empty());
        } else {
            EXPECT_THAT(rig.events, ElementsAre("no update")) << c.version;
            ASSERT_EQ(rig.messages.shown.size(), 1u);
            EXPECT_EQ(rig.messages.shown[0].text, kNoNewer);
            EXPECT_EQ(rig.messages.shown[0].caption, kCaption);
            EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Information);
        }
        EXPECT_FALSE(rig.updater.inInformationMode());
    }
}

TEST(UpdateCheckerCheckTest, NewerOrNotByDate) {
    struct Case {
        const char* date;
        bool newer;
    } cases[] = {{"07/30/2006", false}, {"07/31/2006", true}, {"07/29/2006", false}, {"never", true}};
    for (const auto& c : cases) {
        Rig rig;
        rig.updater.versionControl = VersionScheme::Date;
        rig.updater.startUpdateCheck();
        rig.transfer.finishDone(rig.signedFile(std::string("#version=0.1\r\n#date=") + c.date + "\r\n" +
                                               fileEntry("url", "http://h/a.exe", "a")));
        EXPECT_EQ(rig.events.size(), 1u);
        EXPECT_EQ(rig.events[0] != "no update", c.newer) << c.date;
    }
}

TEST(UpdateCheckerCheckTest, TheOfferCarriesTheCheckedFilesAndTheMethod) {
    Rig rig;
    UpdateOffer seen;
    rig.updater.onBeginUpgrade = [&](UpdateChecker&, const UpdateOffer& offer) {
        seen = offer;
        return true;
    };
    rig.updater.startUpdateCheck();
    rig.transfer.finishDone(rig.signedFile("#version=2.0\r\n#method=1\r\n#message={Line one\r\nLine two}\r\n" +
                                           fileEntry("url0", "http://h/setup.exe", "setup") +
                                           fileEntry("url2", "http://h/help.chm", "help")));
    ASSERT_EQ(seen.files.size(), 2u);
    EXPECT_EQ(seen.files[0].url, "http://h/setup.exe");
    EXPECT_EQ(seen.files[1].url, "http://h/help.chm");
    EXPECT_EQ(seen.files[1].sha256, sha256Hex("help"));
    EXPECT_EQ(seen.upgradeMethod, UpgradeKind::UseExternalSetup);
    EXPECT_EQ(seen.upgradeMsg, "Line one\r\nLine two");
}

TEST(UpdateCheckerCheckTest, ANewerVersionWithoutFilesIsNoNewerVersion) {
    Rig rig;
    rig.updater.startUpdateCheck();
    rig.transfer.finishDone(rig.signedFile("#version=9.0\r\n"));
    EXPECT_THAT(rig.events, ElementsAre("no update"));
}

TEST(UpdateCheckerCheckTest, AnUntrustedFileIsRefusedWhateverItSays) {
    struct Case {
        const char* what;
        std::function<std::string(Rig&)> body;
        const char* text;
    } cases[] = {
        {"unsigned", [](Rig&) { return "#version=9.0\r\n" + fileEntry("url", "http://evil/x.exe", "x"); },
         kUnsignedInfoText},
        {"signed by another key",
         [](Rig&) { return "#version=9.0\r\n#signature=" + std::string(128, '1') + "\r\n"; }, kBadSignatureText},
        {"changed after signing",
         [](Rig& r) {
             std::string file = r.signedFile("#version=1.0\r\n");
             file[10] = '9';
             return file;
         },
         kBadSignatureText},
        {"a line after the signature",
         [](Rig& r) { return r.signedFile("#version=1.0\r\n") + "#version=9.0\r\n"; }, kBadSignatureText},
        {"a file without its checksum",
         [](Rig& r) { return r.signedFile("#version=9.0\r\n#url=http://h/x.exe\r\n"); }, kUncheckedFileText},
        {"a message carrying its own url1",
         [](Rig& r) {
             return r.signedFile("#version=9.0\r\n#message={Fixes #url1=http://evil/x.exe}\r\n" +
                                 fileEntry("url1", "http://h/x.exe", "x"));
         },
         kRepeatedKeyText},
    };
    for (const auto& c : cases) {
        Rig rig;
        rig.updater.startUpdateCheck();
        rig.transfer.finishDone(c.body(rig));
        EXPECT_THAT(rig.events, ElementsAre("untrusted")) << c.what;
        ASSERT_EQ(rig.messages.shown.size(), 1u) << c.what;
        EXPECT_EQ(rig.messages.shown[0].text, c.text) << c.what;
        EXPECT_EQ(rig.messages.shown[0].caption, kCaption);
        EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Error);
        EXPECT_TRUE(rig.updater.offer().files.empty()) << c.what;
    }
}

TEST(UpdateCheckerCheckTest, FailuresReachTheirNotificationAndMessage) {
    {
        Rig rig;
        rig.updater.startUpdateCheck();
        rig.transfer.finishHttpError(404);
        EXPECT_THAT(rig.events, ElementsAre("no info file"));
        EXPECT_TRUE(rig.messages.shown.empty());  // NoInfoFile is off in this program
    }
    {
        Rig rig;
        rig.updater.showMessages.insert(UpdateMessage::NoInfoFile);
        rig.updater.startUpdateCheck();
        rig.transfer.finishHttpError(500);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text,
                  "File which contains upgrade information was not found on developer's site.");
        EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Error);
    }
    {
        Rig rig;
        rig.updater.startUpdateCheck();
        rig.transfer.finishIncomplete();
        EXPECT_THAT(rig.events, ElementsAre("connection lost"));
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text,
                  "Connection with remote server lost.\r\rPlease restore connection and try to\r"
                  "upgrade this software again later.");
        EXPECT_EQ(rig.messages.shown[0].caption, kCaption);
    }
    {
        Rig rig;
        rig.updater.infoFileUrl = "https://updates.velkora.com:8443/benchmarks/ss2/qrv_melkrin.inf";
        rig.updater.startUpdateCheck();
        rig.transfer.finishUnreachable();
        EXPECT_THAT(rig.events,
                    ElementsAre("unreachable https://updates.velkora.com:8443/benchmarks/ss2/qrv_melkrin.inf "
                                "updates.velkora.com"));
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        // The text names the host with "http://" whatever the scheme.
        EXPECT_EQ(rig.messages.shown[0].text,
                  "Host 'http://updates.velkora.com' unreachable.\r\rPlease check your Internet connection and\r"
                  "try to upgrade this software again later.");
        EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Error);
    }
}

TEST(UpdateCheckerCheckTest, AnInformationFileTheClientRefusedEndsTheCheckWithAMessage) {
    struct Case {
        TransferRefusal reason;
        int status;
        std::string text;
    } cases[] = {
        {TransferRefusal::TooLarge, 200,
         "The update information on the developer's site is far larger than such a file can be.\r\r"
         "The update was stopped for your safety: nothing was downloaded or changed."},
        {TransferRefusal::TooManyRedirects, 302,
         "The developer's site sends the request for http://127.0.0.1:8080/benchmarks/ss2/qrv_melkrin.inf from one "
         "address to another without end.\r\rPlease try to upgrade this software again later."},
        {TransferRefusal::InsecureRedirect, 302,
         "The secure (https) request for http://127.0.0.1:8080/benchmarks/ss2/qrv_melkrin.inf was sent on to an "
         "address that is not secure (plain http).\r\rThe update was stopped for your safety: the request was not "
         "followed there."},
    };
    for (const auto& c : cases) {
        Rig rig;
        // Even an automatic check says so: a retry would only meet the same site.
        rig.updater.setAutoCheck(true);
        rig.scheduler.fireAll();
        ASSERT_EQ(rig.transfer.starts.size(), 1u);
        rig.transfer.finishRefused(c.reason, c.status);
        ASSERT_EQ(rig.messages.shown.size(), 1u);
        EXPECT_EQ(rig.messages.shown[0].text, c.text);
        EXPECT_EQ(rig.messages.shown[0].caption, kCaption);
        EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Error);
        EXPECT_TRUE(rig.events.empty());
        EXPECT_FALSE(rig.updater.inInformationMode());
        // Not retried behind the user's back, and a new check starts at once.
        rig.scheduler.fireAll();
        EXPECT_EQ(rig.transfer.starts.size(), 1u);
        rig.updater.startUpdateCheck();
        EXPECT_EQ(rig.transfer.starts.size(), 2u);
    }
}

TEST(UpdateCheckerCheckTest, MessagesFollowShowMessages) {
    Rig rig;
    rig.updater.showMessages.clear();
    rig.updater.startUpdateCheck();
    rig.transfer.finishDone(rig.signedFile("#version=1.0\r\n"));
    rig.updater.startUpdateCheck();
    rig.transfer.finishIncomplete();
    rig.updater.startUpdateCheck();
    rig.transfer.finishUnreachable();
    EXPECT_EQ(rig.events.size(), 3u);
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST(UpdateCheckerAutoCheckTest, OffUnlessSwitchedOn) {
    Rig rig;
    EXPECT_FALSE(rig.updater.autoCheck());
    EXPECT_TRUE(rig.scheduler.pending.empty());
    rig.updater.autoCheckDelay = 0;
    rig.updater.setAutoCheck(true);
    EXPECT_TRUE(rig.scheduler.pending.empty());  // no delay, no timer
}

TEST(UpdateCheckerAutoCheckTest, ChecksQuietlyOnceAndRetriesWhenTheServerIsUnreachable) {
    Rig rig;
    rig.updater.autoCheckDelay = 250;
    rig.updater.setAutoCheck(true);
    ASSERT_EQ(rig.scheduler.pending.size(), 1u);
    EXPECT_EQ(rig.scheduler.pending[0].first, 250u);
    rig.scheduler.fireAll();
    ASSERT_EQ(rig.transfer.starts.size(), 1u);
    EXPECT_TRUE(rig.updater.automaticCheckMark());

    // Unreachable: no message, the timer again.
    rig.transfer.finishUnreachable();
    EXPECT_TRUE(rig.messages.shown.empty());
    ASSERT_EQ(rig.scheduler.pending.size(), 1u);
    rig.scheduler.fireAll();
    ASSERT_EQ(rig.transfer.starts.size(), 2u);

    // No newer version: quiet too, and no further timer.
    rig.transfer.finishDone(rig.signedFile("#version=1.0\r\n"));
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_TRUE(rig.scheduler.pending.empty());
    EXPECT_THAT(rig.events, ElementsAre(HasSubstr("unreachable"), "no update"));

    // A check by the user afterwards clears the automatic mark and speaks.
    rig.updater.startUpdateCheck();
    EXPECT_FALSE(rig.updater.automaticCheckMark());
    rig.transfer.finishDone(rig.signedFile("#version=1.1\r\n"));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text, kNoNewer);
}

TEST(UpdateCheckerAutoCheckTest, OfflineOrSwitchedOffMeansNoCheck) {
    {
        Rig rig;
        rig.online.answer = false;
        rig.updater.setAutoCheck(true);
        rig.scheduler.fireAll();
        EXPECT_EQ(rig.online.asked, 1);
        EXPECT_TRUE(rig.transfer.starts.empty());
    }
    {
        Rig rig;
        rig.updater.setAutoCheck(true);
        rig.updater.setAutoCheck(false);  // the pending timer is void
        rig.scheduler.fireAll();
        EXPECT_TRUE(rig.transfer.starts.empty());
    }
    {
        // A timer that fires after the component has gone does nothing.
        ManualScheduler scheduler;
        {
            Rig rig;
            rig.updater.setAutoCheck(true);
            scheduler.pending = std::move(rig.scheduler.pending);
        }
        scheduler.fireAll();
    }
}

TEST(UpdateCheckerAutoCheckTest, NoTimerIsAnError) {
    struct NoTimers : Scheduler {
        void after(unsigned, std::function<void()>) override { throw std::runtime_error("Cannot start a timer"); }
    } noTimers;
    Rig rig;
    UpdateChecker updater{{rig.transfer, rig.verifier, rig.messages, noTimers, rig.online,
                          [] { return CalendarDate{2026, 12, 10}; }, nullptr}};
    try {
        updater.setAutoCheck(true);
        FAIL() << "no error";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Not enough timers available");
    }
}

TEST(UpdateCheckerAutoCheckTest, OnlineTest) {
    EXPECT_TRUE(seemsOnline(1u, {}));
    EXPECT_FALSE(seemsOnline(0u, {"192.168.1.4"}));
    EXPECT_TRUE(seemsOnline(std::nullopt, {"127.0.0.1", "192.168.1.4"}));
    EXPECT_FALSE(seemsOnline(std::nullopt, {"192.168.1.4", "127.0.0.1"}));
    EXPECT_FALSE(seemsOnline(std::nullopt, {}));
}

TEST(UpdateTextsTest, TheNamedTextsKeepTheirBytes) {
    EXPECT_STREQ(kUpdateCaption, kCaption);
    EXPECT_STREQ(kNoNewerVersionText, kNoNewer);
    EXPECT_STREQ(kPasswordRequestText,
                 "Access to remote file \"%s\" is password protected.\n\nPlease enter your username and password "
                 "(received after registration) to continue software upgrade.");
    EXPECT_STREQ(kConnLostText, "Connection with remote server lost.\r\rPlease restore connection and try to\rupgrade this "
                           "software again later.");
}

}  // namespace
}  // namespace melkrin::update

#include "update/updater_settings.h"

namespace melkrin::update {
namespace {

TEST(UpdaterSettingsTest, TheMakersServerOrAMirror) {
    EXPECT_EQ(infoFileUrl(""), "https://www.velkora.com/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(infoFileUrl("  "), "https://www.velkora.com/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(infoFileUrl("http://127.0.0.1:8000"), "http://127.0.0.1:8000/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(infoFileUrl("https://mirror.example/"), "https://mirror.example/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(infoFileUrl("mirror.example"), "http://mirror.example/benchmarks/ss2/qrv_melkrin.inf");
}

TEST(UpdaterSettingsTest, ThisProgramsSettings) {
    Rig rig;
    rig.updater.setAutoCheck(true);
    configureForThisProgram(rig.updater, "1.2", "", "");
    EXPECT_EQ(rig.updater.infoFileUrl, "https://www.velkora.com/benchmarks/ss2/qrv_melkrin.inf");
    EXPECT_EQ(rig.updater.versionControl, VersionScheme::Number);
    EXPECT_EQ(rig.updater.versionNumber, "1.2");
    EXPECT_EQ(rig.updater.versionDate, "07/30/2006");
    EXPECT_EQ(rig.updater.showMessages,
              (ShowMessagesSet{UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                               UpdateMessage::HostUnreachable, UpdateMessage::LostFile,
                               UpdateMessage::NoUpdateAvailable}));
    EXPECT_FALSE(rig.updater.autoCheck());
    rig.scheduler.fireAll();
    EXPECT_TRUE(rig.transfer.starts.empty());
}

TEST(UpdaterSettingsTest, NoReleaseAtOrBelowTheProgramFilesOwnVersion) {
    // stored Programversion, the program file's version, the release offered, offered?
    struct Case {
        const char* stored;
        const char* file;
        const char* release;
        bool offered;
    } cases[] = {
        {"1.0", "1.2", "1.1", false},     // a stale stored value (a replayed older release)
        {"1.0", "1.2", "1.2", false},     // the running release itself
        {"1.0", "1.2", "1.2.0.1", true},  // above the file's version
        {"1.3", "1.2", "1.3", false},     // a stored value above the file's still counts
        {"", "1.2", "1.10", true},        // parts compare as numbers
        {"1.10", "", "1.9", false},       // a program file without version resource
        {"garbage", "1.2", "1.1", false},
    };
    for (const auto& c : cases) {
        Rig rig;
        configureForThisProgram(rig.updater, c.stored, c.file, "");
        EXPECT_EQ(namesNewerVersion("#version=" + std::string(c.release) + "\r\n",
                                    {VersionScheme::Number, rig.updater.versionNumber, ""},
                                    CalendarDate{2026, 1, 1}),
                  c.offered)
            << c.stored << " / " << c.file << " -> " << c.release;
    }
}

TEST(UpdaterSettingsTest, ComponentDefaults) {
    Rig rig;
    UpdateChecker fresh{{rig.transfer, rig.verifier, rig.messages, rig.scheduler, rig.online,
                        [] { return CalendarDate{2026, 3, 7}; }, nullptr}};
    EXPECT_EQ(fresh.infoFileUrl, "http://");
    EXPECT_EQ(fresh.versionControl, VersionScheme::Date);
    EXPECT_EQ(fresh.versionDate, "03/07/2026");
    EXPECT_EQ(fresh.autoCheckDelay, 10000u);
    EXPECT_EQ(fresh.showMessages, (ShowMessagesSet{UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                                                   UpdateMessage::LostFile, UpdateMessage::PasswordRequest}));
}

}  // namespace
}  // namespace melkrin::update
