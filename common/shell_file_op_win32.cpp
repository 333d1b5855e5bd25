#include "common/shell_file_op_win32.h"

#include <shellapi.h>
#include <winnetwk.h>

#include <vector>

namespace melkrin {
namespace {

// The shell creates a missing target folder on Windows (FOF_NOCONFIRMMKDIR);
// some shells refuse a move into a folder that does not exist, so make sure.
void createParentFolders(const std::string& target) {
    const auto slash = target.find_last_of("\\/");
    if (slash == std::string::npos || slash == 0) return;
    const std::string folder = target.substr(0, slash);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) return;
    createParentFolders(folder);
    CreateDirectoryA(folder.c_str(), nullptr);
}

}  // namespace

std::string Win32ShellFileOperation::universalName(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return path;
    std::vector<char> buffer(1024);
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD result = WNetGetUniversalNameA(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    if (result == ERROR_MORE_DATA) {
        buffer.resize(size);
        result = WNetGetUniversalNameA(path.c_str(), UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    }
    if (result != NO_ERROR) return path;
    const auto* info = reinterpret_cast<const UNIVERSAL_NAME_INFOA*>(buffer.data());
    return info->lpUniversalName ? std::string(info->lpUniversalName) : path;
}

std::string Win32ShellFileOperation::doubleNulList(const std::string& path) {
    std::string list = path;
    list.push_back('\0');
    list.push_back('\0');
    return list;
}

void Win32ShellFileOperation::run(UINT operation, const std::string& from, const std::string& to) {
    const std::string source = doubleNulList(universalName(from));
    const std::string target = doubleNulList(universalName(to));
    createParentFolders(universalName(to));
    SHFILEOPSTRUCTA op{};
    op.hwnd = owner_;
    op.wFunc = operation;
    op.pFrom = source.c_str();
    op.pTo = target.c_str();
    op.fFlags = FOF_FILESONLY | FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR | FOF_SIMPLEPROGRESS;
    op.lpszProgressTitle = title_.empty() ? nullptr : title_.c_str();
    // The result is not examined: the shell reports a failure in its own window.
    (void)SHFileOperationA(&op);
}

void Win32ShellFileOperation::move(const std::string& from, const std::string& to) { run(FO_MOVE, from, to); }

void Win32ShellFileOperation::copy(const std::string& from, const std::string& to) { run(FO_COPY, from, to); }

}  // namespace melkrin
