#include <gtest/gtest.h>

#include "update/http_date.h"

namespace melkrin::update {
namespace {

// Sun, 06 Nov 1994 08:49:37 GMT, the example of HTTP/1.1 itself.
constexpr std::int64_t kExample = 784111777;

TEST(HttpDateTest, TheThreeFormsOfHttp) {
    struct Case {
        const char* what;
        const char* text;
        std::int64_t utc;
    } cases[] = {
        {"RFC 1123", "Sun, 06 Nov 1994 08:49:37 GMT", kExample},
        {"RFC 850", "Sunday, 06-Nov-94 08:49:37 GMT", kExample},
        {"asctime", "Sun Nov  6 08:49:37 1994", kExample},
        {"no weekday", "06 Nov 1994 08:49:37 GMT", kExample},
        {"lower case", "sun, 06 nov 1994 08:49:37 gmt", kExample},
        {"blanks around", "  Sun, 06 Nov 1994 08:49:37 GMT \t", kExample},
        {"no time", "06 Nov 1994", kExample - (8 * 3600 + 49 * 60 + 37)},
        {"two-digit year below 80", "Mon, 01-Jan-07 00:00:00 GMT", secondsFromCivil(2007, 1, 1, 0, 0, 0)},
        {"two-digit year from 80", "Tue, 01-Jan-80 00:00:00 GMT", secondsFromCivil(1980, 1, 1, 0, 0, 0)},
        {"leap day", "Thu, 29 Feb 2024 12:00:00 GMT", secondsFromCivil(2024, 2, 29, 12, 0, 0)},
        {"day not a number counts as 1", "xx Nov 1994 08:49:37 GMT", kExample - 5 * 86400},
        {"missing seconds are 0", "Sun, 06 Nov 1994 08:49 GMT", kExample - 37},
        {"short zone is 0", "Sun, 06 Nov 1994 08:49:37 UT", kExample},
    };
    for (const auto& c : cases) {
        const auto utc = parseHttpDateUtc(c.text);
        ASSERT_TRUE(utc.has_value()) << c.what;
        EXPECT_EQ(*utc, c.utc) << c.what;
    }
}

TEST(HttpDateTest, NumericZonesGiveUniversalTime) {
    EXPECT_EQ(parseHttpDateUtc("Sun, 06 Nov 1994 10:49:37 +0200"), kExample);
    EXPECT_EQ(parseHttpDateUtc("Sun, 06 Nov 1994 03:19:37 -0530"), kExample);
    EXPECT_EQ(parseHttpDateUtc("Sun, 06 Nov 1994 00:49:37 -0800"), kExample);
    // Only the first five characters of the zone count.
    EXPECT_EQ(parseHttpDateUtc("Sun, 06 Nov 1994 10:49:37 +0200 (CEST)"), kExample);
    // A long zone that is no offset is 0.
    EXPECT_EQ(parseHttpDateUtc("Sun, 06 Nov 1994 08:49:37 Zulu time"), kExample);
}

TEST(HttpDateTest, LocalTimeFollowsTheBias) {
    // Bias in minutes as the platform gives it: universal = local + bias.
    EXPECT_EQ(parseHttpDateLocal("Sun, 06 Nov 1994 08:49:37 GMT", 0), kExample);
    EXPECT_EQ(parseHttpDateLocal("Sun, 06 Nov 1994 08:49:37 GMT", -60), kExample + 3600);
    EXPECT_EQ(parseHttpDateLocal("Sun, 06 Nov 1994 08:49:37 GMT", 300), kExample - 5 * 3600);
}

TEST(HttpDateTest, GarbageIsNoDate) {
    for (const char* text : {"", "   ", "Sun,", "yesterday", "06 Foo 1994 08:49:37 GMT", "Sun, 06 Nov abcd",
                             "31 Feb 2001 00:00:00 GMT", "06 Nov", "Sun, 06 Nov 1994 25:00:00 GMT"}) {
        EXPECT_FALSE(parseHttpDateUtc(text).has_value()) << text;
        EXPECT_EQ(parseHttpDateLocal(text, -120), 0) << text;
    }
}

}  // namespace
}  // namespace melkrin::update
