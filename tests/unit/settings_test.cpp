#include <gtest/gtest.h>

#include "common/errors.h"
#include "memory_key_store.h"
#include "settings/base64.h"
#include "settings/benchmark_options.h"
#include "settings/settings_store.h"

namespace melkrin {
namespace {

using testing::MemoryKeyStore;

TEST(Base64Test, DecodesTheStoredPasswordForms) {
    struct Case {
        const char* stored;
        const char* plain;
    } cases[] = {
        {"", ""},
        {"c2VjcmV0", "secret"},            // whole groups
        {"c2VjcmV0MQ==", "secret1"},       // padded two-character tail
        {"c2VjcmV0MQ", "secret1"},         // the same without padding
        {"c2VjcmV0MTI=", "secret12"},      // three-character tail
        {"c2VjcmV0MTI", "secret12"},
        {"c2Vj\r\ncmV0", "secret"},        // a line break in the middle is skipped
        {"c2 Vj*cm-V0", "secret"},         // characters outside the alphabet are skipped
        {"c2VjcmV0M", "secret"},           // a lone character yields nothing
        {"+/+/", "\xFB\xFF\xBF"},
    };
    for (const auto& c : cases) EXPECT_EQ(decodeBase64(c.stored), c.plain) << c.stored;
}

TEST(Base64Test, EncodingRoundTrips) {
    for (std::string plain : {"", "a", "ab", "abc", "p\xE4ssw\xF6rd!"})
        EXPECT_EQ(decodeBase64(encodeBase64(plain)), plain);
}

TEST(DecodingRulesTest, EachValueHasItsOwnDefault) {
    EXPECT_TRUE(decode::flagOn("1"));
    for (const char* off : {"", "0", "01", " 1", "true", "2"}) EXPECT_FALSE(decode::flagOn(off)) << off;

    EXPECT_FALSE(decode::hdrOn("0"));
    for (const char* on : {"", "1", "00", "off"}) EXPECT_TRUE(decode::hdrOn(on)) << on;

    EXPECT_EQ(decode::renderer("0"), Renderer::OpenGL);
    for (const char* d3d : {"", "1", "2", " 0"}) EXPECT_EQ(decode::renderer(d3d), Renderer::Direct3D) << d3d;

    EXPECT_EQ(decode::afLevel("4"), 4);
    EXPECT_EQ(decode::afLevel("0"), 0);
    EXPECT_EQ(decode::aaLevel("3"), 3);
    for (const char* none : {"", "5", "7", "-1", "04", " 1"}) EXPECT_FALSE(decode::afLevel(none)) << none;
    EXPECT_FALSE(decode::aaLevel("4"));
    EXPECT_EQ(decode::demoChoice("4"), 4);
    EXPECT_FALSE(decode::demoChoice("0"));
    EXPECT_FALSE(decode::demoChoice("5"));

    EXPECT_TRUE(decode::customSizeStored("1024", "768"));
    EXPECT_TRUE(decode::customSizeStored("", ""));
    EXPECT_FALSE(decode::customSizeStored("0", "768"));
    EXPECT_FALSE(decode::customSizeStored("1024", "0"));
}

TEST(SettingsStoreTest, ReadsWritesAndReportsErrorsWithTheValueName) {
    MemoryKeyStore keys;
    SettingsStore store(keys);
    EXPECT_FALSE(store.open("\\SOFTWARE\\X", false));
    EXPECT_FALSE(store.keyExists("\\SOFTWARE\\X"));
    ASSERT_TRUE(store.open("\\SOFTWARE\\X", true));
    EXPECT_TRUE(store.keyExists("\\SOFTWARE\\X"));

    EXPECT_EQ(store.readString("Missing"), "");
    EXPECT_FALSE(store.valueExists("Missing"));
    store.writeString("Note", "hello");
    EXPECT_TRUE(store.valueExists("Note"));
    EXPECT_EQ(store.readString("Note"), "hello");

    keys.setOtherType("\\SOFTWARE\\X", "Demo");
    EXPECT_TRUE(store.valueExists("Demo"));
    try {
        (void)store.readString("Demo");
        FAIL() << "a value of another type must raise";
    } catch (const MelkrinError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Demo'");
    }

    keys.failingWrites.insert("Note");
    try {
        store.writeString("Note", "changed");
        FAIL() << "a failed write must raise";
    } catch (const MelkrinError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'Note'");
    }
    EXPECT_EQ(store.readString("Note"), "hello");
}

}  // namespace
}  // namespace melkrin
