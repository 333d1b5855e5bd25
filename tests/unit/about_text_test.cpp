#include <gtest/gtest.h>

#include "app/about_text.h"

namespace melkrin {
namespace {

TEST(AboutTextTest, OnlyADevelopmentBuildNamesItsKey) {
    const std::string release = aboutText(false);
    const std::string development = aboutText(true);
    EXPECT_EQ(release.find("signing key"), std::string::npos);
    // First, in the place of the blank line: the memo has room for no line more.
    EXPECT_EQ(development.rfind("development build: trusts the test signing key\r\nMelkrin plays", 0), 0u);
    std::string lines = release;
    lines.erase(lines.find("\r\n\r\n"), 2);
    EXPECT_EQ(development, "development build: trusts the test signing key\r\n" + lines);
}

}  // namespace
}  // namespace melkrin
