#include <gtest/gtest.h>

#include "run/run_comparison.h"

namespace melkrin {
namespace {

// A run as a result file of this machine tells it, with every part known.
HistoryRun knownRun() {
    HistoryRun run;
    run.startedAt = "2026-12-10T19:40:12";
    run.demo = "my demo.dem";
    run.demoSha256 = "aa11";
    run.antialiasing = "off";
    run.filtering = "16x";
    run.renderer = "Direct3D";
    run.passes = "3";
    run.processor = "AMD Phenom II X4 940";
    run.videoCard = "Radeon HD 4850";
    run.memory = "4096 MB";
    run.driverVersion = "8.600.0.0";
    run.gameFileVersion = "1.0.5.0";
    run.gameSha256 = "bb22";
    return run;
}

TEST(RunComparisonTest, DiffersOnlyInWhatChangesTheMeasurement) {
    struct Case {
        const char* name;
        void (*changeA)(HistoryRun&);
        void (*changeB)(HistoryRun&);
        std::vector<std::string> differences;
    };
    const auto none = [](HistoryRun&) {};
    const Case cases[] = {
        {"the same run", none, none, {}},
        {"HDR", none, [](HistoryRun& r) { r.hdr = true; }, {"HDR"}},
        {"passes and warm-up", none, [](HistoryRun& r) { r.passes = "until stable"; r.warmUp = true; }, {"passes", "warm-up"}},
        {"antialiasing not written vs off", [](HistoryRun& r) { r.antialiasing.clear(); }, none, {"antialiasing"}},
        {"another demo under the same name", none, [](HistoryRun& r) { r.demoSha256 = "cc33"; }, {"demo"}},
        {"the same demo renamed", none, [](HistoryRun& r) { r.demo = "renamed.dem"; }, {}},
        {"an older file knows the demo by name only", [](HistoryRun& r) { r.demoSha256.clear(); }, none, {}},
        {"by name only, another name", [](HistoryRun& r) { r.demoSha256.clear(); }, [](HistoryRun& r) { r.demo = "other.dem"; }, {"demo"}},
        {"the driver alone", none, [](HistoryRun& r) { r.driverVersion = "8.610.0.0"; }, {}},
        {"another video card", none, [](HistoryRun& r) { r.videoCard = "GeForce 8800 GT"; }, {"video card"}},
        {"memory not recorded", [](HistoryRun& r) { r.memory.clear(); }, none, {}},
        {"game build not recorded", [](HistoryRun& r) { r.gameFileVersion.clear(); r.gameSha256.clear(); }, none, {}},
        {"another game version", [](HistoryRun& r) { r.gameSha256.clear(); },
         [](HistoryRun& r) { r.gameSha256.clear(); r.gameFileVersion = "1.0.6.0"; }, {"game build"}},
        {"a patched program under the same version", none, [](HistoryRun& r) { r.gameSha256 = "dd44"; }, {"game build"}},
        {"the hash outweighs the version text", none, [](HistoryRun& r) { r.gameFileVersion = "1.05"; }, {}},
    };
    for (const auto& c : cases) {
        HistoryRun a = knownRun(), b = knownRun();
        c.changeA(a);
        c.changeB(b);
        EXPECT_EQ(keyDifferences(a, b), c.differences) << c.name;
        EXPECT_EQ(keyDifferences(b, a), c.differences) << c.name << " (the other way round)";
    }
}

TEST(RunComparisonTest, SetsHoldToWhatTheirRunsTold) {
    // Oldest first. An older file without the memory joins the set of its
    // settings; once a run told 4096 MB, a run of 8192 MB starts a set of its
    // own, and the next silent run joins the newest set it fits.
    std::vector<HistoryRun> runs(6, knownRun());
    runs[0].memory.clear();
    runs[2].memory = "8192 MB";
    runs[3].memory.clear();
    runs[4].hdr = true;
    runs[5].memory.clear();
    runs[5].gameSha256.clear();
    runs[5].gameFileVersion.clear();
    EXPECT_EQ(comparableSets(runs), (std::vector<int>{0, 0, 1, 1, 2, 1}));
    EXPECT_TRUE(comparableSets({}).empty());
}

TEST(RunComparisonTest, StartTimesWithAndWithoutTheirOffset) {
    const long long local = 1796931612;  // 2026-12-10T19:40:12 read as UTC
    struct Case {
        const char* startedAt;
        const char* offset;
        std::optional<long long> seconds;
    };
    const Case cases[] = {
        {"2026-12-10T19:40:12", "", local},
        {"2026-12-10T19:40:12", "+01:00", local - 3600},
        {"2026-12-10T19:40:12", "-05:30", local + 5 * 3600 + 1800},
        {"2026-12-10T19:40:12", "Z", local},
        {"2000-02-29T00:00:00", "", 951782400},
        {"1969-12-31T23:59:00", "", -60},
        {"2026-12-10T19:40:12", "+1:00", std::nullopt},
        {"2026-12-10T19:40:12", "+15:00", std::nullopt},
        {"2026-12-10 19:40:12", "", std::nullopt},
        {"2026-13-10T19:40:12", "", std::nullopt},
        {"2026-12-10T24:00:00", "", std::nullopt},
        {"2026-12-1xT19:40:12", "", std::nullopt},
        {"x", "", std::nullopt},
        {"", "", std::nullopt},
    };
    for (const auto& c : cases) {
        HistoryRun run;
        run.startedAt = c.startedAt;
        run.utcOffset = c.offset;
        EXPECT_EQ(startedAtSeconds(run), c.seconds) << c.startedAt << " " << c.offset;
    }
    EXPECT_EQ(dateText(local, false), "2026-12-10");
    EXPECT_EQ(dateText(local, true), "2026-12-10 19:40");
    EXPECT_EQ(dateText(951782400 - 1, true), "2000-02-28 23:59");
    EXPECT_EQ(dateText(-60, true), "1969-12-31 23:59");
}

}  // namespace
}  // namespace melkrin
