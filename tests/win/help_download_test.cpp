// The help download under Wine: each fetch through the transfer client
// against a server on 127.0.0.1, and the help item's whole path on real
// files with the real signature check, the information file signed here
// with the development key so that it can name the server's own port.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>
#include <bcrypt.h>

#include "app/main_window.h"
#include "app/help_download.h"
#include "app/win32/help_download_win32.h"
#include "common/file_system_win32.h"
#include "common/text.h"
#include "fake_platform.h"
#include "fake_window_services.h"
#include "local_http_server.h"
#include "memory_key_store.h"
#include "scripted_http_server.h"
#include "settings/base64.h"
#include "settings/settings_names.h"
#include "state_view.h"
#include "common/sha256.h"
#include "update/signature_verifier_win32.h"
#include "update/signed_info.h"
#include "update/update_key.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace melkrin::testing;
using Outcome = HelpFetch::Outcome;
using Reply = ScriptedHttpServer::Reply;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 1024) & 0xFF);
    return body;
}

TEST(HelpFetchTest, EachAnswerAsTheTransferClientEndsIt) {
    const std::string big = pattern(450 * 1024 + 17);
    struct Case {
        const char* what;
        std::string answer;
        long resetAfter;
        std::uint64_t maxBytes;
        Outcome outcome;
        int status;
        std::string body;
    } cases[] = {
        {"whole body", LocalHttpServer::answer("200 OK", big), -1, big.size(), Outcome::Done, 200, big},
        {"error page", LocalHttpServer::answer("404 Not Found", "<html>gone</html>"), -1, 100, Outcome::HttpError,
         404, ""},
        {"longer than allowed", LocalHttpServer::answer("200 OK", big), -1, big.size() - 1, Outcome::TooLarge, 200,
         ""},
        {"broken off", LocalHttpServer::answer("200 OK", pattern(200 * 1024)), 5000, 200 * 1024, Outcome::Incomplete,
         200, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LocalHttpServer server(c.answer, c.resetAfter);
        Win32HelpDownloader downloader;
        const HelpFetch fetch = downloader.fetch(server.url("/benchmarks/ss2/help.chm"), c.maxBytes, "help.chm");
        EXPECT_EQ(fetch.outcome, c.outcome);
        EXPECT_EQ(fetch.statusCode, c.status);
        EXPECT_EQ(fetch.body, c.body);
        ASSERT_FALSE(server.requests().empty());
        EXPECT_THAT(server.requests()[0], HasSubstr("GET /benchmarks/ss2/help.chm HTTP/1.1\r\n"));
        EXPECT_THAT(server.requests()[0], HasSubstr("User-Agent: help.chm\r\n"));
    }
    Win32HelpDownloader downloader;
    const HelpFetch unreachable = downloader.fetch(
        "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/help.chm", 100, "help.chm");
    EXPECT_EQ(unreachable.outcome, Outcome::Unreachable);
}

std::string sourceFile(const std::string& relative) {
    std::string path = std::string("Z:") + MELKRIN_SOURCE_DIR + "/" + relative;
    for (auto& c : path)
        if (c == '/') c = '\\';
    return readBytes(path);
}

// The signed text with its signature line, signed through CNG with the
// development key from server/keys (an EC private key: d, then the public X and Y).
std::string signWithDevelopmentKey(const std::string& text) {
    std::string base64;
    for (const std::string& line : splitLines(sourceFile("server/keys/DEVELOPMENT-ONLY-update-signing-key.pem")))
        if (!line.empty() && line[0] != '-') base64 += line;
    const std::string der = decodeBase64(base64);
    const std::size_t publicAt = der.find(std::string("\x03\x42\x00\x04", 4));
    if (der.size() < 7 + 32 || der.compare(2, 5, std::string("\x02\x01\x01\x04\x20", 5)) != 0 ||
        publicAt == std::string::npos || der.size() < publicAt + 4 + 64)
        throw std::runtime_error("the development key is not an EC private key");
    std::string blob(sizeof(BCRYPT_ECCKEY_BLOB), '\0');
    auto* header = reinterpret_cast<BCRYPT_ECCKEY_BLOB*>(blob.data());
    header->dwMagic = BCRYPT_ECDSA_PRIVATE_P256_MAGIC;
    header->cbKey = 32;
    blob += der.substr(publicAt + 4, 64) + der.substr(7, 32);

    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_KEY_HANDLE key = nullptr;
    if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0) != 0)
        throw std::runtime_error("no ECDSA P-256");
    auto digest = sha256Of(text);
    update::Signature signature{};
    ULONG length = 0;
    const bool signedOk =
        BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPRIVATE_BLOB, &key, reinterpret_cast<PUCHAR>(blob.data()),
                            static_cast<ULONG>(blob.size()), 0) == 0 &&
        BCryptSignHash(key, nullptr, digest.data(), static_cast<ULONG>(digest.size()), signature.data(),
                       static_cast<ULONG>(signature.size()), &length, 0) == 0 &&
        length == signature.size();
    if (key) BCryptDestroyKey(key);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!signedOk) throw std::runtime_error("signing with the development key failed");
    return text + update::kSignatureKey + toHex(signature.data(), signature.size()) + "\r\n";
}

// The help item on real files and the real signature check: a mirror on
// 127.0.0.1 (the "UpdateServer" setting) serves the information file and the help file.
struct HelpItem {
    TempFolder program;
    MemoryKeyStore keys;
    Win32FileSystem files;
    RecordingFileOp fileOp{files};
    FakeDisplayModes modes;
    FakeDialogs dialogs;
    FakeWaits waits;
    std::vector<std::string> log;
    FakeFileDialogs fileDialogs;
    FakeShell shell{log};
    FakeAppWindows windows{log};
    Win32HelpDownloader downloader;
    update::CngSignatureVerifier verifier{update::updatePublicKey()};
    StateView view;
    MainWindow form{view, MainWindowServices{keys, files, fileOp, modes, dialogs, waits, program.path()}};

    std::string info;            // the information file the server sends
    std::string help = "ITSF";   // the help file the server sends
    std::string helpStatus = "200 OK";
    ScriptedHttpServer server{[this](const std::string& request, int) {
        if (request.find("GET /benchmarks/ss2/qrv_melkrin.inf ") == 0)
            return Reply{ScriptedHttpServer::reply("200 OK", "", info)};
        if (request.find("GET /benchmarks/ss2/help.chm ") == 0)
            return Reply{ScriptedHttpServer::reply(helpStatus, "", help)};
        return Reply{ScriptedHttpServer::reply("404 Not Found", "", "")};
    }};

    HelpItem() {
        keys.addKey(names::kSettingsKey);
        keys.set(names::kSettingsKey, names::kUpdateServer, "http://127.0.0.1:" + std::to_string(server.port()));
    }
    // Names the help file with the size and checksum of content.
    std::string entries(const std::string& content) const {
        return "#version=1.2\r\n#help=" + server.url("/benchmarks/ss2/help.chm") + "\r\n#help.size=" +
               std::to_string(content.size()) + "\r\n#help.sha256=" + sha256Hex(content) + "\r\n";
    }
    void click() {
        dialogs.answers = {true};
        form.attachUi(MainWindowUiServices{fileDialogs, shell, downloader, windows, verifier});
        form.guarded([&] { form.onHelpClicked(); });
    }
    std::string helpFile() const { return program.path() + "Help\\help.chm"; }
};

TEST(HelpItemTest, TheSignedHelpFileIsStoredAndOpened) {
    ASSERT_TRUE(update::usesDevelopmentKey()) << "the information file is signed with the development key";
    HelpItem item;
    item.help = pattern(300 * 1024 + 5);
    item.info = signWithDevelopmentKey(item.entries(item.help));
    item.click();
    EXPECT_THAT(item.dialogs.errors, ElementsAre());
    EXPECT_EQ(readBytes(item.helpFile()), item.help);
    EXPECT_FALSE(exists(item.program.path() + "Help\\help.chm.part"));
    EXPECT_THAT(item.log, ElementsAre("show Form2", "close Form2", "open " + item.helpFile()));
}

// What today's program stored and opened, each refused now with no file left.
TEST(HelpItemTest, AnythingElseLeavesNoFileAndSaysWhy) {
    ASSERT_TRUE(update::usesDevelopmentKey());
    struct Case {
        const char* what;
        std::function<void(HelpItem&)> serve;
        const char* reason;
    } cases[] = {
        {"an error page for the help file",
         [](HelpItem& i) {
             i.info = signWithDevelopmentKey(i.entries("ITSF"));
             i.helpStatus = "404 Not Found";
             i.help = "<html>No such file</html>";
         },
         "the server does not have the help file"},
        {"another body of the same size",
         [](HelpItem& i) {
             i.info = signWithDevelopmentKey(i.entries("ITSF"));
             i.help = "<h1>";
         },
         "is not the help file the developer published"},
        {"a longer body", [](HelpItem& i) {
             i.info = signWithDevelopmentKey(i.entries("ITSF"));
             i.help = "ITSF and a page of someone else's";
         },
         "the help file is larger than it may be"},
        {"an information file changed after signing",
         [](HelpItem& i) {
             i.info = signWithDevelopmentKey(i.entries("ITSF"));
             i.info.replace(i.info.find("#version=1.2"), 12, "#version=1.3");
         },
         "does not carry the developer's valid signature"},
        {"an information file without a help entry",
         [](HelpItem& i) { i.info = signWithDevelopmentKey("#version=1.2\r\n"); },
         "does not name a help file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HelpItem item;
        c.serve(item);
        item.click();
        ASSERT_EQ(item.dialogs.errors.size(), 1u);
        EXPECT_THAT(item.dialogs.errors[0], HasSubstr(c.reason));
        EXPECT_THAT(item.dialogs.errors[0], HasSubstr("No help file was stored."));
        EXPECT_FALSE(exists(item.program.path() + "Help\\help.chm"));
        EXPECT_FALSE(exists(item.program.path() + "Help\\help.chm.part"));
        EXPECT_THAT(item.log, ElementsAre("show Form2", "close Form2"));
    }
}

TEST(HelpItemTest, NoLeavesNoHelpFolderAndAsksNoServer) {
    HelpItem item;
    item.dialogs.answers = {false};
    item.form.attachUi(MainWindowUiServices{item.fileDialogs, item.shell, item.downloader, item.windows, item.verifier});
    item.form.guarded([&] { item.form.onHelpClicked(); });
    EXPECT_FALSE(exists(item.program.path() + "Help"));
    EXPECT_TRUE(item.server.requests().empty());
    EXPECT_TRUE(item.log.empty());
}

}  // namespace
}  // namespace melkrin
