// The real UpdHelper.exe under Wine: started as Melkrin starts it (its own
// path unquoted, with a blank), it waits until the program file is let go,
// swaps the pending files in with the archive mark alone, and starts the
// program again with the restart argument. And melkrin.exe carries it.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "update_helper/swap_journal.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using melkrin::testing::melkrinExeFolder;
using melkrin::testing::readBytes;
using melkrin::testing::TempFolder;
using melkrin::testing::writeBytes;

bool waitFor(DWORD milliseconds, const std::function<bool()>& done) {
    const DWORD end = GetTickCount() + milliseconds;
    while (!done()) {
        if (static_cast<LONG>(GetTickCount() - end) >= 0) return false;
        Sleep(50);
    }
    return true;
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(UpdateHelperWin32Test, SwapsThePendingFilesOnceTheProgramIsFreeAndStartsItAgain) {
    TempFolder root;
    const std::string helperFolder = root.path() + "Temp Dir\\";
    const std::string programFolder = root.path() + "Melkrin Test\\";
    ASSERT_TRUE(CreateDirectoryA(helperFolder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    const std::string helper = helperFolder + "UpdHelper.exe";
    const std::string program = programFolder + "melkrin.exe";
    ASSERT_TRUE(CopyFileA((melkrinExeFolder() + "UpdHelper.exe").c_str(), helper.c_str(), FALSE));
    const std::string probe = readBytes(melkrinExeFolder() + "restart_probe.exe");
    writeBytes(program, probe + "OLD");
    // The new program is the probe too, told apart by its last bytes.
    writeBytes(program + ".uTMP", probe + "NEW");
    writeBytes(programFolder + "data.txt", "old data");
    writeBytes(programFolder + "data.txt.uTMP", "new data");
    for (const char* name : {"melkrin.exe.uTMP", "data.txt.uTMP"})
        SetFileAttributesA((programFolder + name).c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY);

    // Melkrin still holds its file while the helper starts.
    HANDLE held = CreateFileA(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::string line = helper + " " + program + " +/afterupgrade0";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    CloseHandle(process.hThread);
    Sleep(1000);
    EXPECT_TRUE(exists(program + ".uTMP")) << "nothing may move while the program file is held";
    EXPECT_EQ(readBytes(programFolder + "data.txt"), "old data");
    CloseHandle(held);

    ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    EXPECT_EQ(code, 0u);

    EXPECT_EQ(readBytes(program).substr(probe.size()), "NEW");
    EXPECT_EQ(readBytes(programFolder + "data.txt"), "new data");
    for (const char* name : {"melkrin.exe", "data.txt"})
        EXPECT_EQ(GetFileAttributesA((programFolder + name).c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE)) << name;
    for (const char* name : {"melkrin.exe.uTMP", "data.txt.uTMP", "melkrin.exe.uOLD", "data.txt.uOLD"})
        EXPECT_FALSE(exists(programFolder + name)) << name;

    ASSERT_TRUE(waitFor(20000, [&] { return exists(program + ".started"); })) << "the program was not started again";
    ASSERT_TRUE(waitFor(5000, [&] { return readBytes(program + ".started").find("/afterupgrade") != std::string::npos; }));
    EXPECT_EQ(readBytes(program + ".started"), "\"" + program + "\" /afterupgrade");
}

// While a helper is at work (it holds its mutex, as this test does here), a
// second one started over the same files leaves at once and touches nothing.
// Serial: the mutex is one for the whole Wine session, and other tests start helpers.
TEST(SerialUpdateHelperWin32Test, ASecondHelperLeavesAtOnceWhileOneIsAtWork) {
    TempFolder root;
    const std::string programFolder = root.path() + "Melkrin Test\\";
    ASSERT_TRUE(CreateDirectoryA(programFolder.c_str(), nullptr));
    const std::string program = programFolder + "melkrin.exe";
    const std::string probe = readBytes(melkrinExeFolder() + "restart_probe.exe");
    writeBytes(program, probe + "OLD");
    writeBytes(program + ".uTMP", probe + "NEW");
    HANDLE atWork = CreateMutexA(nullptr, FALSE, updhelper::kHelperAtWorkName);
    ASSERT_NE(atWork, nullptr);
    ASSERT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << "a helper of another test is still at work";

    std::string line = "\"" + melkrinExeFolder() + "UpdHelper.exe\" " + program + " +/afterupgrade0";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    CloseHandle(process.hThread);
    // A helper that went on would swap, start the program and end too: the
    // files and the missing restart tell them apart.
    const DWORD waited = WaitForSingleObject(process.hProcess, 20000);
    if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(atWork);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "the second helper did not end";
    EXPECT_EQ(code, static_cast<DWORD>(updhelper::kSecondHelperExitCode));
    EXPECT_EQ(readBytes(program).substr(probe.size()), "OLD");
    EXPECT_EQ(readBytes(program + ".uTMP").substr(probe.size()), "NEW");
    EXPECT_FALSE(exists(programFolder + "update.uJNL"));
    EXPECT_FALSE(exists(program + ".uOLD"));
    Sleep(500);
    EXPECT_FALSE(exists(program + ".started")) << "the second helper started the program";
}

TEST(UpdateHelperWin32Test, MelkrinCarriesTheHelperAsItsResource) {
    HMODULE image = LoadLibraryExA((melkrinExeFolder() + "melkrin.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceA(image, "UPDHELPER", "UPDHELPER");
    ASSERT_NE(found, nullptr);
    const DWORD size = SizeofResource(image, found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(std::string(bytes, size), readBytes(melkrinExeFolder() + "UpdHelper.exe"));
    FreeLibrary(image);
}

}  // namespace
}  // namespace melkrin
