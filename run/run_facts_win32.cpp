#include "run/run_facts_win32.h"

#include <windows.h>

#include <bcrypt.h>
#include <winver.h>

#include <vector>

#include "common/os_error_win32.h"

namespace melkrin {

std::string Win32RunFacts::programPath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) throwLastError("The program's own path could not be read");
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::string> Win32RunFacts::fileVersion(const std::string& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return std::nullopt;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return std::nullopt;
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

std::string Win32RunFacts::randomBytes(std::size_t count) {
    std::string bytes(count, '\0');
    const NTSTATUS status = BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(count),
                                            BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    if (!BCRYPT_SUCCESS(status)) throwOsError(static_cast<DWORD>(status), "No random bytes for the run's identity");
    return bytes;
}

int Win32RunFacts::utcOffsetMinutes() {
    // The bias in force now: UTC = local + bias.
    TIME_ZONE_INFORMATION zone{};
    const DWORD which = GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (which == TIME_ZONE_ID_DAYLIGHT)
        bias += zone.DaylightBias;
    else if (which == TIME_ZONE_ID_STANDARD)
        bias += zone.StandardBias;
    return -static_cast<int>(bias);
}

double Win32RunFacts::steadySeconds() {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER counter{};
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace melkrin
