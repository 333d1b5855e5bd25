#include <windows.h>

#include <gtest/gtest.h>
#include <x86intrin.h>

#include <cmath>
#include <iostream>
#include <sstream>

#include "common/errors.h"
#include "common/file_system_win32.h"
#include "common/text.h"
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
    bool firstDisplay = false;
    for (std::uint32_t i = 0; const auto device = driver.displayDevice(i); ++i)
        if (device->name == "\\\\.\\DISPLAY1") firstDisplay = true;
    EXPECT_TRUE(firstDisplay);

    testing::MemoryKeyStore keys;
    SettingsStore settings(keys);
    const auto ati = readAtiAdapter(driver, settings, '.');
    if (ati.present) GTEST_SKIP() << "an ATI adapter answers here";
    EXPECT_EQ(ati.cardName, "");
    keys.addKey(displayclass::kKey);
    EXPECT_FALSE(readDisplayClassAdapter(driver, settings).present) << "the driver knows no clock escape";
}

// Starts a command line hidden and reports its end when the test asks for it.
class HiddenProcessRunner : public ProcessRunner {
public:
    ~HiddenProcessRunner() override {
        if (process_) CloseHandle(process_);
    }
    void Start() override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION created{};
        std::string command = CommandLine;
        if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            CurrentDirectory.empty() ? nullptr : CurrentDirectory.c_str(), &startup, &created))
            throw OsError(GetLastError(), "CreateProcessA failed");
        CloseHandle(created.hThread);
        process_ = created.hProcess;
        ++starts;
    }
    bool running() const override { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

    // Waits for the end and raises OnTerminate; false when it took too long.
    bool waitAndFinish(DWORD milliseconds) {
        if (WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return false;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        CloseHandle(process_);
        process_ = nullptr;
        if (OnTerminate) OnTerminate(*this, code);
        return true;
    }

    int starts = 0;

private:
    HANDLE process_ = nullptr;
};

TEST(DiagnosticsWin32Test, RunsTheRealToolHiddenAndParsesItsReport) {
    const std::string system = systemFolder();
    ASSERT_FALSE(system.empty());
    ASSERT_NE(system.back(), '\\');
    TempFolder program;
    HiddenProcessRunner dxrun;
    Win32FileSystem files;
    testing::MemoryKeyStore keys;
    keys.addKey(names::kSettingsKey);
    SettingsStore settings(keys);
    DiagnosticCollector collector(dxrun, files, settings, system, program.path());
    ASSERT_TRUE(files.fileExists(collector.toolPath()));

    int continued = 0;
    collector.collectDiagnostics([&](const Diagnostics&) { ++continued; });
    ASSERT_EQ(dxrun.starts, 1);
    EXPECT_EQ(dxrun.CommandLine, system + "\\dxdiag.exe /whql:on /t " + program.path() + "dxinfo.txt");
    ASSERT_TRUE(dxrun.waitAndFinish(90000)) << "the tool did not end";

    EXPECT_EQ(continued, 1);
    EXPECT_FALSE(files.fileExists(program.path() + "dxinfo.txt")) << "the report is deleted";
    // Wine's tool writes only the system section.
    EXPECT_EQ(collector.values().displayMemory, "indeterminable");
    EXPECT_EQ(collector.values().driverVersion, "indeterminable");
    EXPECT_EQ(collector.values().soundSystem, "indeterminable");
    EXPECT_TRUE(keys.writes.empty());
}

TEST(DiagnosticsWin32Test, TheToolLeavesAReportWithItsSystemSection) {
    TempFolder program;
    HiddenProcessRunner runner;
    runner.CommandLine = systemFolder() + "\\dxdiag.exe /whql:on /t " + program.path() + "dxinfo.txt";
    runner.CurrentDirectory = systemFolder();
    runner.Start();
    ASSERT_TRUE(runner.waitAndFinish(90000));
    const std::string report = testing::readBytes(program.path() + "dxinfo.txt");
    EXPECT_NE(report.find("System Information"), std::string::npos) << report;
}

}  // namespace
}  // namespace melkrin
