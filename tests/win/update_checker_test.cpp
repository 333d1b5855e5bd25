// The update check end to end under Wine: the WinINet client, the signature
// check through CNG with the compiled-in key, and a server of our own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

#include "fake_update.h"
#include "scripted_http_server.h"
#include "update/http_client_win32.h"
#include "update/signature_verifier_win32.h"
#include "update/update_services_win32.h"
#include "update/update_key.h"
#include "update/update_texts.h"
#include "win_test_support.h"

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;
using namespace melkrin::testing;
using Reply = ScriptedHttpServer::Reply;

std::string sourceFile(const std::string& relative) {
    std::string path = std::string("Z:") + MELKRIN_SOURCE_DIR + "/" + relative;
    for (auto& c : path)
        if (c == '/') c = '\\';
    return readBytes(path);
}

// The information file of the repository's document root (version 1.2, no
// files), and one naming version 1.3 of 08/15/2006 with one file, both
// signed with the development key by the publishing tool; the same file
// signed by another key.
std::string docrootInfo() { return sourceFile("server/docroot/benchmarks/ss2/qrv_melkrin.inf"); }
std::string newerInfo() { return sourceFile("tests/win/fixtures/newer_signed_by_dev_key.inf"); }
std::string otherKeyInfo() { return sourceFile("tests/win/fixtures/newer_signed_by_other_key.inf"); }

TEST(CngSignatureTest, GoodFlippedMissingTrailingAndForeignSignatures) {
    ASSERT_TRUE(usesDevelopmentKey()) << "these fixtures are signed with the development key";
    CngSignatureVerifier verifier(updatePublicKey());
    const std::string good = newerInfo();
    EXPECT_EQ(checkSignedInfo(good, verifier).verdict, InfoVerdict::Trusted);
    EXPECT_EQ(checkSignedInfo(docrootInfo(), verifier).verdict, InfoVerdict::Trusted);

    // One flipped bit anywhere: in the signed bytes, in r, in s.
    const std::size_t signatureAt = good.find("#signature=") + 11;
    for (std::size_t at : {std::size_t{0}, std::size_t{10}, good.find("sha256=") + 20, signatureAt - 3, signatureAt + 5,
                           signatureAt + 64 + 7}) {
        std::string changed = good;
        changed[at] = static_cast<char>(changed[at] ^ 1);
        EXPECT_NE(checkSignedInfo(changed, verifier).verdict, InfoVerdict::Trusted) << "byte " << at;
    }
    EXPECT_EQ(checkSignedInfo(good.substr(0, signatureAt - 11), verifier).verdict, InfoVerdict::Unsigned);
    EXPECT_EQ(checkSignedInfo(good + "#version=9.9\r\n", verifier).verdict, InfoVerdict::Malformed);
    EXPECT_EQ(checkSignedInfo(otherKeyInfo(), verifier).verdict, InfoVerdict::BadSignature);
}

struct UpdaterRig {
    explicit UpdaterRig(const std::string& url) {
        updater.infoFileUrl = url;
        updater.versionControl = VersionScheme::Number;
        updater.versionDate = "07/30/2006";
        updater.showMessages = {UpdateMessage::AskUpgrade, UpdateMessage::ConnLost,
                                UpdateMessage::HostUnreachable, UpdateMessage::LostFile,
                                UpdateMessage::NoUpdateAvailable};
        updater.onNoUpdateAvailable = [this](UpdateChecker&) { events.push_back("no newer version"); };
        updater.onNoInfoFile = [this](UpdateChecker&) { events.push_back("no information file"); };
        updater.onConnLost = [this](UpdateChecker&) { events.push_back("connection lost"); };
        updater.onHostUnreachable = [this](UpdateChecker&, const std::string&, const std::string& host) {
            events.push_back("unreachable " + host);
        };
        updater.onUntrustedInfoFile = [this](UpdateChecker&, InfoVerdict) { events.push_back("refused"); };
        updater.onBeginUpgrade = [this](UpdateChecker&, const UpdateOffer& offer) {
            events.push_back("newer version: " + offer.files.at(0).url);
            return true;
        };
    }
    // Runs the message loop until the check has reported; bounded.
    bool check() {
        const std::size_t before = events.size();
        updater.startUpdateCheck();
        const ULONGLONG deadline = GetTickCount64() + 20000;
        while (events.size() == before || transfer.workerActive()) {
            if (GetTickCount64() > deadline) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
        return true;
    }

    Win32HttpTransfer transfer;
    CngSignatureVerifier verifier{updatePublicKey()};
    FakeUpdateMessages messages;
    ManualScheduler scheduler;
    FakeOnlineTest online;
    UpdateChecker updater{{transfer, verifier, messages, scheduler, online, [] { return CalendarDate{2026, 12, 10}; },
                          [](const std::string&) {}}};
    std::vector<std::string> events;
};

ScriptedHttpServer serving(const std::string& info) {
    return ScriptedHttpServer([info](const std::string& request, int) {
        if (request.find("GET /benchmarks/ss2/qrv_melkrin.inf ") != 0)
            return Reply{ScriptedHttpServer::reply("404 Not Found", "", "no such file")};
        return Reply{ScriptedHttpServer::reply("200 OK", "Content-Type: text/plain\r\n", info)};
    });
}

TEST(UpdateCheckerWineTest, NewerAndNoNewerVersionByNumberAndByDate) {
    auto server = serving(newerInfo());
    const std::string url = server.url("/benchmarks/ss2/qrv_melkrin.inf");
    const std::string newer = "newer version: http://127.0.0.1/benchmarks/ss2/qrv_melkrin.exe";
    struct Case {
        VersionScheme control;
        const char* own;
        bool newer;
    } cases[] = {
        {VersionScheme::Number, "1.2", true},   {VersionScheme::Number, "1.3", false},
        {VersionScheme::Number, "1.10", false}, {VersionScheme::Date, "07/30/2006", true},
        {VersionScheme::Date, "08/15/2006", false},
    };
    for (const auto& c : cases) {
        UpdaterRig rig(url);
        rig.updater.versionControl = c.control;
        (c.control == VersionScheme::Number ? rig.updater.versionNumber : rig.updater.versionDate) = c.own;
        ASSERT_TRUE(rig.check()) << c.own;
        if (c.newer) {
            EXPECT_THAT(rig.events, ElementsAre(newer)) << c.own;
            EXPECT_TRUE(rig.messages.shown.empty());
        } else {
            EXPECT_THAT(rig.events, ElementsAre("no newer version")) << c.own;
            ASSERT_EQ(rig.messages.shown.size(), 1u);
            EXPECT_STREQ(rig.messages.shown[0].text.c_str(), kNoNewerVersionText);
        }
    }
    const auto requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_NE(requests[0].find("no-cache"), std::string::npos);
}

TEST(UpdateCheckerWineTest, TheRepositoryDocumentRootNamesNoNewerVersion) {
    auto server = serving(docrootInfo());
    UpdaterRig rig(server.url("/benchmarks/ss2/qrv_melkrin.inf"));
    rig.updater.versionNumber = "1.2";
    ASSERT_TRUE(rig.check());
    EXPECT_THAT(rig.events, ElementsAre("no newer version"));
}

TEST(UpdateCheckerWineTest, EveryFailureReachesItsNotificationAndMessage) {
    const std::string newer = newerInfo();
    struct Case {
        const char* what;
        ScriptedHttpServer::Script script;
        const char* event;
        std::string message;  // empty: none
    } cases[] = {
        {"a file signed by another key", [](const std::string&, int) {
             return Reply{ScriptedHttpServer::reply("200 OK", "", otherKeyInfo())};
         },
         "refused", kBadSignatureText},
        {"an unsigned file", [&](const std::string&, int) {
             return Reply{ScriptedHttpServer::reply("200 OK", "", newer.substr(0, newer.find("#signature=")))};
         },
         "refused", kUnsignedInfoText},
        {"the information file missing", [](const std::string&, int) {
             return Reply{ScriptedHttpServer::reply("404 Not Found", "", "<html>not here</html>")};
         },
         "no information file", ""},
        {"the connection lost", [&](const std::string&, int) {
             return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\nConnection: close\r\n\r\n" + newer};
         },
         "connection lost", kConnLostText},
    };
    for (const auto& c : cases) {
        ScriptedHttpServer server(c.script);
        UpdaterRig rig(server.url("/benchmarks/ss2/qrv_melkrin.inf"));
        rig.updater.versionNumber = "1.0";
        ASSERT_TRUE(rig.check()) << c.what;
        EXPECT_THAT(rig.events, ElementsAre(c.event)) << c.what;
        if (c.message.empty()) {
            EXPECT_TRUE(rig.messages.shown.empty()) << c.what;
        } else {
            ASSERT_EQ(rig.messages.shown.size(), 1u) << c.what;
            EXPECT_EQ(rig.messages.shown[0].text, c.message) << c.what;
            EXPECT_EQ(rig.messages.shown[0].caption, "Application update wizard");
            EXPECT_EQ(rig.messages.shown[0].icon, MessageIcon::Error);
        }
    }

    int port = 0;
    {
        ScriptedHttpServer gone([](const std::string&, int) { return Reply{}; });
        port = gone.port();
    }
    UpdaterRig rig("http://127.0.0.1:" + std::to_string(port) + "/benchmarks/ss2/qrv_melkrin.inf");
    ASSERT_TRUE(rig.check());
    EXPECT_THAT(rig.events, ElementsAre("unreachable 127.0.0.1"));
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].text,
              "Host 'http://127.0.0.1' unreachable.\r\rPlease check your Internet connection and\r"
              "try to upgrade this software again later.");
}

TEST(UpdateCheckerWineTest, ACheckDuringATransferIsIgnored) {
    ScriptedHttpServer stalling([](const std::string&, int) {
        return Reply{"HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n#version=", true};
    });
    UpdaterRig rig(stalling.url("/benchmarks/ss2/qrv_melkrin.inf"));
    rig.updater.startUpdateCheck();
    rig.updater.startUpdateCheck();
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (stalling.requests().empty() && GetTickCount64() < deadline) Sleep(20);
    Sleep(200);
    EXPECT_EQ(stalling.requests().size(), 1u);
    rig.transfer.stopTransfer(false);
    stalling.release();
}

TEST(OnlineTestWineTest, TheDialUpServiceValueDecides) {
    const char* path = "System\\CurrentControlSet\\Services\\RemoteAccess";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD before = 0, size = sizeof(before);
    const bool had = RegQueryValueExA(key, "Remote Connection", nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(&before), &size) == ERROR_SUCCESS;
    Win32OnlineTest test;
    for (DWORD value : {1u, 0u}) {
        RegSetValueExA(key, "Remote Connection", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
        EXPECT_EQ(test.online(), value == 1);
    }
    if (had)
        RegSetValueExA(key, "Remote Connection", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&before), sizeof(before));
    else
        RegDeleteValueA(key, "Remote Connection");
    RegCloseKey(key);
}

}  // namespace
}  // namespace melkrin::update

// Run by tests/e2e/update_server_test.sh against the repository's document
// root served by a plain static web server; not part of the usual run.
#include "update/updater_settings.h"

namespace melkrin::update {
namespace {

TEST(ExternalServerTest, TheDocumentRootServedByAStaticServer) {
    const char* server = std::getenv("MELKRIN_STATIC_UPDATE_SERVER");
    ASSERT_NE(server, nullptr) << "started by tests/e2e/update_server_test.sh only";

    // The check through the mirror setting finds the signed file and no newer version.
    UpdaterRig rig(infoFileUrl(server));
    rig.updater.versionNumber = "1.2";
    ASSERT_TRUE(rig.check());
    EXPECT_THAT(rig.events, ElementsAre("no newer version"));

    // The help file comes whole.
    TempFolder folder;
    Win32HttpTransfer transfer;
    std::vector<std::string> outcome;
    TransferReceiver receiver;
    receiver.onTransferDone = [&](const std::string&, std::uint32_t, const std::string&) { outcome.push_back("done"); };
    receiver.onHttpError = [&](int status, const std::string&) { outcome.push_back("error " + std::to_string(status)); };
    ASSERT_TRUE(transfer.startTransfer(std::string(server) + "/benchmarks/ss2/help.chm", folder.path() + "help.chm",
                                       receiver));
    const ULONGLONG deadline = GetTickCount64() + 20000;
    while (transfer.workerActive() && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    EXPECT_THAT(outcome, ElementsAre("done"));
    EXPECT_EQ(readBytes(folder.path() + "help.chm"), sourceFile("server/docroot/benchmarks/ss2/help.chm"));
}

}  // namespace
}  // namespace melkrin::update
