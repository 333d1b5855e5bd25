#include "win_test_support.h"

#include <windows.h>
#include <shellapi.h>

#include <atomic>
#include <fstream>
#include <sstream>

namespace melkrin::testing {

std::string uniqueName(const std::string& prefix) {
    static std::atomic<unsigned> counter{0};
    return prefix + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount()) + "_" +
           std::to_string(++counter);
}

TempFolder::TempFolder() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    path_ = std::string(base) + uniqueName("melkrin_") + "\\";
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    std::string list = path_.substr(0, path_.size() - 1);
    list.push_back('\0');
    list.push_back('\0');
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = list.c_str();
    op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
    SHFileOperationA(&op);
}

TempRegistryKey::TempRegistryKey() : path_("\\SOFTWARE\\MelkrinTests\\" + uniqueName("k")) {}

TempRegistryKey::~TempRegistryKey() {
    HKEY parent = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\MelkrinTests", 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &parent) ==
        ERROR_SUCCESS) {
        const std::string leaf = path_.substr(path_.find_last_of('\\') + 1);
        RegDeleteTreeA(parent, leaf.c_str());
        RegCloseKey(parent);
    }
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string melkrinExeFolder() {
    // MELKRIN_EXE_DIR is the Unix path of the build tree; Wine maps "/" to drive Z:.
    std::string unix = MELKRIN_EXE_DIR;
    std::string windows = "Z:" + unix;
    for (auto& c : windows)
        if (c == '/') c = '\\';
    if (windows.back() != '\\') windows.push_back('\\');
    return windows;
}

}  // namespace melkrin::testing
