#include "update_helper/helper_platform_win32.h"

#include "common/sha256.h"
#include "common/win32/message_box_win32.h"

namespace melkrin::updhelper {
namespace {

bool startProcess(const std::string& commandLine, PROCESS_INFORMATION& process) {
    std::string line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process) != 0;
}

}  // namespace

bool Win32HelperPlatform::fileExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Win32HelperPlatform::listedName(const std::string& path) {
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        const auto slash = path.rfind('\\');
        return slash == std::string::npos ? path : path.substr(slash + 1);
    }
    FindClose(search);
    return found.cFileName;
}

std::vector<std::string> Win32HelperPlatform::pendingFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "*" + kPendingSuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool Win32HelperPlatform::isFree(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
    CloseHandle(file);
    return true;
}

void Win32HelperPlatform::setAttributes(const std::string& path, Attributes attributes) {
    const DWORD value = attributes == Attributes::Normal    ? FILE_ATTRIBUTE_NORMAL
                        : attributes == Attributes::Archive ? FILE_ATTRIBUTE_ARCHIVE
                                                            : FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    SetFileAttributesA(path.c_str(), value);
}

bool Win32HelperPlatform::deleteFile(const std::string& path) {
    const bool deleted = DeleteFileA(path.c_str()) != 0;
    if (deleted && ++deletions_ == killAfterDeletions) TerminateProcess(GetCurrentProcess(), 99);
    return deleted;
}

bool Win32HelperPlatform::copyFile(const std::string& from, const std::string& to) {
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A copy that fails (a full disk) is deleted by the system; the helper flushes a whole one itself.
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool Win32HelperPlatform::flushFile(const std::string& path) {
    // FlushFileBuffers writes the file's data and its own metadata (size,
    // allocation) to the disk; it needs a handle open for writing.
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(file) != 0;
    CloseHandle(file);
    return flushed;
}

bool Win32HelperPlatform::flushNames(const std::string& folder) {
    // A rename on the same volume is a metadata change that MOVEFILE_WRITE_THROUGH
    // does not wait for (it only covers a move done as copy and delete). What
    // Windows documents to put every change of a volume on the disk, names
    // included, is FlushFileBuffers on the volume itself, which needs
    // administrator rights (the helper has them, as Melkrin does).
    char volume[MAX_PATH] = {};
    if (GetVolumePathNameA(folder.c_str(), volume, MAX_PATH)) {
        std::string device = volume;
        if (!device.empty() && device.back() == '\\') device.pop_back();
        if (device.size() == 2 && device[1] == ':') {
            HANDLE handle = CreateFileA(("\\\\.\\" + device).c_str(), GENERIC_READ | GENERIC_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                const bool flushed = FlushFileBuffers(handle) != 0;
                CloseHandle(handle);
                if (flushed) return true;
            }
        }
    }
    // Without the volume (a folder on a share, no rights): the folder's own
    // entries, which is what the file systems that allow this flush for it.
    HANDLE directory = CreateFileA(folder.c_str(), GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (directory == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(directory) != 0;
    CloseHandle(directory);
    return flushed;
}

std::optional<FileCheck> Win32HelperPlatform::checkFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    Sha256 hash;
    std::uint64_t size = 0;
    std::string buffer(1 << 16, '\0');
    bool ok = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        hash.add(std::string_view(buffer.data(), got));
        size += got;
    }
    CloseHandle(file);
    if (!ok) return std::nullopt;
    const auto digest = hash.finish();
    return FileCheck{size, toHex(digest.data(), digest.size())};
}

std::optional<std::string> Win32HelperPlatform::readFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size{};
    std::optional<std::string> bytes;
    // A journal is a few lines; anything large is not one.
    if (GetFileSizeEx(file, &size) && size.QuadPart < (1 << 20)) {
        std::string read(static_cast<std::size_t>(size.QuadPart), '\0');
        DWORD got = 0;
        if (read.empty() || (ReadFile(file, read.data(), static_cast<DWORD>(read.size()), &got, nullptr) &&
                             got == read.size()))
            bytes = std::move(read);
    }
    CloseHandle(file);
    return bytes;
}

bool Win32HelperPlatform::writeFile(const std::string& path, const std::string& bytes) {
    // Written beside, flushed, and then moved over in one step, so a cut
    // leaves the old record or the new one whole (the move itself sticks once
    // flushNames has run).
    const std::string fresh = path + ".new";
    HANDLE file = CreateFileA(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok || !MoveFileExA(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(fresh.c_str());
        return false;
    }
    return true;
}

bool Win32HelperPlatform::replaceFile(const std::string& from, const std::string& to) {
    const bool replaced = MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (replaced && ++replacements_ == killAfterReplacements) TerminateProcess(GetCurrentProcess(), 99);
    return replaced;
}

bool Win32HelperPlatform::start(const std::string& commandLine) {
    PROCESS_INFORMATION process{};
    if (!startProcess(commandLine, process)) return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

ProcessEnd Win32HelperPlatform::startAndWait(const std::string& commandLine, std::uint32_t limitMs) {
    PROCESS_INFORMATION process{};
    if (!startProcess(commandLine, process)) return ProcessEnd::NotStarted;
    CloseHandle(process.hThread);
    // Messages are handled while the setup runs, so the helper never looks hung.
    const std::uint64_t started = now();
    ProcessEnd end = ProcessEnd::StillRunning;
    for (;;) {
        const std::uint64_t waited = now() - started;
        if (waited >= limitMs) break;
        const DWORD rest = static_cast<DWORD>(limitMs - waited);
        const DWORD result = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, rest, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            end = ProcessEnd::Ended;
            break;
        }
        if (result != WAIT_OBJECT_0 + 1) break;
        pause(0);
    }
    CloseHandle(process.hProcess);
    return end;
}

void Win32HelperPlatform::inform(const std::string& caption, const std::string& text) {
    showMessageBox(nullptr, text, caption, MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND);
}

void Win32HelperPlatform::warn(const std::string& text) {
    showMessageBox(nullptr, text, "Melkrin update", MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
}

void Win32HelperPlatform::pause(std::uint32_t milliseconds) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (milliseconds) Sleep(milliseconds);
}

std::uint64_t Win32HelperPlatform::now() { return GetTickCount64(); }

}  // namespace melkrin::updhelper
