#include <gtest/gtest.h>

#include "app/about_text.h"

namespace melkrin {
namespace {

TEST(AboutTextTest, OnlyADevelopmentBuildNamesItsKey) {
    const std::string release = aboutText(false);
    const std::string development = aboutText(true);
    EXPECT_EQ(release.find("signing key"), std::string::npos);
    EXPECT_EQ(development, release + "\r\ndevelopment build: trusts the test signing key");
}

}  // namespace
}  // namespace melkrin
