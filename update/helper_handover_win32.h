#pragma once
// The hand-over's system part on Windows: the folders below the system's own
// temporary folder (%SystemRoot%\Temp), their security descriptors, the
// embedded helper and its start.
#include <windows.h>

#include "update/helper_handover.h"

namespace melkrin::update {

class Win32HelperHandOverPlatform : public HelperHandOverPlatform {
public:
    Win32HelperHandOverPlatform() = default;
    ~Win32HelperHandOverPlatform() override { releaseFile(); }
    Win32HelperHandOverPlatform(const Win32HelperHandOverPlatform&) = delete;
    Win32HelperHandOverPlatform& operator=(const Win32HelperHandOverPlatform&) = delete;

    std::string parentFolder() override;
    std::string randomHex() override;
    std::vector<std::string> folderNames(const std::string& parent) override;
    bool createFolder(const std::string& path) override;
    std::optional<FolderSecurity> folderSecurity(const std::string& path) override;
    std::vector<std::string> trustedAccounts() override;
    bool removeFolder(const std::string& path) override;
    std::string embeddedHelper() override;
    bool writeNewFile(const std::string& path, std::string_view bytes) override;
    bool holdFile(const std::string& path) override;
    std::optional<std::string> readHeldFile() override;
    bool startProcess(const std::string& program, const std::string& commandLine,
                      const std::string& currentFolder) override;
    void releaseFile() override;

private:
    HANDLE held_ = INVALID_HANDLE_VALUE;
};

// The access list every hand-over folder is made with: the system and the
// administrators, full control, passed on to the helper file; protected from
// the parent's entries; owned by the administrators.
inline constexpr const char* kHelperFolderSecurity = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// True under Wine, which keeps no security descriptor for files (see the
// update README).
bool runsUnderWine();

}  // namespace melkrin::update
