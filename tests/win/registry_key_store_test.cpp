#include <windows.h>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "settings/registry_key_store_win32.h"
#include "settings/settings_store.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using testing::TempRegistryKey;

HKEY rawKey(const std::string& path, REGSAM view) {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.substr(1).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                    nullptr);
    return key;
}

TEST(RegistryKeyStoreTest, UsesTheThirtyTwoBitViewForEveryKey) {
    TempRegistryKey temp;
    RegistryKeyStore keys;
    SettingsStore store(keys);
    EXPECT_FALSE(store.keyExists(temp.path()));
    EXPECT_FALSE(store.open(temp.path(), false));
    ASSERT_TRUE(store.open(temp.path(), true));
    store.writeString("Note", "abc \xD7 def");

    // A 64-bit program's 32-bit view lands below Wow6432Node, as on Windows.
    HKEY native = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, temp.path().substr(1).c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &native),
              ERROR_SUCCESS);
    HKEY wow = nullptr;
    const std::string wowPath = "SOFTWARE\\Wow6432Node" + temp.path().substr(9);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, wowPath.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &wow), ERROR_SUCCESS);
    char data[64] = {};
    DWORD size = sizeof(data);
    DWORD type = 0;
    ASSERT_EQ(RegQueryValueExA(wow, "Note", nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    RegCloseKey(wow);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(data, "abc \xD7 def");

    EXPECT_TRUE(store.keyExists(temp.path()));
    ASSERT_TRUE(store.open(temp.path(), false));
    EXPECT_EQ(store.readString("Note"), "abc \xD7 def");
}

TEST(RegistryKeyStoreTest, MissingWrongTypeAndEmptyValues) {
    TempRegistryKey temp;
    HKEY raw = rawKey(temp.path(), KEY_WOW64_32KEY);
    ASSERT_NE(raw, nullptr);
    const DWORD number = 7;
    RegSetValueExA(raw, "Demo", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
    RegSetValueExA(raw, "Empty", 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1);
    // A string stored without its terminating NUL still reads whole.
    RegSetValueExA(raw, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("1280"), 4);
    RegCloseKey(raw);

    RegistryKeyStore keys;
    SettingsStore store(keys);
    ASSERT_TRUE(store.open(temp.path(), false));
    EXPECT_EQ(store.readString("Missing"), "");
    EXPECT_FALSE(store.valueExists("Missing"));
    EXPECT_TRUE(store.valueExists("Empty"));
    EXPECT_EQ(store.readString("Empty"), "");
    EXPECT_EQ(store.readString("Bare"), "1280");
    EXPECT_TRUE(store.valueExists("Demo"));
    try {
        (void)store.readString("Demo");
        FAIL() << "a DWORD value must not read as a string";
    } catch (const MelkrinError& e) {
        EXPECT_STREQ(e.what(), "Invalid data type for 'Demo'");
    }
}

TEST(RegistryKeyStoreTest, MegabyteValuesAndBinaryOfAnySize) {
    TempRegistryKey temp;
    const std::string big(1 << 20, 'n');
    HKEY raw = rawKey(temp.path(), KEY_WOW64_32KEY);
    ASSERT_NE(raw, nullptr);
    // A megabyte of binary where a string belongs is a value of another type.
    const std::string binary(1 << 20, '\x01');
    RegSetValueExA(raw, "Renderer", 0, REG_BINARY, reinterpret_cast<const BYTE*>(binary.data()),
                   static_cast<DWORD>(binary.size()));
    RegCloseKey(raw);

    RegistryKeyStore keys;
    SettingsStore store(keys);
    ASSERT_TRUE(store.open(temp.path(), false));
    store.writeString("Note", big);
    EXPECT_EQ(store.readString("Note"), big);
    EXPECT_THROW((void)store.readString("Renderer"), MelkrinError);
}

TEST(RegistryKeyStoreTest, FailedWriteNamesTheValue) {
    TempRegistryKey temp;
    RegistryKeyStore keys;
    SettingsStore store(keys);
    ASSERT_TRUE(store.open(temp.path(), true));
    store.writeString("HDR", "0");
    // The key vanishes under the open handle (another program removed it):
    // the write is refused and must say which value was lost.
    HKEY parent = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\MelkrinTests", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &parent),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteTreeA(parent, temp.path().substr(temp.path().find_last_of('\\') + 1).c_str()), ERROR_SUCCESS);
    RegCloseKey(parent);
    try {
        store.writeString("HDR", "1");
        FAIL() << "a refused write must raise";
    } catch (const MelkrinError& e) {
        EXPECT_STREQ(e.what(), "Failed to set data for 'HDR'");
    }

    // Without an open key nothing can be written either.
    SettingsStore closed(keys);
    EXPECT_FALSE(closed.open(temp.path() + "\\Nope", false));
    EXPECT_THROW(closed.writeString("HDR", "1"), MelkrinError);
}

}  // namespace
}  // namespace melkrin
