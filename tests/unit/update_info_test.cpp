#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "update/update_info.h"

#include <optional>

namespace melkrin::update {
namespace {

using ::testing::ElementsAre;

TEST(InfoValueTest, PlainAndBracedValues) {
    struct Case {
        const char* what;
        std::string text;
        const char* key;
        bool braced;
        std::string value;
    } cases[] = {
        {"key in capitals, value keeps its case", "#Version=1.3Beta\r\n", "version", false, "1.3Beta"},
        {"asked in capitals", "#version=2\n", "VERSION", false, "2"},
        {"ends before the line end", "#version=1.3\r\n#date=07/30/2006", "version", false, "1.3"},
        {"trailing blank kept", "#version=1.3 \r\n", "version", false, "1.3 "},
        {"ends at a tab", "#version=1.3\tx", "version", false, "1.3"},
        {"runs to the end of the text", "#version=1.4", "version", false, "1.4"},
        {"need not begin a line", "text before #version=5 and after", "version", false, "5 and after"},
        {"missing key", "#date=01/01/2001", "version", false, ""},
        {"empty value", "#version=\r\n", "version", false, ""},
        {"first occurrence wins", "#version=1\n#version=2\n", "version", false, "1"},
        {"8-bit bytes are values", "#message=Gr\xFC\xDF" "e\n", "message", false, "Gr\xFC\xDF" "e"},
        {"braced keeps line breaks", "#message={line one\r\nline two}rest", "message", true, "line one\r\nline two"},
        {"braced without a close runs to the end", "#message={open\r\nend", "message", true, "open\r\nend"},
        {"braced key not braced in the text", "#message=plain\r\n", "message", true, ""},
        {"plain read of a braced entry", "#message={x}\r\n", "message", false, "{x}"},
        {"a longer key is not a shorter one", "#url1=a\n", "url", false, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(infoValue(c.text, c.key, c.braced), c.value) << c.what;
}

TEST(ListedFilesTest, NumberedKeysStartAboveTheUnnumberedOnes) {
    auto urls = [](const std::string& text) {
        std::vector<std::string> out;
        for (const auto& f : listedFiles(text)) out.push_back(f.key + "=" + f.url);
        return out;
    };
    EXPECT_THAT(urls("#url=a\n"), ElementsAre("url=a"));
    EXPECT_THAT(urls("#url0=a\n#url1=b\n#url2=c\n"), ElementsAre("url0=a", "url2=c"));
    EXPECT_THAT(urls("#url1=b\n#url2=c\n"), ElementsAre("url1=b", "url2=c"));
    EXPECT_THAT(urls("#url=a\n#url0=b\n#url1=x\n#url2=y\n#url3=c\n"), ElementsAre("url=a", "url0=b", "url3=c"));
    EXPECT_THAT(urls("#url1=a\n#url3=c\n"), ElementsAre("url1=a"));
    EXPECT_THAT(urls("#URL2=a\n"), ElementsAre());
    EXPECT_THAT(urls(""), ElementsAre());
    // The checksum keys of a file are no files of their own.
    EXPECT_THAT(urls("#url1=a\n#url1.sha256=00\n#url1.size=3\n"), ElementsAre("url1=a"));
}

TEST(UpgradeMethodTest, FirstCharacterDecides) {
    EXPECT_EQ(upgradeMethodOf(""), UpgradeKind::SelfUpgrade);
    EXPECT_EQ(upgradeMethodOf("#method=0"), UpgradeKind::SelfUpgrade);
    EXPECT_EQ(upgradeMethodOf("#method=1"), UpgradeKind::UseExternalSetup);
    EXPECT_EQ(upgradeMethodOf("#Method=2 redirect"), UpgradeKind::RedirectToUrl);
    EXPECT_EQ(upgradeMethodOf("#method=12"), UpgradeKind::UseExternalSetup);
    EXPECT_EQ(upgradeMethodOf("#method=3"), UpgradeKind::SelfUpgrade);
    EXPECT_EQ(upgradeMethodOf("#method= 1"), UpgradeKind::SelfUpgrade);
}

TEST(ReadIntegerTest, AsThePlatformConversionReads) {
    EXPECT_EQ(readInteger("12"), 12);
    EXPECT_EQ(readInteger("  7"), 7);
    EXPECT_EQ(readInteger("-3"), -3);
    EXPECT_EQ(readInteger("+3"), 3);
    EXPECT_EQ(readInteger("$1F"), 31);
    EXPECT_EQ(readInteger("0x10"), 16);
    EXPECT_EQ(readInteger("2147483647"), 2147483647);
    EXPECT_EQ(readInteger("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(readInteger("$FFFFFFFF"), -1);
    for (const char* bad : {"", " ", "7 ", "1a", "2147483648", "$", "0x", "-", "1.0", "$1G"})
        EXPECT_FALSE(readInteger(bad).has_value()) << bad;
}

TEST(CompareVersionsTest, PartsAsNumbersElseBytes) {
    struct Case {
        const char* a;
        const char* b;
        int result;
    } cases[] = {
        {"1.10", "1.9", 1},
        {"1.9", "1.10", -1},
        {"1.2", "1.2.0.0", 0},
        {"1.2.0.0", "1.2", 0},
        {"1.2a", "1.2", 1},       // not a number: the texts byte-wise
        {"1.2", "1.2a", -1},
        {"1.1", "1.1", 0},
        {"2", "1.99.99.99", 1},
        {"1.2.3.4.5", "1.2.3.4", 0},  // only four parts count
        {"1.3 ", "1.3", 1},      // a trailing blank makes the last part no number
        {"", "1.0", -1},         // an empty part is no number: "" sorts first
        {"1.0", "", 1},
        {"", "", 0},
        {"1.2.", "1.2", 1},      // the empty third part falls back to bytes
        {"1.-1", "1.0", -1},     // -1 reads as "no number": '-' < '0'
        {"1.$A", "1.9", 1},      // hexadecimal parts count as numbers
        {"01.2", "1.2", 0},
        {" 1.2", "1.2", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(compareVersions(c.a, c.b), c.result) << c.a << " vs " << c.b;
}

TEST(VersionFileTest, TheFirstLineWhenItIsAPlainVersion) {
    struct Case {
        std::string content;
        std::optional<std::string> version;
    } cases[] = {
        {"1.10\r\n", "1.10"},            // three characters would make it 1.1, offered again for ever
        {"1.2.3.4", "1.2.3.4"},
        {"2\n1.0\n", "2"},
        {"1.3\tbeta", "1.3"},             // up to the first control character
        {std::string("1.4\0x", 5), "1.4"},
        {"1.5\x7F", "1.5"},
        {"123456789.1", "123456789.1"},
        {"", std::nullopt},
        {"\r\n1.2", std::nullopt},
        {"1.3 beta\r\n", std::nullopt},
        {"1.2.3.4.5", std::nullopt},       // at most four parts
        {"1..2", std::nullopt},
        {".1", std::nullopt},
        {"1.", std::nullopt},
        {"-1.0", std::nullopt},
        {"$A.1", std::nullopt},
        {"1234567890.1", std::nullopt},    // a part the comparison could not hold
        {std::string(100000, '1'), std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(versionOfVersionFile(c.content), c.version) << c.content.substr(0, 20);
}

TEST(VersionFileTest, FileVersionsReadAsVersionTexts) {
    EXPECT_EQ(fileVersionText(1, 2, 0, 0), "1.2");
    EXPECT_EQ(fileVersionText(1, 0, 0, 0), "1.0");
    EXPECT_EQ(fileVersionText(1, 2, 3, 0), "1.2.3");
    EXPECT_EQ(fileVersionText(1, 2, 0, 4), "1.2.0.4");
    EXPECT_EQ(fileVersionText(65535, 10, 0, 0), "65535.10");
    EXPECT_EQ(compareVersions(fileVersionText(1, 10, 0, 0), "1.9"), 1);
}

TEST(ParseVersionDateTest, ExistingDatesElseToday) {
    const CalendarDate today{2026, 12, 10};
    struct Case {
        const char* text;
        CalendarDate date;
    } cases[] = {
        {"07/30/2006", {2006, 7, 30}},
        {"7/3/2006", {2006, 7, 3}},
        {"02/29/2004", {2004, 2, 29}},
        {"02/29/2005", today},
        {"02/29/1900", today},
        {"02/29/2000", {2000, 2, 29}},
        {"13/01/2006", today},
        {"00/10/2006", today},
        {"04/31/2006", today},
        {"07-30-2006", today},
        {"07/30", today},
        {"", today},
        {"aa/bb/cccc", today},
        {"07/30/2006x", today},
        {"07/30/2006/1", today},
    };
    for (const auto& c : cases) EXPECT_EQ(parseVersionDate(c.text, today), c.date) << c.text;
}

TEST(NamesNewerVersionTest, ByNumberAndByDate) {
    const CalendarDate today{2026, 12, 10};
    const VersionCheckSettings Number{VersionScheme::Number, "1.1", ""};
    EXPECT_FALSE(namesNewerVersion("#version=1.1\r\n", Number, today));
    EXPECT_TRUE(namesNewerVersion("#version=1.2\r\n", Number, today));
    EXPECT_FALSE(namesNewerVersion("#version=1.0\r\n", Number, today));
    EXPECT_FALSE(namesNewerVersion("no version here", Number, today));
    EXPECT_TRUE(namesNewerVersion("#version=0.1", {VersionScheme::Number, "", ""}, today));
    EXPECT_FALSE(namesNewerVersion("", {VersionScheme::Number, "", ""}, today));

    const VersionCheckSettings Date{VersionScheme::Date, "", "07/30/2006"};
    EXPECT_FALSE(namesNewerVersion("#date=07/30/2006", Date, today));
    EXPECT_TRUE(namesNewerVersion("#date=07/31/2006", Date, today));
    EXPECT_FALSE(namesNewerVersion("#date=07/29/2006", Date, today));
    EXPECT_TRUE(namesNewerVersion("#date=garbage", Date, today));  // today is after 2006
    EXPECT_FALSE(namesNewerVersion("#date=garbage", {VersionScheme::Date, "", "12/10/2026"}, today));
    // The version key does not count by date, nor the date by number.
    EXPECT_FALSE(namesNewerVersion("#version=9.9\r\n#date=01/01/2000", Date, today));
    EXPECT_FALSE(namesNewerVersion("#date=01/01/2030\r\n#version=1.0", Number, today));
}

}  // namespace
}  // namespace melkrin::update
