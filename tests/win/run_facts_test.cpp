#include <windows.h>

#include <gtest/gtest.h>

#include <set>

#include "common/file_system_win32.h"
#include "common/sha256.h"
#include "run/run_facts_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

TEST(RunFactsTest, ProgramPathAndFileVersions) {
    Win32RunFacts facts;
    const std::string own = facts.programPath();
    EXPECT_NE(own.find("win_tests"), std::string::npos) << own;
    EXPECT_TRUE(Win32FileSystem().fileExists(own));
    // melkrin.exe carries the project's version resource; a file without one has none.
    EXPECT_EQ(facts.fileVersion(testing::melkrinExeFolder() + "melkrin.exe"), "1.2.0.0");
    testing::TempFolder temp;
    testing::writeBytes(temp.path() + "plain.exe", "MZ not really a program");
    EXPECT_FALSE(facts.fileVersion(temp.path() + "plain.exe"));
    EXPECT_FALSE(facts.fileVersion(temp.path() + "missing.exe"));
}

TEST(RunFactsTest, RandomIdentitiesDiffer) {
    Win32RunFacts facts;
    std::set<std::string> ids;
    for (int i = 0; i < 20; ++i) ids.insert(uuidFromRandomBytes(facts.randomBytes(16)));
    EXPECT_EQ(ids.size(), 20u);
}

TEST(RunFactsTest, ZoneAndSteadyClock) {
    Win32RunFacts facts;
    // The zone agrees with what the system makes of UTC as local time.
    SYSTEMTIME utc;
    SYSTEMTIME local;
    GetSystemTime(&utc);
    SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    FILETIME u;
    FILETIME l;
    SystemTimeToFileTime(&utc, &u);
    SystemTimeToFileTime(&local, &l);
    const auto ticks = [](FILETIME t) { return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    const long long minutes = (ticks(l) - ticks(u)) / (10'000'000LL * 60);
    EXPECT_EQ(facts.utcOffsetMinutes(), minutes);

    const double before = facts.steadySeconds();
    Sleep(50);
    const double elapsed = facts.steadySeconds() - before;
    EXPECT_GE(elapsed, 0.04);
    EXPECT_LT(elapsed, 5.0);
}

}  // namespace
}  // namespace melkrin
