// The help download through WinINet against a server on 127.0.0.1, and the
// help item's whole path on real files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include "app/form1.h"
#include "app/help_download_win32.h"
#include "state_view.h"
#include "common/errors.h"
#include "common/file_system_win32.h"
#include "fake_platform.h"
#include "fake_window_services.h"
#include "local_http_server.h"
#include "memory_key_store.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace melkrin::testing;

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string pattern(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>((i * 7 + i / 1024) & 0xFF);
    return body;
}

TEST(HelpDownloadTest, StoresTheWholeBodyWhateverTheStatus) {
    struct Case {
        const char* what;
        std::string status;
        std::string body;
    } cases[] = {
        {"small file", "200 OK", "ITSF help"},
        {"exact multiple of the 1024-byte buffer", "200 OK", pattern(3 * 1024)},
        {"larger than one buffer", "200 OK", pattern(450 * 1024 + 17)},
        {"error page", "404 Not Found", "<html><body>No such file</body></html>"},
        {"empty body", "200 OK", ""},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        LocalHttpServer server(LocalHttpServer::answer(c.status, c.body));
        const std::string target = folder.path() + "help.chm";
        writeBytes(target, "an older file that is replaced");
        Win32HelpDownloader downloader;
        EXPECT_TRUE(downloader.downloadToFile(server.url("/benchmarks/ss2/help.chm"), target, "help.chm")) << c.what;
        EXPECT_EQ(readBytes(target), c.body) << c.what;
    }
}

TEST(HelpDownloadTest, AsksForThePathWithTheAgentName) {
    TempFolder folder;
    LocalHttpServer server(LocalHttpServer::answer("200 OK", "x"));
    Win32HelpDownloader downloader;
    ASSERT_TRUE(downloader.downloadToFile(server.url("/benchmarks/ss2/help.chm"), folder.path() + "h.chm", "help.chm"));
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_THAT(server.requests()[0], HasSubstr("GET /benchmarks/ss2/help.chm HTTP/1.1\r\n"));
    EXPECT_THAT(server.requests()[0], HasSubstr("User-Agent: help.chm\r\n"));
}

TEST(HelpDownloadTest, ABrokenTransferLeavesNoFile) {
    TempFolder folder;
    const std::string answer = LocalHttpServer::answer("200 OK", pattern(200 * 1024));
    LocalHttpServer server(answer, 5000);
    const std::string target = folder.path() + "help.chm";
    Win32HelpDownloader downloader;
    EXPECT_FALSE(downloader.downloadToFile(server.url("/help.chm"), target, "help.chm"));
    EXPECT_FALSE(exists(target));
}

TEST(HelpDownloadTest, AnUnreachableServerCreatesNoFile) {
    TempFolder folder;
    const std::string target = folder.path() + "help.chm";
    Win32HelpDownloader downloader;
    EXPECT_FALSE(downloader.downloadToFile(
        "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/help.chm", target, "help.chm"));
    EXPECT_FALSE(exists(target));
}

TEST(HelpDownloadTest, AFileThatCannotBeCreatedIsReportedAsTheSystemsError) {
    TempFolder folder;
    LocalHttpServer server(LocalHttpServer::answer("200 OK", "body"));
    Win32HelpDownloader downloader;
    try {
        downloader.downloadToFile(server.url("/help.chm"), folder.path() + "missing\\help.chm", "help.chm");
        FAIL() << "expected the file error";
    } catch (const OsError& error) {
        EXPECT_EQ(error.code(), static_cast<std::uint32_t>(ERROR_PATH_NOT_FOUND));
        EXPECT_THAT(error.what(), HasSubstr("missing\\help.chm"));
    }
}

// The help item on real files: program folder, "Help\" folder, the download and the viewer.
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
    StateView view;
    TForm1 form{view, Form1Services{keys, files, fileOp, modes, dialogs, waits, program.path()}};

    void click(const std::string& url) {
        form.attachUi(Form1UiServices{fileDialogs, shell, downloader, windows, url});
        form.guarded([&] { form.Group2Items0Click(); });
    }
};

TEST(HelpItemTest, YesFetchesTheFileIntoANewHelpFolderAndOpensIt) {
    HelpItem item;
    item.dialogs.answers = {true};
    LocalHttpServer server(LocalHttpServer::answer("200 OK", "ITSF"));
    item.click(server.url("/benchmarks/ss2/help.chm"));
    const std::string help = item.program.path() + "Help\\help.chm";
    EXPECT_EQ(readBytes(help), "ITSF");
    EXPECT_THAT(item.log, ElementsAre("show Form2", "close Form2", "open " + help));
    EXPECT_TRUE(item.dialogs.errors.empty());
}

TEST(HelpItemTest, NoLeavesNoHelpFolder) {
    HelpItem item;
    item.dialogs.answers = {false};
    LocalHttpServer server(LocalHttpServer::answer("200 OK", "ITSF"));
    item.click(server.url("/help.chm"));
    EXPECT_FALSE(exists(item.program.path() + "Help"));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(item.log.empty());
}

TEST(HelpItemTest, ABrokenTransferClosesTheWaitWindowAndOpensNothing) {
    HelpItem item;
    item.dialogs.answers = {true};
    LocalHttpServer server(LocalHttpServer::answer("200 OK", pattern(100 * 1024)), 3000);
    item.click(server.url("/help.chm"));
    EXPECT_FALSE(exists(item.program.path() + "Help\\help.chm"));
    EXPECT_THAT(item.log, ElementsAre("show Form2", "close Form2"));
    EXPECT_TRUE(item.dialogs.errors.empty());
}

}  // namespace
}  // namespace melkrin
