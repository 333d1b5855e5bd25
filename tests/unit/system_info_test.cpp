#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fake_display_driver.h"
#include "fake_machine.h"
#include "memory_key_store.h"
#include "sysinfo/cpu_clock.h"
#include "sysinfo/cpu_name.h"
#include "sysinfo/number_text.h"
#include "sysinfo/system_info.h"

namespace melkrin {
namespace {

using testing::FakeCpuid;
using testing::FakeDisplayDriver;
using testing::FakeMachineFacts;
using testing::MemoryKeyStore;
using testing::ScriptedClock;

TEST(SystemMemoryTextTest, FollowsTheDigitCountOfTheByteCount) {
    struct Case {
        std::uint64_t bytes;
        char separator;
        const char* text;  // nullptr: no memory line
    } cases[] = {
        {17179869184ull, '.', "16GB"},          // eleven digits: whole GB, no blank
        {10000000000ull, '.', "9GB"},           // the remainder is dropped
        {68719476736ull, ',', "64GB"},
        {9999999999ull, '.', "9.3 GB "},        // ten digits
        {4294967295ull, '.', "4.0 GB "},
        {2147483648ull, '.', "2.0 GB "},
        {1073741824ull, '.', "1.0 GB "},
        {1000000000ull, '.', "0.9 GB "},
        {1342177280ull, '.', "1.2 GB "},        // 1.25 exactly: printf's half to even
        {4294967295ull, ',', "4,0 GB "},
        {999999999ull, '.', "953.67 MB "},      // nine digits
        {536870912ull, '.', "512.00 MB "},
        {99999999ull, '.', "95.37 MB "},        // eight digits
        {10000000ull, '.', "9.54 MB "},
        {10000000ull, ',', "9,54 MB "},
        {10616832ull, '.', "10.12 MB "},        // 10.125 exactly
        {9999999ull, '.', nullptr},             // seven digits
        {0ull, '.', nullptr},
    };
    for (const auto& c : cases) {
        const auto text = systemMemoryText(c.bytes, c.separator);
        if (c.text) {
            EXPECT_EQ(text, std::optional<std::string>(c.text)) << c.bytes;
        } else {
            EXPECT_FALSE(text) << c.bytes;
        }
    }
}

TEST(NumberTextTest, RoundsHalvesToEvenAndFormatsWithTheSeparator) {
    struct Case {
        double value;
        std::int64_t rounded;
    } cases[] = {
        {0.5, 0}, {1.5, 2}, {2.5, 2}, {2.4999, 2}, {2.5001, 3}, {-0.5, 0}, {-1.5, -2}, {-2.6, -3},
        {2426.5, 2426}, {1e30, std::numeric_limits<std::int64_t>::max()}, {std::nan(""), 0},
    };
    for (const auto& c : cases) EXPECT_EQ(roundHalfEven(c.value), c.rounded) << c.value;

    EXPECT_EQ(megahertzText(472.5, '.'), "472.50 MHz");
    EXPECT_EQ(megahertzText(472.5, ','), "472,50 MHz");
    EXPECT_EQ(megahertzText(0, ','), "0,00 MHz");
    EXPECT_EQ(megahertzText(42949672.95, '.'), "42949672.95 MHz");
}

TEST(RoundFrequencyTest, PullsToTheNearestCustomaryClock) {
    struct Case {
        std::uint64_t measured, rounded;
    } cases[] = {
        {2394, 2390}, {1995, 2000}, {2133, 2133}, {2010, 2020}, {2005, 2000}, {1799, 1800}, {2666, 2666},
        {3192, 3190}, {1833, 1833}, {3099, 3100},
        {2026, 2020}, {2027, 2033}, {2063, 2066}, {2085, 2090}, {2050, 2050}, {2000, 2000}, {0, 0}, {9, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(roundFrequency(c.measured), c.rounded) << c.measured;
}

TEST(CpuNameTest, BrandStringWithItsLeadingBlanks) {
    FakeCpuid cpu;
    cpu.setIdentity("GenuineIntel", 6, 15, 1u << 4);
    cpu.setBrand("       Intel(R) Core(TM)2 CPU 6600  @ 2.40GHz");
    EXPECT_EQ(cpuName(cpu), "       Intel(R) Core(TM)2 CPU 6600  @ 2.40GHz");

    cpu.setBrand(std::string("AMD Athlon(tm)\0garbage after the NUL", 36));
    EXPECT_EQ(cpuName(cpu), "AMD Athlon(tm)");

    // All 48 bytes used, no NUL at all.
    const std::string full(48, 'x');
    cpu.setBrand(full);
    EXPECT_EQ(cpuName(cpu), full);
}

TEST(CpuNameTest, OldProcessorsByVendorFamilyAndModel) {
    struct Case {
        const char* vendor;
        unsigned family, model;
        const char* name;
    } cases[] = {
        {"GenuineIntel", 6, 8, "Pentium III"}, {"GenuineIntel", 6, 6, "Celeron"},
        {"GenuineIntel", 6, 12, "P6 (Model 12)"}, {"GenuineIntel", 5, 2, "Pentium"},
        {"GenuineIntel", 3, 0, "P3"}, {"AuthenticAMD", 6, 4, "Athlon"}, {"AuthenticAMD", 5, 8, "K6-2"},
        {"AuthenticAMD", 5, 12, ""}, {"SomeoneElse!", 6, 1, ""},
    };
    for (const auto& c : cases) {
        FakeCpuid cpu;
        cpu.setIdentity(c.vendor, c.family, c.model);
        EXPECT_EQ(cpuName(cpu), c.name) << c.vendor << " " << c.family << "/" << c.model;
    }
}

TEST(CpuNameTest, NoIdentificationInstructionGivesNoNameAndNoCounter) {
    FakeCpuid cpu;
    cpu.setIdentity("GenuineIntel", 6, 8, 1u << 4);
    cpu.setBrand("Intel");
    EXPECT_TRUE(hasTimeStampCounter(cpu));
    cpu.present = false;
    EXPECT_EQ(cpuName(cpu), "");
    EXPECT_FALSE(hasTimeStampCounter(cpu));

    FakeCpuid noTsc;
    noTsc.setIdentity("GenuineIntel", 5, 2, ~(1u << 4));
    EXPECT_FALSE(hasTimeStampCounter(noTsc));
}

struct Machine {
    FakeMachineFacts facts;
    FakeCpuid cpu;
    ScriptedClock clock;
    FakeDisplayDriver display;
    MemoryKeyStore keys;
    SettingsStore settings{keys};

    SystemInfoSources sources() { return {facts, cpu, clock, display, settings}; }
};

TEST(CollectSystemInfoTest, DescribesTheMachine) {
    Machine m;
    m.facts.product = "Microsoft Windows XP";
    m.facts.memory = 1073741824ull;
    m.facts.separator = ',';
    m.cpu.setIdentity("GenuineIntel", 15, 2, 1u << 4);
    m.cpu.setBrand("  Intel(R) Pentium(R) 4 CPU 3.00GHz");
    for (int i = 0; i < 3; ++i) m.clock.addTry(2996000);
    m.display.answerAsAti(50000, 49500);
    m.display.devices = {{"\\\\.\\DISPLAY1", "RADEON X850", "PCI\\VEN_1002&DEV_4B49"}};
    m.keys.set(ati::kAsicKey, "Bus Type", "PCI Express (x16)");
    m.keys.set(ati::kMemoryKey, "Type", "GDDR3");

    const SystemInfo info = collectSystemInfo({" 256.0 MB", " 6.14", "SoundMAX"}, m.sources());
    EXPECT_EQ(info.operatingSystem, "Microsoft Windows XP");
    EXPECT_EQ(info.systemMemory, std::optional<std::string>("1,0 GB "));
    EXPECT_EQ(info.cpuName, "  Intel(R) Pentium(R) 4 CPU 3.00GHz");
    EXPECT_EQ(info.cpuSpeed, 3000u);  // 2996 pulled up to 3000
    EXPECT_EQ(cpuSpeedText(info.cpuSpeed), "3000 MHz");
    EXPECT_EQ(info.displayMemory, " 256.0 MB");
    EXPECT_EQ(info.driverVersion, " 6.14");
    EXPECT_EQ(info.soundSystem, "SoundMAX");
    EXPECT_TRUE(info.atiAdapter.present);
    EXPECT_EQ(info.atiAdapter.coreClock, "500,00 MHz");
    EXPECT_EQ(info.atiAdapter.memoryClock, "495,00 MHz");
    EXPECT_EQ(info.atiAdapter.busType, "PCI Express ");
    EXPECT_FALSE(info.classAdapter.present);
}

TEST(CollectSystemInfoTest, SourcesThatDoNotAnswerLeaveEmptyFields) {
    Machine m;
    m.facts.product = "";
    m.facts.memory = 9999999ull;
    m.cpu.present = false;
    const SystemInfo info = collectSystemInfo({}, m.sources());
    EXPECT_EQ(info.operatingSystem, "");
    EXPECT_FALSE(info.systemMemory);
    EXPECT_EQ(info.cpuName, "");
    EXPECT_EQ(info.cpuSpeed, 0u);
    EXPECT_EQ(m.clock.counterReads, 0) << "no measurement without a time-stamp counter";
    EXPECT_FALSE(info.atiAdapter.present);
    EXPECT_FALSE(info.classAdapter.present);

    m.facts.memory.reset();
    EXPECT_FALSE(collectSystemInfo({}, m.sources()).systemMemory);
}

}  // namespace
}  // namespace melkrin
