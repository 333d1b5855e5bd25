#include "common/win32/console_win32.h"

#include <windows.h>

#include <algorithm>

namespace melkrin {
namespace {

HANDLE output = nullptr;

bool usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

bool attachParentConsole() {
    if (output) return true;
    // Redirected ("> file", "| more"): the handle was handed over at start.
    HANDLE given = GetStdHandle(STD_OUTPUT_HANDLE);
    if (usable(given)) {
        output = given;
        return true;
    }
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
    HANDLE console = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE) return false;
    output = console;
    return true;
}

void writeConsole(const std::string& bytes) {
    if (!output) return;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 16));
        if (!WriteFile(output, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
        done += written;
    }
}

void writeConsoleLine(const std::string& line) { writeConsole(line + "\r\n"); }

}  // namespace melkrin
