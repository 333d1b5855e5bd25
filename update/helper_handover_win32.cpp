#include "update/helper_handover_win32.h"

#include <aclapi.h>
#include <bcrypt.h>
#include <sddl.h>

#include "common/sha256.h"
#include "update/upgrade_flow.h"

namespace melkrin::update {
namespace {

std::string sidText(PSID sid) {
    char* text = nullptr;
    if (!sid || !ConvertSidToStringSidA(sid, &text)) return {};
    std::string result = text;
    LocalFree(text);
    return result;
}

std::string tokenUser() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    std::string result;
    alignas(TOKEN_USER) char buffer[256];
    DWORD length = 0;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &length))
        result = sidText(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    CloseHandle(token);
    return result;
}

}  // namespace

bool runsUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

std::string Win32HelperHandOverPlatform::parentFolder() {
    // The system's temporary folder: users may add their own entries there
    // but neither list, delete nor rename anyone else's, so a folder we make
    // in it with our own access list is ours alone. (Below %ProgramData% a
    // folder of the program's own would come first, which a user could make
    // before us and own.)
    char windows[MAX_PATH + 1];
    const UINT length = GetSystemWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows)) return {};
    std::string folder(windows, length);
    if (folder.back() != '\\') folder += '\\';
    folder += "Temp";
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return {};
    return folder + "\\";
}

std::string Win32HelperHandOverPlatform::randomHex() {
    std::uint8_t bytes[16];
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, bytes, sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return {};
    return toHex(bytes, sizeof(bytes));
}

std::vector<std::string> Win32HelperHandOverPlatform::folderNames(const std::string& parent) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((parent + kHelperFolderPrefix + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

bool Win32HelperHandOverPlatform::createFolder(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kHelperFolderSecurity, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    // Fails with ERROR_ALREADY_EXISTS for a name someone else made first.
    const bool created = CreateDirectoryA(path.c_str(), &attributes) != 0;
    LocalFree(descriptor);
    return created;
}

std::optional<FolderSecurity> Win32HelperHandOverPlatform::folderSecurity(const std::string& path) {
    // The folder itself, never what a link in its place points to.
    HANDLE folder = CreateFileA(path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (folder == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information;
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const bool plainFolder = GetFileInformationByHandle(folder, &information) &&
                             (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                             !(information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const bool read = plainFolder && GetSecurityInfo(folder, SE_FILE_OBJECT,
                                                     OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                                     nullptr, &dacl, nullptr, &descriptor) == ERROR_SUCCESS;
    CloseHandle(folder);
    if (!read) return std::nullopt;
    FolderSecurity security;
    security.owner = sidText(owner);
    security.hasAccessList = dacl != nullptr;
    for (DWORD i = 0; dacl && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace)) {
            LocalFree(descriptor);
            return std::nullopt;
        }
        const auto* header = static_cast<const ACE_HEADER*>(ace);
        AccessEntry entry;
        entry.inherited = (header->AceFlags & INHERITED_ACE) != 0;
        if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            // Both kinds share one layout.
            const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
            entry.kind = header->AceType == ACCESS_ALLOWED_ACE_TYPE ? AccessKind::Allow : AccessKind::Deny;
            entry.mask = allowed->Mask;
            entry.sid = sidText(const_cast<DWORD*>(&allowed->SidStart));
        } else {
            entry.kind = AccessKind::Other;
        }
        security.entries.push_back(entry);
    }
    LocalFree(descriptor);
    return security;
}

std::vector<std::string> Win32HelperHandOverPlatform::trustedAccounts() {
    std::vector<std::string> trusted{kAdministratorsSid, kSystemSid};
    // Wine keeps no security descriptor for a file: it reports one made from
    // the Unix mode bits, owned by the running user, whatever the folder was
    // created with, and every program of that Unix user may write the files
    // anyway. There the running user has to count as trusted, or no update
    // could ever be installed; the rest of the check (nobody else may write,
    // nothing inherited) still applies to what Wine reports.
    if (runsUnderWine()) {
        const std::string user = tokenUser();
        if (!user.empty()) trusted.push_back(user);
    }
    return trusted;
}

bool Win32HelperHandOverPlatform::removeFolder(const std::string& path) {
    DeleteFileA((path + "\\" + kHelperFileName).c_str());
    return RemoveDirectoryA(path.c_str()) != 0;
}

std::string Win32HelperHandOverPlatform::embeddedHelper() {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, "UPDHELPER", "UPDHELPER");
    HGLOBAL loaded = found ? LoadResource(self, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    const DWORD size = found ? SizeofResource(self, found) : 0;
    if (!bytes || size == 0) return {};
    return std::string(static_cast<const char*>(bytes), size);
}

bool Win32HelperHandOverPlatform::writeNewFile(const std::string& path, std::string_view bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok) DeleteFileA(path.c_str());
    return ok;
}

bool Win32HelperHandOverPlatform::holdFile(const std::string& path) {
    releaseFile();
    // Others may read (the system must, to start it), but neither write,
    // replace, rename nor delete the file while this handle is open.
    held_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    return held_ != INVALID_HANDLE_VALUE;
}

std::optional<std::string> Win32HelperHandOverPlatform::readHeldFile() {
    if (held_ == INVALID_HANDLE_VALUE) return std::nullopt;
    LARGE_INTEGER size;
    const LARGE_INTEGER start{};
    if (!GetFileSizeEx(held_, &size) || size.QuadPart >= (1LL << 31) ||
        !SetFilePointerEx(held_, start, nullptr, FILE_BEGIN))
        return std::nullopt;
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!bytes.empty() &&
        (!ReadFile(held_, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) || got != bytes.size()))
        return std::nullopt;
    return bytes;
}

bool Win32HelperHandOverPlatform::startProcess(const std::string& program, const std::string& commandLine,
                                               const std::string& currentFolder) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // The program named in full: no search along the command line's words.
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentFolder.c_str(),
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void Win32HelperHandOverPlatform::releaseFile() {
    if (held_ != INVALID_HANDLE_VALUE) CloseHandle(held_);
    held_ = INVALID_HANDLE_VALUE;
}

}  // namespace melkrin::update
