#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/os_error_win32.h"
#include "run/process_runner_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using testing::TempFolder;
using testing::writeBytes;

// Delivers messages, as the program's message loop does, until done() or the
// deadline; done() is looked at after every message and every 50 ms.
template <class Done>
bool pumpUntil(Done done, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 50), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

void pumpFor(DWORD milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct Ended {
    ProcessRunner* sender;
    std::uint32_t exitCode;
    bool runningInHandler;
};

struct ProcessRunnerFixture : ::testing::Test {
    TempFolder temp;
    const std::string folder = temp.path() + "runner with blanks\\";
    Win32ProcessRunner runner;
    std::vector<Ended> ended;

    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        runner.onTerminate = [this](ProcessRunner& sender, std::uint32_t code) {
            ended.push_back({&sender, code, sender.running()});
        };
    }
    // A batch file in the folder with blanks; the command line quotes it.
    std::string batch(const std::string& name, const std::string& body) {
        writeBytes(folder + name, body);
        return "\"" + folder + name + "\"";
    }
    // Runs until the file go.flag appears beside it, then leaves done.flag.
    std::string waitingBatch() {
        return batch("wait for go.bat",
                     "@echo off\r\n:wait\r\nif exist \"%~dp0go.flag\" goto done\r\ngoto wait\r\n:done\r\n"
                     "echo done> \"%~dp0done.flag\"\r\n");
    }
};

TEST_F(ProcessRunnerFixture, ACommandThatEndsAtOnceEndsOnceAfterStartReturned) {
    runner.commandLine = batch("quick.bat", "@exit /b 0\r\n");
    bool startReturned = false;
    runner.onTerminate = [&](ProcessRunner& sender, std::uint32_t code) {
        EXPECT_TRUE(startReturned);
        ended.push_back({&sender, code, sender.running()});
    };
    runner.start();
    startReturned = true;
    EXPECT_TRUE(runner.running());
    ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }));
    pumpFor(300);
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].sender, &runner);
    EXPECT_EQ(ended[0].exitCode, 0u);
    EXPECT_FALSE(ended[0].runningInHandler);
    EXPECT_FALSE(runner.running());
}

TEST_F(ProcessRunnerFixture, DeliversTheExitCode) {
    for (const std::uint32_t code : {0u, 1u, 7u, 255u}) {
        ended.clear();
        runner.commandLine = batch("code.bat", "@exit /b " + std::to_string(code) + "\r\n");
        runner.start();
        ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }));
        EXPECT_EQ(ended[0].exitCode, code);
        EXPECT_EQ(runner.exitCode, code);
    }
}

TEST_F(ProcessRunnerFixture, RunsInTheTrimmedCurrentDirectory) {
    runner.commandLine = batch("where.bat", "@cd > \"%~dp0where.txt\"\r\n");
    const std::string other = temp.path() + "work folder";
    ASSERT_TRUE(CreateDirectoryA(other.c_str(), nullptr));
    runner.currentDirectory = "  " + other + "  ";
    runner.start();
    ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }));
    EXPECT_EQ(testing::readBytes(folder + "where.txt"), other + "\r\n");
}

TEST_F(ProcessRunnerFixture, TheHandlerMayStartTheSameRunnerAgain) {
    const std::string second = batch("second.bat", "@exit /b 5\r\n");
    runner.commandLine = batch("first.bat", "@exit /b 3\r\n");
    runner.onTerminate = [&](ProcessRunner& sender, std::uint32_t code) {
        ended.push_back({&sender, code, sender.running()});
        if (ended.size() == 1) {
            sender.commandLine = second;
            sender.start();
            EXPECT_TRUE(sender.running());
        }
    };
    runner.start();
    ASSERT_TRUE(pumpUntil([&] { return ended.size() == 2; }));
    pumpFor(200);
    ASSERT_EQ(ended.size(), 2u);
    EXPECT_EQ(ended[0].exitCode, 3u);
    EXPECT_EQ(ended[1].exitCode, 5u);
    EXPECT_FALSE(ended[0].runningInHandler);
    EXPECT_FALSE(runner.running());
}

TEST_F(ProcessRunnerFixture, ARefusedStartRaisesTheSystemErrorAndStaysIdle) {
    struct Case {
        const char* name;
        std::string commandLine;
        std::string currentDirectory;
        DWORD code;  // 0: whatever the system says
    } cases[] = {
        {"program missing", "\"" + folder + "no such program.exe\"", "", ERROR_FILE_NOT_FOUND},
        {"folder missing", batch("fine.bat", "@exit /b 0\r\n"), folder + "gone", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        runner.commandLine = c.commandLine;
        runner.currentDirectory = c.currentDirectory;
        try {
            runner.start();
            ADD_FAILURE() << "started";
        } catch (const OsError& error) {
            EXPECT_NE(error.code(), 0u);
            if (c.code) {
                EXPECT_EQ(error.code(), c.code);
            }
            EXPECT_NE(std::string(error.what()).find(systemMessage(error.code())), std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(runner.running());
    }
    pumpFor(300);
    EXPECT_TRUE(ended.empty());

    // The same runner starts normally afterwards.
    runner.commandLine = batch("good.bat", "@exit /b 2\r\n");
    runner.currentDirectory = "";
    runner.start();
    ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }));
    EXPECT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].exitCode, 2u);
}

TEST_F(ProcessRunnerFixture, AStartWhileRunningIsRefused) {
    runner.commandLine = waitingBatch();
    runner.start();
    try {
        runner.start();
        ADD_FAILURE() << "started twice";
    } catch (const MelkrinError& error) {
        EXPECT_STREQ(error.what(), "Cannot perform this operation when process is running");
    }
    EXPECT_TRUE(runner.running());
    writeBytes(folder + "go.flag", "");
    ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }));
    pumpFor(200);
    EXPECT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].exitCode, 0u);
}

TEST_F(ProcessRunnerFixture, DestroyedWhileRunningTheChildGoesOnAndNoEndIsReported) {
    int terminations = 0;
    {
        Win32ProcessRunner owned;
        owned.onTerminate = [&](ProcessRunner&, std::uint32_t) { ++terminations; };
        owned.commandLine = waitingBatch();
        owned.start();
        pumpFor(200);
    }
    pumpFor(300);
    EXPECT_FALSE(exists(folder + "done.flag"));
    writeBytes(folder + "go.flag", "");
    EXPECT_TRUE(pumpUntil([&] { return exists(folder + "done.flag"); }));
    pumpFor(300);
    EXPECT_EQ(terminations, 0);
}

// The game's runner: whatever its batch file started ends with the runner,
// as it does when the program is killed (the system then closes the job).
TEST_F(ProcessRunnerFixture, DestroyedWhileRunningATreeThatEndsWithTheRunnerEndsAtOnce) {
    int terminations = 0;
    waitingBatch();  // the grandchild: runs until go.flag, then leaves done.flag
    {
        Win32ProcessRunner owned;
        owned.endTreeWithRunner = true;
        owned.onTerminate = [&](ProcessRunner&, std::uint32_t) { ++terminations; };
        owned.commandLine = batch("starts another.bat", "@echo off\r\ncmd /c \"\"%~dp0wait for go.bat\"\"\r\n"
                                                         "echo outer> \"%~dp0outer.flag\"\r\n");
        owned.start();
        pumpFor(500);
    }
    // Had either interpreter survived, it would see go.flag now.
    writeBytes(folder + "go.flag", "");
    pumpFor(2000);
    EXPECT_FALSE(exists(folder + "done.flag")) << "the grandchild outlived the runner";
    EXPECT_FALSE(exists(folder + "outer.flag")) << "the child outlived the runner";
    EXPECT_EQ(terminations, 0);
}

// The game runs behind the batch interpreter: Stop must end both, and the
// end is reported as any other.
TEST_F(ProcessRunnerFixture, StopEndsTheWholeTreeAndTheEndIsReported) {
    runner.stop();  // idle: nothing to do
    EXPECT_TRUE(ended.empty());
    waitingBatch();  // the grandchild: runs until go.flag, then leaves done.flag
    runner.commandLine = batch("starts another.bat", "@echo off\r\ncmd /c \"\"%~dp0wait for go.bat\"\"\r\n"
                                                      "echo outer> \"%~dp0outer.flag\"\r\n");
    runner.start();
    pumpFor(1000);
    ASSERT_TRUE(ended.empty()) << "the tree waits for go.flag";
    runner.stop();
    ASSERT_TRUE(pumpUntil([&] { return !ended.empty(); }, 10000)) << "no end after Stop";
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].exitCode, Win32ProcessRunner::kStoppedExitCode);
    EXPECT_FALSE(runner.running());
    // Had the inner interpreter survived, it would see go.flag now.
    writeBytes(folder + "go.flag", "");
    pumpFor(2000);
    EXPECT_FALSE(exists(folder + "done.flag")) << "the started process outlived Stop";
    EXPECT_FALSE(exists(folder + "outer.flag"));
    // The runner starts again as usual afterwards.
    runner.commandLine = batch("quick.bat", "@exit /b 7\r\n");
    runner.start();
    ASSERT_TRUE(pumpUntil([&] { return ended.size() == 2; }));
    EXPECT_EQ(ended[1].exitCode, 7u);
}

// A runner whose waiting thread cannot be created, as when the system runs
// out of resources right after the process was made.
struct NoWaitingThreadRunner : Win32ProcessRunner {
    HANDLE child = nullptr;  // a handle of our own on the process it made
    ~NoWaitingThreadRunner() override {
        if (child) CloseHandle(child);
    }
    HANDLE createWaitingThread(LPTHREAD_START_ROUTINE, void*) override {
        DuplicateHandle(GetCurrentProcess(), childProcess(), GetCurrentProcess(), &child, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
};

TEST_F(ProcessRunnerFixture, AStartThatCannotBeWaitedForLeavesNothingRunning) {
    NoWaitingThreadRunner failing;
    int terminations = 0;
    failing.onTerminate = [&](ProcessRunner&, std::uint32_t) { ++terminations; };
    failing.commandLine = batch("would write.bat", "@echo ran> \"%~dp0ran.flag\"\r\n");
    try {
        failing.start();
        ADD_FAILURE() << "reported as started";
    } catch (const OsError& error) {
        EXPECT_EQ(error.code(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
    }
    EXPECT_FALSE(failing.running());
    ASSERT_NE(failing.child, nullptr) << "the process was made before the failure";
    // The process is gone by the time Start reports the failure, and it never ran.
    EXPECT_EQ(WaitForSingleObject(failing.child, 0), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(failing.child, &code));
    EXPECT_EQ(code, Win32ProcessRunner::kStoppedExitCode);
    pumpFor(500);
    EXPECT_FALSE(exists(folder + "ran.flag"));
    EXPECT_EQ(terminations, 0);
}

TEST(ProcessStartupInfoTest, TheRunnersHandOverThreeHints) {
    const STARTUPINFOA none = ProcessStartupInfo{}.toStartupInfo();
    EXPECT_EQ(none.cb, sizeof(STARTUPINFOA));
    EXPECT_EQ(none.dwFlags, 0u);

    const STARTUPINFOA hidden = Win32ProcessRunner().startupInfo.toStartupInfo();
    EXPECT_EQ(hidden.dwFlags, DWORD(STARTF_USEPOSITION | STARTF_USESIZE | STARTF_USESHOWWINDOW));
    EXPECT_EQ(hidden.wShowWindow, SW_HIDE);
    EXPECT_EQ(hidden.dwX, 0u);
    EXPECT_EQ(hidden.dwY, 0u);
    EXPECT_EQ(hidden.dwXSize, 0u);
    EXPECT_EQ(hidden.dwYSize, 0u);
}

}  // namespace
}  // namespace melkrin
