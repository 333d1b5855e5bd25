// The hand-over's Windows part under Wine: the fresh folder below the system's
// temporary folder and the security read back from it, the held file that
// nobody can change until the helper runs, and a whole hand-over with the
// restart probe standing in for the helper.
#include "update/helper_handover_win32.h"

#include <aclapi.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <functional>
#include <string>

#include "win_test_support.h"

namespace melkrin::update {
namespace {

using ::testing::HasSubstr;
using melkrin::testing::melkrinExeFolder;
using melkrin::testing::readBytes;

constexpr const char* kEveryone = "S-1-1-0";

bool waitFor(DWORD milliseconds, const std::function<bool()>& done) {
    const DWORD end = GetTickCount() + milliseconds;
    while (!done()) {
        if (static_cast<LONG>(GetTickCount() - end) >= 0) return false;
        Sleep(50);
    }
    return true;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A fresh hand-over folder, removed with whatever is in it.
struct FreshFolder {
    explicit FreshFolder(Win32HelperHandOverPlatform& platform)
        : path(platform.parentFolder() + helperFolderName(platform.randomHex())) {}
    explicit FreshFolder(std::string folder) : path(std::move(folder)) {}
    ~FreshFolder() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do DeleteFileA((path + "\\" + found.cFileName).c_str());
            while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(path.c_str());
    }
    std::string path;
};

TEST(HelperHandOverWin32Test, FreshFolderIsMadeOnceWithNobodyElseAllowedToWrite) {
    Win32HelperHandOverPlatform platform;
    char windows[MAX_PATH];
    ASSERT_GT(GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_EQ(platform.parentFolder(), std::string(windows) + "\\Temp\\");
    const std::string first = platform.randomHex(), second = platform.randomHex();
    EXPECT_EQ(first.size(), 32u);
    EXPECT_NE(first, second);

    FreshFolder folder(platform);
    ASSERT_TRUE(platform.createFolder(folder.path));
    EXPECT_FALSE(platform.createFolder(folder.path)) << "an existing name is never taken over";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    const std::optional<FolderSecurity> security = platform.folderSecurity(folder.path);
    ASSERT_TRUE(security);
    const std::vector<std::string> trusted = platform.trustedAccounts();
    EXPECT_EQ(folderSecurityProblem(*security, trusted), "");
    EXPECT_TRUE(security->hasAccessList);
    EXPECT_FALSE(security->entries.empty());
    for (const AccessEntry& entry : security->entries) {
        EXPECT_FALSE(entry.inherited) << entry.sid;
        EXPECT_NE(entry.sid, kEveryone);
        EXPECT_NE(entry.sid, "S-1-5-32-545") << "users";
    }
    if (runsUnderWine()) {
        // Wine makes the descriptor up from the Unix mode: the running user
        // owns the folder, the system and the user have full control, the
        // rest of the world nothing (mode 0700).
        ASSERT_EQ(security->entries.size(), 2u);
        EXPECT_EQ(security->entries[0].sid, kSystemSid);
        EXPECT_EQ(security->entries[1].sid, security->owner);
        EXPECT_EQ(trusted.back(), security->owner);
    } else {
        EXPECT_EQ(security->owner, kAdministratorsSid);
    }

    // Rights for everyone, as a careless or hostile program could give: read
    // back and refused.
    PSECURITY_DESCRIPTOR open = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;WD)",
                                                                     SDDL_REVISION_1, &open, nullptr));
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(open, &present, &dacl, &defaulted));
    ASSERT_EQ(SetNamedSecurityInfoA(const_cast<char*>(folder.path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, dacl, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(open);
    const std::optional<FolderSecurity> opened = platform.folderSecurity(folder.path);
    ASSERT_TRUE(opened);
    EXPECT_THAT(folderSecurityProblem(*opened, trusted), HasSubstr(std::string("lets ") + kEveryone + " write"));
}

TEST(HelperHandOverWin32Test, HeldFileCannotBeChangedUntilLetGo) {
    Win32HelperHandOverPlatform platform;
    FreshFolder folder(platform);
    ASSERT_TRUE(platform.createFolder(folder.path));
    const std::string path = folder.path + "\\UpdHelper.exe";
    const std::string other = folder.path + "\\other.exe";
    ASSERT_TRUE(platform.writeNewFile(path, "helper bytes"));
    EXPECT_FALSE(platform.writeNewFile(path, "again")) << "written only as a new file";
    ASSERT_TRUE(platform.writeNewFile(other, "planted bytes"));

    ASSERT_TRUE(platform.holdFile(path));
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    EXPECT_FALSE(DeleteFileA(path.c_str()));
    EXPECT_FALSE(MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) << "replaced";
    EXPECT_FALSE(MoveFileExA(path.c_str(), (folder.path + "\\away.exe").c_str(), 0)) << "renamed away";
    EXPECT_EQ(platform.readHeldFile(), std::optional<std::string>("helper bytes"));
    EXPECT_EQ(platform.readHeldFile(), std::optional<std::string>("helper bytes")) << "read from the start each time";

    platform.releaseFile();
    EXPECT_TRUE(MoveFileExA(other.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING));
}

// The real platform, with the restart probe as the carried helper and a hook
// that acts between the write and the hold.
class ProbePlatform : public Win32HelperHandOverPlatform {
public:
    std::string embeddedHelper() override { return probe; }
    bool writeNewFile(const std::string& path, std::string_view bytes) override {
        const bool written = Win32HelperHandOverPlatform::writeNewFile(path, bytes);
        helperPath = path;
        if (afterWrite) afterWrite(path);
        return written;
    }
    bool holdFile(const std::string& path) override {
        const bool held = Win32HelperHandOverPlatform::holdFile(path);
        // What another program would try while the helper is checked and started.
        HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
        writableWhileHeld = writer != INVALID_HANDLE_VALUE;
        if (writableWhileHeld) CloseHandle(writer);
        return held;
    }
    std::string probe = readBytes(melkrinExeFolder() + "restart_probe.exe");
    std::function<void(const std::string&)> afterWrite;
    std::string helperPath;
    bool writableWhileHeld = true;
};

std::string folderOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

TEST(HelperHandOverWin32Test, HandOverStartsTheCheckedHelperFromItsFreshFolder) {
    ProbePlatform platform;
    const HandOverResult result = handOverToHelper(platform, "C:\\Program Files\\Melkrin\\melkrin.exe", "/afterupgrade0");
    ASSERT_TRUE(result.started()) << result.problem;
    FreshFolder cleanup(folderOf(result.helperPath));
    EXPECT_FALSE(platform.writableWhileHeld) << "the held file could be written before the start";
    EXPECT_THAT(result.helperPath, ::testing::StartsWith(platform.parentFolder() + kHelperFolderPrefix));
    ASSERT_TRUE(waitFor(20000, [&] { return readBytes(result.helperPath + ".started").find("+/afterupgrade0") != std::string::npos; }))
        << "the probe did not run";
    EXPECT_EQ(readBytes(result.helperPath + ".started"),
              "\"" + result.helperPath + "\" C:\\Program Files\\Melkrin\\melkrin.exe +/afterupgrade0");
}

TEST(HelperHandOverWin32Test, HelperReplacedBeforeTheCheckIsNeverStarted) {
    ProbePlatform platform;
    std::string replacedPath;
    // Another administrator's program swaps the file between its write and the hold.
    platform.afterWrite = [&](const std::string& path) {
        replacedPath = path;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        const std::string planted = platform.probe + "planted";
        DWORD written = 0;
        WriteFile(file, planted.data(), static_cast<DWORD>(planted.size()), &written, nullptr);
        CloseHandle(file);
    };
    const HandOverResult result = handOverToHelper(platform, "C:\\Program Files\\Melkrin\\melkrin.exe", "+2");
    EXPECT_EQ(result.reached, HandOverStep::Check);
    EXPECT_THAT(result.problem, HasSubstr("is not the helper"));
    ASSERT_FALSE(replacedPath.empty());
    Sleep(1000);
    EXPECT_FALSE(exists(replacedPath + ".started")) << "the replaced file ran";
    EXPECT_FALSE(exists(folderOf(replacedPath))) << "the fresh folder stays behind";
}

TEST(HelperHandOverWin32Test, LeftoverFoldersGoOnceTheirHelperEnded) {
    Win32HelperHandOverPlatform platform;
    FreshFolder done(platform), running(platform);
    ASSERT_TRUE(platform.createFolder(done.path));
    ASSERT_TRUE(platform.createFolder(running.path));
    ASSERT_TRUE(platform.writeNewFile(done.path + "\\UpdHelper.exe", "old helper"));
    ASSERT_TRUE(platform.writeNewFile(running.path + "\\UpdHelper.exe", "running helper"));
    // A helper still running keeps its own file open.
    HANDLE inUse = CreateFileA((running.path + "\\UpdHelper.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(inUse, INVALID_HANDLE_VALUE);
    EXPECT_GE(removeHelperLeftovers(platform), 1);
    EXPECT_FALSE(exists(done.path));
    EXPECT_TRUE(exists(running.path + "\\UpdHelper.exe"));
    CloseHandle(inUse);
    EXPECT_GE(removeHelperLeftovers(platform), 1);
    EXPECT_FALSE(exists(running.path));
}

}  // namespace
}  // namespace melkrin::update
