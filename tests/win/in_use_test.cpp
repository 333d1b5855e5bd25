#include <windows.h>

#include <gtest/gtest.h>

#include "run/in_use_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

TEST(InUseTest, ExclusiveOpenDecides) {
    testing::TempFolder temp;
    const std::string log = temp.path() + "Sam2.log";
    Win32FileInUseProbe inUse;
    EXPECT_FALSE(inUse.isInUse(log)) << "a missing file is not in use";
    EXPECT_FALSE(inUse.isInUse(temp.path())) << "a folder is not a file in use";

    testing::writeBytes(log, "Average: 50.0\r\n");
    EXPECT_FALSE(inUse.isInUse(log));

    // Held open by a writer that lets others read, as a game writing its log.
    HANDLE writer = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(inUse.isInUse(log));
    CloseHandle(writer);
    EXPECT_FALSE(inUse.isInUse(log));

    // Any reason for the exclusive open to fail counts: a read-only log too.
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(inUse.isInUse(log));
    SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace melkrin
