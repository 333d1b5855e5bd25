#include "common/os_error_win32.h"

namespace melkrin {

std::string systemMessage(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : std::string();
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    if (text.empty()) text = "System error " + std::to_string(code);
    return text;
}

void throwOsError(DWORD code, const std::string& what) {
    std::string message = systemMessage(code);
    if (!what.empty()) message = what + ": " + message;
    throw OsError(code, message);
}

void throwLastError(const std::string& what) { throwOsError(GetLastError(), what); }

}  // namespace melkrin
