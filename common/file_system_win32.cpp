#include "common/file_system_win32.h"

#include <windows.h>

#include <algorithm>

#include "common/kill_points.h"
#include "common/os_error_win32.h"

namespace melkrin {
namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    void close() {
        if (valid()) CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE h_;
};

}  // namespace

bool Win32FileSystem::fileExists(const std::string& path) const {
    // FindFirstFile-style: wildcards in the name are not files.
    if (path.empty() || path.find_first_of("*?") != std::string::npos) return false;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(path.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::folderExists(const std::string& path) const {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::createFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool Win32FileSystem::deleteFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

std::string Win32FileSystem::readFile(const std::string& path) const {
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throwLastError("Cannot open file \"" + path + "\"");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) throwLastError("Cannot read file \"" + path + "\"");
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!ReadFile(file.get(), bytes.data() + done, want, &chunk, nullptr))
            throwLastError("Cannot read file \"" + path + "\"");
        if (chunk == 0) break;
        done += chunk;
    }
    bytes.resize(done);
    return bytes;
}

void Win32FileSystem::writeFile(const std::string& path, std::string_view bytes) {
    // Replacing by rename would pass over a read-only target on some systems;
    // a read-only file must refuse the write as opening it for writing would.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throwOsError(ERROR_ACCESS_DENIED, "Cannot create file \"" + path + "\"");
    const std::string temporary = path + ".tmp~";
    {
        Handle file(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) throwLastError("Cannot create file \"" + path + "\"");
        std::size_t done = 0;
        while (done < bytes.size()) {
            DWORD chunk = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            if (!WriteFile(file.get(), bytes.data() + done, want, &chunk, nullptr)) {
                const DWORD code = GetLastError();
                file.close();
                DeleteFileA(temporary.c_str());
                throwOsError(code, "Cannot write file \"" + path + "\"");
            }
            done += chunk;
        }
        if (!FlushFileBuffers(file.get())) {
            // Not every file system flushes; the data is written all the same.
        }
    }
    killPoint("replace " + path.substr(path.find_last_of("\\/") + 1));
    if (!MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD code = GetLastError();
        DeleteFileA(temporary.c_str());
        throwOsError(code, "Cannot create file \"" + path + "\"");
    }
}

void Win32FileSystem::appendFile(const std::string& path, std::string_view bytes, std::string_view firstLine) {
    // As writeFile: a read-only file refuses, whatever the file system would let through.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throwOsError(ERROR_ACCESS_DENIED, "Cannot open file \"" + path + "\"");
    // Others may read while we add (a viewer), none may write; a program that
    // holds the file without sharing makes the open fail before anything is written.
    Handle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) throwLastError("Cannot open file \"" + path + "\"");
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) throwLastError("Cannot read file \"" + path + "\"");
    std::string text;
    if (size.QuadPart == 0) text.assign(firstLine);
    text.append(bytes);
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(file.get(), end, nullptr, FILE_END)) throwLastError("Cannot write file \"" + path + "\"");
    std::size_t done = 0;
    DWORD failure = 0;
    while (done < text.size()) {
        DWORD chunk = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        if (!WriteFile(file.get(), text.data() + done, want, &chunk, nullptr)) {
            failure = GetLastError();
            break;
        }
        done += chunk;
    }
    if (failure != 0) {
        // Half a row would spoil the file for every later reader: cut it back.
        SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN);
        SetEndOfFile(file.get());
        throwOsError(failure, "Cannot write file \"" + path + "\"");
    }
}

bool Win32FileSystem::moveFile(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool Win32FileSystem::copyFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::vector<std::string> Win32FileSystem::listFiles(const std::string& folder, const std::string& pattern) const {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base.push_back('\\');
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((base + pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        // An empty match in a folder that exists is no error.
        if ((code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES) && folderExists(folder)) return names;
        throwOsError(code, "Cannot list the folder \"" + folder + "\"");
    }
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    const DWORD code = GetLastError();
    FindClose(find);
    if (code != ERROR_NO_MORE_FILES) throwOsError(code, "Cannot list the folder \"" + folder + "\"");
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace melkrin
