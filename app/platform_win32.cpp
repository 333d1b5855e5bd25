#include "app/platform_win32.h"

#include <windows.h>

#include <vector>

namespace melkrin {

std::string programFolderOfThisProcess() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            std::string path(buffer.data(), length);
            const auto slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool Win32DisplayModes::mode(unsigned n, unsigned& width, unsigned& height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    if (!EnumDisplaySettingsA(nullptr, n, &mode)) return false;
    width = mode.dmPelsWidth;
    height = mode.dmPelsHeight;
    return true;
}

}  // namespace melkrin
