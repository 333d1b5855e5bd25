#pragma once
// The hand-over to UpdHelper.exe, which runs as administrator: the helper is
// written into a folder made fresh for this one hand-over, in a place only
// administrators can write, under a name nobody can guess; the folder's
// security is read back and checked, and the helper's bytes are checked
// against the embedded copy through a handle that keeps anyone from changing
// the file until the process is started. Nothing a program of the user can
// write is ever started as administrator.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace melkrin::update {

inline constexpr const char* kHelperFolderPrefix = "MelkrinUpd-";
inline constexpr const char* kAdministratorsSid = "S-1-5-32-544";
inline constexpr const char* kSystemSid = "S-1-5-18";

// Rights that let their holder change a folder, its files or its security.
// The generic rights count too: an inheritable entry may carry them unmapped.
inline constexpr std::uint32_t kFileWriteData = 0x0002;       // also: add a file
inline constexpr std::uint32_t kFileAppendData = 0x0004;      // also: add a subfolder
inline constexpr std::uint32_t kFileWriteEa = 0x0010;
inline constexpr std::uint32_t kFileDeleteChild = 0x0040;
inline constexpr std::uint32_t kFileWriteAttributes = 0x0100;
inline constexpr std::uint32_t kDelete = 0x00010000;
inline constexpr std::uint32_t kWriteDac = 0x00040000;
inline constexpr std::uint32_t kWriteOwner = 0x00080000;
inline constexpr std::uint32_t kMaximumAllowed = 0x02000000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kChangingRights = kFileWriteData | kFileAppendData | kFileWriteEa | kFileDeleteChild |
                                                 kFileWriteAttributes | kDelete | kWriteDac | kWriteOwner |
                                                 kMaximumAllowed | kGenericAll | kGenericWrite;

enum class AccessKind { Allow, Deny, Other };

struct AccessEntry {
    AccessKind kind = AccessKind::Allow;
    bool inherited = false;  // came from the parent folder
    std::uint32_t mask = 0;
    std::string sid;         // "S-1-5-32-544"
};

// A folder's owner and access list, as the system reports them.
struct FolderSecurity {
    std::string owner;
    bool hasAccessList = false;  // no list at all lets everyone do everything
    std::vector<AccessEntry> entries;
};

// Why the folder is not safe to start the helper from; empty when only the
// trusted accounts (administrators and the system) can write, append, delete
// or change its security, and nothing is inherited from the parent.
std::string folderSecurityProblem(const FolderSecurity& security, const std::vector<std::string>& trusted);

// "MelkrinUpd-" and 32 lower-case hexadecimal digits; empty when randomHex is
// not 32 such digits.
std::string helperFolderName(const std::string& randomHex);
bool isHelperFolderName(const std::string& name);

// What the hand-over needs from the system.
class HelperHandOverPlatform {
public:
    virtual ~HelperHandOverPlatform() = default;
    // The folder that holds the hand-over folders, with a trailing backslash;
    // empty when there is none.
    virtual std::string parentFolder() = 0;
    // 32 hexadecimal digits from the system's random generator; empty on failure.
    virtual std::string randomHex() = 0;
    // Names of the subfolders of parent that start with kHelperFolderPrefix
    // and are plain folders (no links).
    virtual std::vector<std::string> folderNames(const std::string& parent) = 0;
    // Creates the folder with administrators and the system as its only
    // users; false when it already exists or cannot be made.
    virtual bool createFolder(const std::string& path) = 0;
    virtual std::optional<FolderSecurity> folderSecurity(const std::string& path) = 0;
    // The accounts allowed to write the folder.
    virtual std::vector<std::string> trustedAccounts() = 0;
    // Deletes the helper file in the folder (if any), then the folder; false
    // when the folder stays (a helper still running from it).
    virtual bool removeFolder(const std::string& path) = 0;
    // The helper this program carries; empty when it carries none.
    virtual std::string embeddedHelper() = 0;
    // Writes a new file and flushes it to the disk.
    virtual bool writeNewFile(const std::string& path, std::string_view bytes) = 0;
    // Opens the file for reading so that nobody can write, replace or delete
    // it until releaseFile(); false when it cannot be opened so.
    virtual bool holdFile(const std::string& path) = 0;
    // The held file's bytes, read through the holding handle.
    virtual std::optional<std::string> readHeldFile() = 0;
    virtual bool startProcess(const std::string& program, const std::string& commandLine,
                              const std::string& currentFolder) = 0;
    virtual void releaseFile() = 0;
};

// Where a hand-over stopped.
enum class HandOverStep { Folder, Security, Write, Check, Start, Done };

struct HandOverResult {
    HandOverStep reached = HandOverStep::Folder;  // Done: the helper runs
    std::string helperPath;                        // where it was (to be) written
    std::string problem;                           // for the log and the message
    bool started() const { return reached == HandOverStep::Done; }
};

// Removes what earlier hand-overs left (folders a helper still runs from
// stay), then writes, checks and starts the helper as
// `"<helper>" <programPath> +<argument>`. On any failure nothing is started
// and the fresh folder is removed again.
HandOverResult handOverToHelper(HelperHandOverPlatform& platform, const std::string& programPath,
                                const std::string& argument);

// Removes the folders of earlier hand-overs that can go; returns how many went.
int removeHelperLeftovers(HelperHandOverPlatform& platform);

}  // namespace melkrin::update
