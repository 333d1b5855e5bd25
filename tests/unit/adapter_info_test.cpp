#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "fake_display_driver.h"
#include "memory_key_store.h"
#include "sysinfo/adapter_info.h"

namespace melkrin {
namespace {

using testing::FakeDisplayDriver;
using testing::MemoryKeyStore;
using Target = DisplayDriver::Target;
using Bytes = std::vector<std::uint8_t>;

const DisplayDevice kRadeon{"\\\\.\\DISPLAY1", "RADEON X800 XT", "PCI\\VEN_1002&DEV_4A49&SUBSYS_0002"};
const DisplayDevice kGeForce{"\\\\.\\DISPLAY1", "GeForce 6800", "PCI\\VEN_10DE&DEV_0040"};

Bytes words(std::initializer_list<std::uint32_t> values, std::size_t size) {
    Bytes bytes(size, 0);
    std::size_t offset = 0;
    for (std::uint32_t v : values) {
        for (int i = 0; i < 4; ++i) bytes[offset++] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    return bytes;
}

struct Adapter {
    FakeDisplayDriver driver;
    MemoryKeyStore keys;
    SettingsStore settings{keys};
};

TEST(RadeonInfoTest, SendsBothQueriesWithTheirBlocks) {
    Adapter a;
    a.driver.answerAsAti(47250, 97000);
    a.driver.devices = {kRadeon};
    RadeonInfo radeon(a.driver);
    ASSERT_TRUE(radeon.isAvailable());
    EXPECT_DOUBLE_EQ(radeon.engineClockMHz, 472.5);
    EXPECT_DOUBLE_EQ(radeon.memoryClockMHz, 970.0);
    EXPECT_EQ(radeon.adapterName, "RADEON X800 XT");

    ASSERT_EQ(a.driver.calls.size(), 2u);
    for (const auto& call : a.driver.calls) {
        EXPECT_EQ(call.target, Target::FirstDisplay);
        EXPECT_EQ(call.code, 0x7306);
    }
    EXPECT_EQ(a.driver.calls[0].input, words({16, 0x110013, 0, 0}, 16));
    EXPECT_EQ(a.driver.calls[0].outputBefore, words({80}, 80));
    EXPECT_EQ(a.driver.calls[1].input, words({16, 0x400103, 0, 0}, 16));
    EXPECT_EQ(a.driver.calls[1].outputBefore, words({64}, 64));
}

TEST(RadeonInfoTest, StopsAtTheFirstStepThatFails) {
    struct Case {
        const char* what;
        int clockReturns, adapterReturns;
        std::vector<DisplayDevice> devices;
        bool available;
        std::size_t escapes;
        int deviceQueries;
        const char* adapterName;
    } cases[] = {
        {"all answered", 0, 0, {kRadeon}, true, 2, 1, "RADEON X800 XT"},
        {"a positive count is no answer", 1, 0, {kRadeon}, false, 1, 0, ""},
        {"clock query refused", -1, 0, {kRadeon}, false, 1, 0, ""},
        {"adapter query refused", 0, 5, {kRadeon}, false, 2, 0, ""},
        {"another vendor", 0, 0, {kGeForce}, false, 2, 1, "GeForce 6800"},
        {"no display devices", 0, 0, {}, false, 2, 1, ""},
        {"the search ends at DISPLAY1", 0, 0, {kGeForce, kRadeon}, false, 2, 1, "GeForce 6800"},
        // Without DISPLAY1 the last device listed decides.
        {"no DISPLAY1", 0, 0, {{"\\\\.\\DISPLAY2", "RADEON 9800", kRadeon.id}}, true, 2, 2, ""},
        {"an identifier too short", 0, 0, {{"\\\\.\\DISPLAY1", "Odd", "PCI\\VEN_10"}}, false, 2, 1, "Odd"},
    };
    for (const auto& c : cases) {
        Adapter a;
        a.driver.answerAsAti(50000, 50000);
        a.driver.ati[0x110013].returned = c.clockReturns;
        a.driver.ati[0x400103].returned = c.adapterReturns;
        a.driver.devices = c.devices;
        RadeonInfo radeon(a.driver);
        EXPECT_EQ(radeon.isAvailable(), c.available) << c.what;
        EXPECT_EQ(a.driver.calls.size(), c.escapes) << c.what;
        EXPECT_EQ(a.driver.deviceQueries, c.deviceQueries) << c.what;
        EXPECT_EQ(radeon.adapterName, c.adapterName) << c.what;
    }
}

TEST(ReadAtiAdapterTest, FillsTheRecordFromTheDriverAndItsKeys) {
    Adapter a;
    a.driver.answerAsAti(47250, 97000);
    a.driver.devices = {kRadeon};
    a.keys.set(ati::kAsicKey, "Bus Type", "PCI Express (x16)");
    a.keys.set(ati::kMemoryKey, "Type", "GDDR3 (256 bit)");
    const AtiAdapterInfo info = readAtiAdapter(a.driver, a.settings, ',');
    EXPECT_TRUE(info.present);
    EXPECT_EQ(info.cardName, "RADEON X800 XT");
    EXPECT_EQ(info.coreClock, "472,50 MHz");
    EXPECT_EQ(info.memoryClock, "970,00 MHz");
    EXPECT_EQ(info.busType, "PCI Express ");  // the blank before the bracket stays
    EXPECT_EQ(info.memoryType, "GDDR3 ");
}

TEST(ReadAtiAdapterTest, MissingKeysAndValuesLeaveTheTextsEmpty) {
    struct Case {
        const char* what;
        bool asicKey, busValue, busIsText, memoryKey, typeValue;
        const char* busType;
        const char* memoryType;
    } cases[] = {
        {"no ASIC key: the memory key is not read", false, false, true, true, true, "", ""},
        {"no bus type value", true, false, true, true, true, "", "DDR"},
        {"a bus type that is no text", true, true, false, true, true, "", "DDR"},
        {"no memory key", true, true, true, false, false, "AGP 8x", ""},
        {"no memory type value", true, true, true, true, false, "AGP 8x", ""},
    };
    for (const auto& c : cases) {
        Adapter a;
        a.driver.answerAsAti(40000, 40000);
        a.driver.devices = {kRadeon};
        if (c.asicKey) a.keys.addKey(ati::kAsicKey);
        if (c.busValue && c.busIsText) a.keys.set(ati::kAsicKey, "Bus Type", "AGP 8x");
        if (c.busValue && !c.busIsText) a.keys.setOtherType(ati::kAsicKey, "Bus Type");
        if (c.memoryKey) a.keys.addKey(ati::kMemoryKey);
        if (c.typeValue) a.keys.set(ati::kMemoryKey, "Type", "DDR");
        const AtiAdapterInfo info = readAtiAdapter(a.driver, a.settings, '.');
        EXPECT_TRUE(info.present) << c.what;
        EXPECT_EQ(info.coreClock, "400.00 MHz") << c.what;
        EXPECT_EQ(info.busType, c.busType) << c.what;
        EXPECT_EQ(info.memoryType, c.memoryType) << c.what;
    }
}

TEST(ReadAtiAdapterTest, ANonAtiAdapterGivesNoRecord) {
    // The escape "answers" with a block left as it was; the vendor decides.
    Adapter a;
    a.driver.devices = {kGeForce};
    a.keys.set(ati::kAsicKey, "Bus Type", "PCI");
    const AtiAdapterInfo info = readAtiAdapter(a.driver, a.settings, '.');
    EXPECT_FALSE(info.present);
    EXPECT_EQ(info.cardName, "");
    EXPECT_EQ(info.coreClock, "");
    EXPECT_EQ(info.busType, "");
}

constexpr std::uint32_t megahertz(double mhz) { return static_cast<std::uint32_t>(mhz * 1000000); }

// Answers for levels 0, 1, ... in order; a zero clock is left unanswered so
// that only the other clock of the level counts.
void answerLevels(FakeDisplayDriver& driver, std::vector<std::uint32_t> gpuHz, std::vector<std::uint32_t> memoryHz) {
    for (std::size_t level = 0; level < std::max(gpuHz.size(), memoryHz.size()); ++level) {
        FakeDisplayDriver::LevelAnswer answer;
        answer.gpuHz = level < gpuHz.size() ? gpuHz[level] : 0;
        answer.memoryHz = level < memoryHz.size() ? memoryHz[level] : 0;
        driver.levels[static_cast<std::uint32_t>(level)] = answer;
    }
}

TEST(ReadDisplayClassAdapterTest, TakesTheHighestClocksAsTheLevelLoopsDo) {
    struct Case {
        const char* what;
        std::vector<std::uint32_t> gpu, memory;
        const char* gpuClock;
        const char* memoryClock;
        bool present;
    } cases[] = {
        {"three GPU and two memory levels", {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500), megahertz(600)}, "400 MHz",
         "600 MHz", true},
        {"each maximum on its own", {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(200), megahertz(250)}, "400 MHz", "250 MHz", true},
        {"two GPU levels give 0", {megahertz(300), megahertz(400)}, {megahertz(500), megahertz(600)}, "0 MHz", "600 MHz", false},
        {"one memory level gives 0", {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500)}, "400 MHz", "0 MHz", false},
        {"the first GPU level never counts", {megahertz(900), megahertz(300), megahertz(350)}, {megahertz(5), megahertz(6)}, "350 MHz", "6 MHz",
         true},
        {"below half a MHz is no level", {499999, megahertz(900), megahertz(350), megahertz(400)}, {megahertz(1), megahertz(2)}, "400 MHz",
         "2 MHz", true},
        {"half a MHz rounds to even: 0", {500000, megahertz(900), megahertz(350), megahertz(400)}, {1500000, 2500000}, "400 MHz",
         "2 MHz", true},
        {"six levels", {megahertz(100), megahertz(200), megahertz(700), megahertz(300), megahertz(400), megahertz(500)},
         {megahertz(100), megahertz(900), megahertz(200), megahertz(300), megahertz(400), megahertz(500)}, "700 MHz", "900 MHz", true},
        {"whole MHz, halves to even", {megahertz(1), 299500000, 300500000}, {megahertz(1), 250499999}, "300 MHz", "250 MHz", true},
        {"the driver does not answer", {}, {}, "0 MHz", "0 MHz", false},
    };
    for (const auto& c : cases) {
        Adapter a;
        a.keys.set(displayclass::kKey, "DriverDesc", "NVIDIA GeForce 7800 GTX");
        answerLevels(a.driver, c.gpu, c.memory);
        const DisplayClassAdapterInfo info = readDisplayClassAdapter(a.driver, a.settings);
        EXPECT_EQ(info.gpuClock, c.gpuClock) << c.what;
        EXPECT_EQ(info.memoryClock, c.memoryClock) << c.what;
        EXPECT_EQ(info.present, c.present) << c.what;
        EXPECT_EQ(info.driverDesc, "NVIDIA GeForce 7800 GTX") << c.what;
    }
}

TEST(ReadDisplayClassAdapterTest, QueriesEachLevelWithItsBlocks) {
    Adapter a;
    a.keys.addKey(displayclass::kKey);
    answerLevels(a.driver, {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500), megahertz(600)});
    const DisplayClassAdapterInfo info = readDisplayClassAdapter(a.driver, a.settings);
    EXPECT_TRUE(info.present);
    EXPECT_EQ(info.driverDesc, "");

    // Levels 0 to 5 for the GPU clocks, then again for the memory clocks.
    ASSERT_EQ(a.driver.calls.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        const auto& call = a.driver.calls[i];
        EXPECT_EQ(call.target, Target::DriverName);
        EXPECT_EQ(call.code, 0x7037);
        ASSERT_EQ(call.input.size(), 32u);
        const Bytes input = call.input;
        // 0, 0, 494, 0, the level buffer's address (two values wide on a
        // 64-bit build), 16, 0.
        Bytes expected = words({0, 0, 494, 0, 0, 0, 16, 0}, 32);
        std::copy(input.begin() + 16, input.begin() + 24, expected.begin() + 16);
        EXPECT_EQ(input, expected) << i;
        std::uint64_t address = 0;
        std::memcpy(&address, input.data() + 16, 8);
        EXPECT_NE(address, 0u);
        if (sizeof(void*) == 4) {
            EXPECT_EQ(address >> 32, 0u);
        }
        EXPECT_EQ(call.outputBefore, Bytes(32, 0));
    }
}

TEST(ReadDisplayClassAdapterTest, AQueryFailsOnAnyOfItsThreeConditions) {
    struct Case {
        const char* what;
        int returned;
        bool released;
        std::uint32_t status;
        bool present;
    } cases[] = {
        {"answered", 1, true, 0, true},
        {"a negative return still answers", -1, true, 0, true},
        {"the escape returns 0", 0, true, 0, false},
        {"the device context is not released", 1, false, 0, false},
        {"the status value is set", 1, true, 1, false},
    };
    for (const auto& c : cases) {
        Adapter a;
        a.keys.addKey(displayclass::kKey);
        answerLevels(a.driver, {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500), megahertz(600)});
        for (auto& [level, answer] : a.driver.levels) {
            answer.returned = c.returned;
            answer.released = c.released;
            answer.status = c.status;
        }
        EXPECT_EQ(readDisplayClassAdapter(a.driver, a.settings).present, c.present) << c.what;
    }

    // No device context at all.
    Adapter a;
    a.keys.addKey(displayclass::kKey);
    answerLevels(a.driver, {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500), megahertz(600)});
    a.driver.deviceContexts = false;
    EXPECT_FALSE(readDisplayClassAdapter(a.driver, a.settings).present);
}

TEST(ReadDisplayClassAdapterTest, WithoutTheClassKeyNothingIsAsked) {
    Adapter a;
    answerLevels(a.driver, {megahertz(300), megahertz(350), megahertz(400)}, {megahertz(500), megahertz(600)});
    const DisplayClassAdapterInfo info = readDisplayClassAdapter(a.driver, a.settings);
    EXPECT_FALSE(info.present);
    EXPECT_EQ(info.gpuClock, "");
    EXPECT_TRUE(a.driver.calls.empty());

    // A description that is no text reads as missing.
    a.keys.setOtherType(displayclass::kKey, "DriverDesc");
    const DisplayClassAdapterInfo other = readDisplayClassAdapter(a.driver, a.settings);
    EXPECT_TRUE(other.present);
    EXPECT_EQ(other.driverDesc, "");
}

}  // namespace
}  // namespace melkrin
