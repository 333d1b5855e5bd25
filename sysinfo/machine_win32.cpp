#include "sysinfo/machine_win32.h"

#include <windows.h>

#include <cpuid.h>
#include <x86intrin.h>

#include <vector>

#include "common/os_error_win32.h"

namespace melkrin {
namespace {

std::string registryString(const char* keyPath, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return {};
    std::string text;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<char> data(size + 1, '\0');
        DWORD got = size;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got) == ERROR_SUCCESS)
            text = data.data();  // up to the terminating NUL
    }
    RegCloseKey(key);
    return text;
}

bool ntFamily() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL known = GetVersionExA(&version);
#pragma GCC diagnostic pop
    return !known || version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

}  // namespace

std::string Win32MachineFacts::productName() {
    return ntFamily() ? registryString("Software\\Microsoft\\Windows NT\\CurrentVersion", "ProductName")
                      : registryString("Software\\Microsoft\\Windows\\CurrentVersion", "ProductName");
}

std::optional<std::uint64_t> Win32MachineFacts::totalPhysicalMemory() {
    // GlobalMemoryStatus stops at 4 GB; the 64-bit count describes today's machines.
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return std::nullopt;
    return status.ullTotalPhys;
}

char Win32MachineFacts::decimalSeparator() {
    char text[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) <= 1) return '.';
    return text[0];
}

bool Win32Cpuid::available() { return __get_cpuid_max(0, nullptr) != 0; }

CpuidRegisters Win32Cpuid::query(std::uint32_t function) {
    CpuidRegisters r;
    __cpuid(function, r.eax, r.ebx, r.ecx, r.edx);
    return r;
}

std::optional<std::int64_t> Win32ClockHardware::counterFrequency() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) return std::nullopt;
    return frequency.QuadPart;
}

std::int64_t Win32ClockHardware::counter() {
    LARGE_INTEGER now;
    if (!QueryPerformanceCounter(&now)) throwLastError("QueryPerformanceCounter");
    return now.QuadPart;
}

std::uint64_t Win32ClockHardware::timeStamp() { return __rdtsc(); }

std::optional<int> Win32ClockHardware::threadPriority() {
    const int priority = GetThreadPriority(GetCurrentThread());
    if (priority == THREAD_PRIORITY_ERROR_RETURN) return std::nullopt;
    return priority;
}

void Win32ClockHardware::setThreadPriority(int priority) { SetThreadPriority(GetCurrentThread(), priority); }

std::string systemFolder() {
    char path[MAX_PATH + 1] = {};
    const UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length > MAX_PATH) return {};
    std::string folder(path, length);
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

}  // namespace melkrin
