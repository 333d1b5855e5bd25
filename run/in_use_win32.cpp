#include "run/in_use_win32.h"

#include <windows.h>

namespace melkrin {

bool Win32FileInUseProbe::isInUse(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    // Opening a read-only file for writing fails on Windows; say so where the
    // system would let a privileged user through.
    if (attributes & FILE_ATTRIBUTE_READONLY) return true;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return true;
    CloseHandle(file);
    return false;
}

}  // namespace melkrin
