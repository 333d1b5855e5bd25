#include <windows.h>

#include <gtest/gtest.h>
#include <x86intrin.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <iostream>
#include <sstream>
#include <vector>

#include "common/errors.h"
#include "common/file_system_win32.h"
#include "common/text.h"
#include "run/process_runner_win32.h"
#include "memory_key_store.h"
#include "settings/registry_key_store_win32.h"
#include "settings/settings_names.h"
#include "sysinfo/adapter_info.h"
#include "sysinfo/cpu_clock.h"
#include "sysinfo/cpu_name.h"
#include "sysinfo/diagnostics.h"
#include "sysinfo/number_text.h"
#include "sysinfo/system_info_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using testing::TempFolder;

// The processor name the system itself records, independent of our CPUID code.
std::string registryProcessorName() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return {};
    char name[128] = {};
    DWORD size = sizeof name - 1;
    RegQueryValueExA(key, "ProcessorNameString", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return name;
}

// The time-stamp counter's rate over a quarter of a second, in MHz.
double referenceTscMegahertz() {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const unsigned long long c0 = __rdtsc();
    Sleep(250);
    QueryPerformanceCounter(&now);
    const unsigned long long c1 = __rdtsc();
    const double seconds = double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    return double(c1 - c0) / seconds / 1e6;
}

// Total memory as the host's kernel states it (Wine maps "/" to Z:); 0 when unknown.
std::uint64_t hostMemoryBytes() {
    std::istringstream lines(testing::readBytes("Z:\\proc\\meminfo"));
    std::string label;
    std::uint64_t kilobytes = 0;
    while (lines >> label) {
        if (label == "MemTotal:" && lines >> kilobytes) return kilobytes * 1024;
    }
    return 0;
}

TEST(SystemInfoWin32Test, DescribesTheMachineItRunsOn) {
    RegistryKeyStore keys;
    SettingsStore settings(keys);
    const SystemInfo info = collectSystemInfo({" 256.0 MB", " 1.0", "Sound"}, settings);

    std::cout << "Operating system: " << info.operatingSystem << "\n"
              << "Memory: " << info.systemMemory.value_or("(none)") << "\n"
              << "Processor: [" << info.cpuName << "]\n"
              << "Processor speed: " << cpuSpeedText(info.cpuSpeed) << "\n"
              << "ATI adapter: " << (info.atiAdapter.present ? info.atiAdapter.cardName : "(none)") << "\n"
              << "Display class adapter: "
              << (info.classAdapter.present ? info.classAdapter.driverDesc + ", " + info.classAdapter.gpuClock
                                            : "(none)")
              << std::endl;

    EXPECT_FALSE(info.operatingSystem.empty());
    EXPECT_EQ(info.displayMemory, " 256.0 MB");
    EXPECT_EQ(info.soundSystem, "Sound");

    // The system's record of the processor may trim the brand string's blanks.
    const std::string expectedName = registryProcessorName();
    ASSERT_FALSE(expectedName.empty());
    ASSERT_FALSE(trim(info.cpuName).empty());
    EXPECT_EQ(trim(info.cpuName), trim(expectedName));
}

TEST(SystemInfoWin32Test, MemoryIsTheFullSixtyFourBitCount) {
    Win32MachineFacts facts;
    const auto bytes = facts.totalPhysicalMemory();
    ASSERT_TRUE(bytes);
    const std::uint64_t host = hostMemoryBytes();
    if (host == 0) GTEST_SKIP() << "the host's memory size is not readable";
    EXPECT_NEAR(double(*bytes), double(host), double(host) * 0.02);
    const auto text = systemMemoryText(*bytes, facts.decimalSeparator());
    ASSERT_TRUE(text);
    if (host > 0xFFFFFFFFull) {
        // Above 4 GB the count has eleven digits: whole GB, no blank.
        EXPECT_EQ(*text, std::to_string(*bytes / 1073741824) + "GB");
    }
}

TEST(SystemInfoWin32Test, ClockMatchesTheTimeStampCounter) {
    Win32Cpuid cpu;
    ASSERT_TRUE(hasTimeStampCounter(cpu));
    const double reference = referenceTscMegahertz();
    // Other processes share this machine; a try they interrupt can spoil one
    // measurement, not three.
    std::uint32_t measured = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        Win32ClockHardware clock;
        measured = measureCpuSpeed(clock);
        if (std::fabs(measured - reference) <= reference * 0.05) break;
    }
    std::cout << "measured " << measured << " MHz, time-stamp counter " << reference << " MHz" << std::endl;
    EXPECT_NEAR(measured, reference, reference * 0.05);

    Win32ClockHardware clock;
    const auto priority = clock.threadPriority();
    ASSERT_TRUE(priority);
    EXPECT_EQ(*priority, THREAD_PRIORITY_NORMAL) << "the priority is restored";
}

TEST(SystemInfoWin32Test, WineAdapterGivesNeitherRecord) {
    Win32DisplayDriver driver;
    bool FirstDisplay = false;
    for (std::uint32_t i = 0; const auto device = driver.displayDevice(i); ++i)
        if (device->name == "\\\\.\\DISPLAY1") FirstDisplay = true;
    EXPECT_TRUE(FirstDisplay);

    testing::MemoryKeyStore keys;
    SettingsStore settings(keys);
    const auto ati = readAtiAdapter(driver, settings, '.');
    if (ati.present) GTEST_SKIP() << "an ATI adapter answers here";
    EXPECT_EQ(ati.cardName, "");
    keys.addKey(displayclass::kKey);
    EXPECT_FALSE(readDisplayClassAdapter(driver, settings).present) << "the driver knows no clock escape";
}

// Delivers messages, as the program's message loop does, until done() or the
// deadline: the tool's end reaches the collector as a message.
bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(timeoutMs - elapsed, 50), QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return true;
}

// The diagnostic step as a run takes it: the program's collector starts the
// tool through the program's own process runner.
struct DiagnosticStep {
    explicit DiagnosticStep(std::string systemFolder) : system(std::move(systemFolder)) {
        keys.addKey(names::kSettingsKey);
    }
    // Starts the tool and waits until the continuation ran; false when it never came.
    bool collect() {
        collector.collectDiagnostics([&](const Diagnostics& values) { continued.push_back(values); });
        return pumpUntil([&] { return !continued.empty(); }, 90000);
    }

    const std::string system;
    TempFolder program;
    Win32ProcessRunner dxrun;
    Win32FileSystem files;
    testing::MemoryKeyStore keys;
    SettingsStore settings{keys};
    DiagnosticCollector collector{dxrun, files, settings, system, program.path()};
    std::vector<Diagnostics> continued;
};

TEST(DiagnosticsWin32Test, TheToolRunsHiddenAndItsReportIsReadCachedAndDeleted) {
    // A tool of our own in place of the system's, with every section the step reads.
    std::string standIn = std::string("Z:") + MELKRIN_STANDIN_DXDIAG_DIR;
    std::replace(standIn.begin(), standIn.end(), '/', '\\');
    DiagnosticStep step(standIn);
    ASSERT_TRUE(step.files.fileExists(step.collector.toolPath()));

    ASSERT_TRUE(step.collect()) << "the tool's end never arrived";
    pumpUntil([] { return false; }, 300);
    ASSERT_EQ(step.continued.size(), 1u) << "one end, one continuation";
    EXPECT_EQ(step.continued[0].displayMemory, " 512.0 MB");
    EXPECT_EQ(step.continued[0].driverVersion, " 8.17.0012.9573 (English)");
    EXPECT_EQ(step.continued[0].soundSystem, "Stand-in Audio");
    EXPECT_EQ(step.keys.writes, (std::vector<std::string>{"Display Memory= 512.0 MB",
                                                          "Driver Version= 8.17.0012.9573 (English)",
                                                          "Sound=Stand-in Audio"}));
    EXPECT_FALSE(step.files.fileExists(step.program.path() + "dxinfo.txt")) << "the report is deleted";

    // How the tool was started: hidden, in the system folder, the report path unquoted.
    const std::vector<std::string> start = splitLines(testing::readBytes(step.program.path() + "dxdiag_start.txt"));
    ASSERT_EQ(start.size(), 3u);
    EXPECT_EQ(start[0], standIn);
    EXPECT_EQ(start[1], "hidden");
    EXPECT_EQ(start[2], standIn + "\\dxdiag.exe /whql:on /t " + step.program.path() + "dxinfo.txt");
}

TEST(DiagnosticsWin32Test, TheSystemsOwnToolRunsAndAReportWithoutItsSectionsGivesNoValues) {
    // Wine's tool writes only the system section of its report.
    DiagnosticStep step(systemFolder());
    ASSERT_FALSE(step.system.empty());
    ASSERT_NE(step.system.back(), '\\');
    ASSERT_TRUE(step.files.fileExists(step.collector.toolPath()));

    ASSERT_TRUE(step.collect()) << "the tool's end never arrived";
    EXPECT_EQ(step.dxrun.commandLine, step.system + "\\dxdiag.exe /whql:on /t " + step.program.path() + "dxinfo.txt");
    EXPECT_FALSE(step.files.fileExists(step.program.path() + "dxinfo.txt")) << "the report is deleted";
    EXPECT_EQ(step.continued[0].displayMemory, "indeterminable");
    EXPECT_EQ(step.continued[0].driverVersion, "indeterminable");
    EXPECT_EQ(step.continued[0].soundSystem, "indeterminable");
    EXPECT_TRUE(step.keys.writes.empty()) << "nothing to cache";
}

}  // namespace
}  // namespace melkrin
