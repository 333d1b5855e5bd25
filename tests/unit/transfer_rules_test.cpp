#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "update/transfer_rules.h"

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;

TEST(TransferUrlTest, SchemeHostAndLocalFiles) {
    EXPECT_EQ(normalizeUrl("www.velkora.com/a.inf"), "http://www.velkora.com/a.inf");
    EXPECT_EQ(normalizeUrl("https://h/a"), "https://h/a");
    EXPECT_EQ(schemeOf("HTTPS://h/a"), "https");
    EXPECT_EQ(schemeOf("h/a"), "");
    EXPECT_EQ(hostOfUrl("http://user:pw@www.velkora.com:8080/x?y"), "www.velkora.com");
    EXPECT_EQ(hostOfUrl("www.velkora.com/x"), "www.velkora.com");
    EXPECT_EQ(hostOfUrl("http://127.0.0.1:4711"), "127.0.0.1");
    EXPECT_EQ(filePathOfUrl("file:///C:/Program%20Files/a.inf"), "C:\\Program Files\\a.inf");
    EXPECT_EQ(filePathOfUrl("file://localhost/C:/a.inf"), "C:\\a.inf");
    EXPECT_EQ(filePathOfUrl("file://server/share/a.inf"), "\\\\server\\share\\a.inf");
    EXPECT_EQ(percentDecode("a%2Fb%zz%4"), "a/b%zz%4");
}

TEST(TransferRealmTest, BehindTheFirstQuotedEqualsLessTheLastCharacter) {
    EXPECT_EQ(realmOf("Basic realm=\"Updates\""), "Updates");
    EXPECT_EQ(realmOf("Digest realm=\"a=\"b\", nonce=\"x\""), "a=\"b\", nonce=\"x");
    EXPECT_EQ(realmOf("Basic realm=Updates"), "Basic realm=Updates");
    EXPECT_EQ(realmOf("Basic realm=\""), "");
    EXPECT_EQ(realmOf(""), "");
}

TEST(TransferRequestTest, FlagsFromTheOptions) {
    EXPECT_THAT(requestFlagsFor({CacheOption::ReloadIfNoExpireInformation, CacheOption::ReloadUpdatedObjects,
                              CacheOption::CreateTempFilesIfCantCache, CacheOption::PragmaNoCache},
                             {InternetOption::KeepConnection}, false),
                ElementsAre(RequestFlag::Hyperlink, RequestFlag::Resynchronize, RequestFlag::PragmaNoCache,
                            RequestFlag::NeedFile, RequestFlag::KeepConnection));
    EXPECT_THAT(requestFlagsFor({CacheOption::AlwaysReload}, {InternetOption::NoAutoRedirect}, true),
                ElementsAre(RequestFlag::Reload, RequestFlag::NoAutoRedirect, RequestFlag::Secure));
    EXPECT_THAT(requestFlagsFor({}, {}, false), ElementsAre());
}

TEST(TransferProgressTest, RoundsHalvesToEven) {
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(2.4999999), 2);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
}

TEST(TransferProgressTest, Figures) {
    struct Case {
        std::uint32_t size, read, ms;
        int percents;
        std::uint32_t elapsed;
        float rate;
    } cases[] = {
        {1000, 5, 0, 0, 0, 5 / 1024.0f},           // 0.5 % rounds to the even 0
        {1000, 15, 0, 2, 0, 15 / 1024.0f},         // 1.5 % rounds to 2
        {1000, 25, 0, 2, 0, 25 / 1024.0f},         // 2.5 % rounds to 2
        {1000, 1000, 999, 100, 0, 1000 / 1024.0f}, // below one second: no division
        {10240, 2048, 4999, 20, 4, 0.5f},
        {3000, 2000, 3000, 67, 3, 2000 / 1024.0f / 3},
        {0, 4096, 2000, 0, 2, 2.0f},               // no length: no percentage, no estimate
        {4096, 4096, 10000, 100, 10, 0.4f},
    };
    for (const auto& c : cases) {
        const auto f = computeProgress(c.size, c.read, c.ms);
        EXPECT_EQ(f.percentsDone, c.percents) << c.size << "/" << c.read;
        EXPECT_EQ(f.elapsedTime, c.elapsed) << c.size << "/" << c.read;
        EXPECT_FLOAT_EQ(f.transferRate, c.rate) << c.size << "/" << c.read;
    }
    // The estimate: round(size / read x elapsed) - elapsed, halves to even.
    EXPECT_EQ(computeProgress(10240, 2048, 4999).estimatedTimeLeft, 16);  // 20 s in all
    EXPECT_EQ(computeProgress(3000, 2000, 3000).estimatedTimeLeft, 4 - 3);  // 4.5 -> 4
    EXPECT_EQ(computeProgress(3000, 2000, 5000).estimatedTimeLeft, 8 - 5);  // 7.5 -> 8
    EXPECT_EQ(computeProgress(0, 4096, 9000).estimatedTimeLeft, 0);
}

TEST(TransferOutcomeTest, WhichNotificationEndsATransfer) {
    struct Case {
        const char* what;
        bool continueDownload;
        int status;
        std::uint32_t size, read;
        TransferOutcome outcome;
    } cases[] = {
        {"skipped by the headers handler", false, 200, 10, 0, TransferOutcome::Skipped},
        {"whole body", true, 200, 10, 10, TransferOutcome::Done},
        {"partial content", true, 206, 10, 10, TransferOutcome::Done},
        {"no length: any body is complete", true, 200, 0, 12345, TransferOutcome::Done},
        {"no length, empty body", true, 200, 0, 0, TransferOutcome::Done},
        {"fewer bytes than announced", true, 200, 10, 9, TransferOutcome::Incomplete},
        {"more bytes than announced", true, 206, 10, 11, TransferOutcome::Incomplete},
        {"no status", true, -1, 0, 0, TransferOutcome::ServerUnreachable},
        {"not found", true, 404, 5, 5, TransferOutcome::HttpError},
        {"credentials", true, 401, 0, 0, TransferOutcome::HttpError},
        {"redirect not followed", true, 302, 0, 0, TransferOutcome::HttpError},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decideOutcome(c.continueDownload, c.status, c.size, c.read), c.outcome) << c.what;
}

TEST(TransferBoundsTest, ContentLengthIsReadWholeAndNeverWraps) {
    const struct {
        const char* text;
        std::optional<std::uint64_t> length;
        std::uint32_t fileSize;
    } cases[] = {
        {"1234", 1234, 1234},
        {" 42 ", 42, 42},
        {"4294967295", 4294967295u, 4294967295u},
        {"4294967296", 4294967296ull, 4294967295u},  // beyond 32 bits: never 0, never small
        {"1000000000000000", 1000000000000000ull, 4294967295u},
        {"9223372036854775807", 9223372036854775807ull, 4294967295u},
        {"99999999999999999999999", UINT64_MAX, 4294967295u},
        {"", std::nullopt, 0},
        {"-1", std::nullopt, 0},
        {"12abc", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseContentLength(c.text), c.length) << c.text;
        EXPECT_EQ(fileSizeOfLength(c.length.value_or(0)), c.fileSize) << c.text;
    }
}

TEST(TransferBoundsTest, RedirectsAndTheEndOfAStalledTransfer) {
    for (int status : {301, 302, 303, 307, 308}) EXPECT_TRUE(isRedirectStatus(status)) << status;
    for (int status : {200, 206, 300, 304, 305, 404, -1}) EXPECT_FALSE(isRedirectStatus(status)) << status;
    EXPECT_EQ(stalledOutcome(200), TransferOutcome::Incomplete);
    EXPECT_EQ(stalledOutcome(206), TransferOutcome::Incomplete);
    EXPECT_EQ(stalledOutcome(-1), TransferOutcome::ServerUnreachable);
    EXPECT_EQ(stalledOutcome(404), TransferOutcome::HttpError);
}

TEST(TransferBoundsTest, AStallIsAWholeLimitWithoutTheAnswerOrEnoughOfTheBody) {
    // Nothing at all: stalled once the limit has passed, not before.
    StallWatch silent(1000, 0);
    EXPECT_FALSE(silent.stalled(999, false, 0, false));
    EXPECT_TRUE(silent.stalled(1000, false, 0, false));

    // The answer restarts the limit once; a byte now and then does not.
    StallWatch trickle(1000, 0);
    EXPECT_FALSE(trickle.stalled(900, true, 0, false));
    EXPECT_FALSE(trickle.stalled(1500, true, 1, false));
    EXPECT_FALSE(trickle.stalled(1800, true, kStallMinBytes - 1, false));
    EXPECT_TRUE(trickle.stalled(1900, true, kStallMinBytes - 1, false));

    // Enough bytes within each limit: never stalled, however long it takes.
    StallWatch slow(1000, 0);
    for (std::uint64_t t = 500, bytes = kStallMinBytes; t <= 60000; t += 500, bytes += kStallMinBytes)
        ASSERT_FALSE(slow.stalled(t, true, bytes, false)) << t;

    // Time in a notification (a question to the user) does not count.
    StallWatch asking(1000, 0);
    EXPECT_FALSE(asking.stalled(5000, true, 0, true));
    EXPECT_FALSE(asking.stalled(5900, true, 0, false));
    EXPECT_TRUE(asking.stalled(6000, true, 0, false));
}

TEST(TransferBoundsTest, ProgressGoesOutAtMostTwentyTimesASecondAndTheLastFiguresAtTheEnd) {
    // A fast body read in many blocks: the first at once, then one per interval.
    ProgressPacer fast;
    int told = 0;
    std::uint64_t bytes = 0;
    for (std::uint64_t t = 0; t < 1000; t += 5) {
        bytes += 65536;
        if (fast.due(t, bytes)) ++told;
        if (t == 0) { EXPECT_EQ(told, 1) << "the first block is told at once"; }
    }
    EXPECT_EQ(told, 20);
    EXPECT_TRUE(fast.owed(bytes)) << "the last block came within an interval of the one told";

    // A slow body: every block that comes an interval or more after the last one told.
    ProgressPacer slow;
    EXPECT_TRUE(slow.due(0, 2048));
    EXPECT_FALSE(slow.due(kProgressIntervalMs - 1, 4096));
    EXPECT_TRUE(slow.due(kProgressIntervalMs, 4096));
    EXPECT_TRUE(slow.due(400, 6144));
    EXPECT_FALSE(slow.owed(6144));

    // No figures without a byte, and none twice for the same count.
    ProgressPacer idle;
    EXPECT_FALSE(idle.due(0, 0));
    EXPECT_FALSE(idle.owed(0));
    EXPECT_TRUE(idle.due(100, 10));
    EXPECT_FALSE(idle.due(1000, 10));
}

TEST(TransferBoundsTest, ReadsGrowWhileTheyAreQuickAndNeverAskMuchBeyondASlowServer) {
    constexpr std::uint32_t kLargest = 1u << 20;
    // A fast server: from what has arrived, doubling up to the largest read.
    ReadSizer fast(kLargest);
    std::vector<std::uint32_t> sizes;
    for (int i = 0; i < 10; ++i) {
        sizes.push_back(fast.next(8192));
        fast.took(sizes.back(), 2);
    }
    EXPECT_THAT(sizes, ElementsAre(8192, 16384, 32768, 65536, 131072, 262144, 524288, kLargest, kLargest, kLargest));
    EXPECT_EQ(fast.next(kLargest * 4), kLargest) << "never beyond the largest read";

    // A byte now and then: a read waits for one byte more at most.
    ReadSizer trickle(kLargest);
    for (int i = 0; i < 20; ++i) {
        const std::uint32_t size = trickle.next(1);
        ASSERT_LE(size, 2u) << i;
        trickle.took(size, size > 1 ? 300 : 0);
    }

    // A server that slows down: each slow read halves what is asked beyond what has arrived.
    ReadSizer slowing(kLargest);
    for (int i = 0; i < 8; ++i) slowing.took(slowing.next(8192), 1);
    ASSERT_EQ(slowing.next(100), kLargest);
    slowing.took(kLargest, kProgressIntervalMs);
    EXPECT_EQ(slowing.next(100), kLargest / 2);
    for (int i = 0; i < 30; ++i) slowing.took(slowing.next(100), 500);
    EXPECT_EQ(slowing.next(100), 100u) << "back to what has arrived";
}

TEST(TransferRedirectTest, NeverFromHttpsDownToHttp) {
    struct Case {
        const char* from;
        const char* to;
        bool insecure;
    } cases[] = {
        {"https://www.velkora.com/a.inf", "http://www.velkora.com/a.inf", true},
        {"HTTPS://www.velkora.com/a.inf", "http://mirror.example/a.inf", true},
        {"https://www.velkora.com/a.inf", "www.velkora.com/a.inf", true},  // no scheme is http
        {"https://www.velkora.com/a.inf", "https://cdn.example/a.inf", false},
        {"http://www.velkora.com/a.inf", "https://www.velkora.com/a.inf", false},
        {"http://127.0.0.1:8080/a.inf", "http://127.0.0.1:8081/b.inf", false},
    };
    for (const auto& c : cases) EXPECT_EQ(isInsecureRedirect(c.from, c.to), c.insecure) << c.from << " -> " << c.to;
}

TEST(TransferRedirectTest, CredentialsStayWithTheirHost) {
    struct Case {
        const char* from;
        const char* to;
        bool keeps;
    } cases[] = {
        {"http://user:pw@files.velkora.com/a.exe", "http://files.velkora.com/b.exe", true},
        {"http://files.velkora.com/a.exe", "https://FILES.velkora.com:8443/a.exe", true},
        {"http://files.velkora.com/a.exe", "http://evil.example/a.exe", false},
        {"http://user:pw@files.velkora.com/a.exe", "http://files.velkora.com.evil.example/a.exe", false},
        {"http://files.velkora.com/a.exe", "http://files.velkora.com@evil.example/a.exe", false},
        {"http://127.0.0.1:8080/a", "http://localhost:8080/a", false},
    };
    for (const auto& c : cases) EXPECT_EQ(keepsCredentials(c.from, c.to), c.keeps) << c.from << " -> " << c.to;
}

}  // namespace
}  // namespace melkrin::update
