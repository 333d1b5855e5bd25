#include "update/upgrade_platform_win32.h"

#include <vector>

#include "update/helper_handover_win32.h"

namespace melkrin::update {

std::vector<std::string> Win32UpgradeFiles::pendingFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*" + kPendingSuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        // The pattern also matches "x.uTMPx" through the short names; only the exact suffix counts.
        const std::string name = found.cFileName;
        const std::string suffix = kPendingSuffix;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name.size() > suffix.size() &&
            _stricmp(name.c_str() + name.size() - suffix.size(), suffix.c_str()) == 0)
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool Win32UpgradeFiles::deleteFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteFileA(path.c_str()) != 0;
}

std::optional<std::uint64_t> Win32UpgradeFiles::fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return std::nullopt;
    return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::optional<std::string> Win32UpgradeFiles::readAll(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string bytes;
    LARGE_INTEGER size;
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1LL << 31)) {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() && (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
                               got != bytes.size())) {
            CloseHandle(file);
            return std::nullopt;
        }
    } else {
        CloseHandle(file);
        return std::nullopt;
    }
    CloseHandle(file);
    return bytes;
}

FILETIME fileTimeOfLocal(LocalDateTime time) {
    // File times of FAT volumes have two-second steps; keep every volume alike.
    const LocalDateTime even = time - (((time % 2) + 2) % 2);
    const ULONGLONG ticks = static_cast<ULONGLONG>(even + 11644473600LL) * 10000000ULL;
    FILETIME local{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    FILETIME utc{};
    LocalFileTimeToFileTime(&local, &utc);
    return utc;
}

void Win32UpgradeFiles::setFileTime(const std::string& path, LocalDateTime time) {
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const FILETIME ft = fileTimeOfLocal(time);
    // The last-access time stays as it is.
    ::SetFileTime(file, &ft, nullptr, &ft);
    CloseHandle(file);
}

HandOverResult Win32HelperLauncher::handOver(const std::string& programPath, const std::string& argument) {
    Win32HelperHandOverPlatform platform;
    return handOverToHelper(platform, programPath, argument);
}

void Win32HelperLauncher::closeApplication() {
    if (close_) close_();
}

}  // namespace melkrin::update
