#pragma once
// UpdHelper's system: the "A" file functions, processes, a message box.
#include <windows.h>

#include "update_helper/helper.h"

namespace melkrin::updhelper {

class Win32HelperPlatform final : public HelperPlatform {
public:
    bool fileExists(const std::string& path) override;
    std::string listedName(const std::string& path) override;
    std::vector<std::string> pendingFiles(const std::string& folder) override;
    bool isFree(const std::string& path) override;
    void setAttributes(const std::string& path, Attributes attributes) override;
    bool deleteFile(const std::string& path) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    bool replaceFile(const std::string& from, const std::string& to) override;
    std::optional<std::string> readFile(const std::string& path) override;
    bool writeFile(const std::string& path, const std::string& bytes) override;
    bool flushFile(const std::string& path) override;
    bool flushNames(const std::string& folder) override;
    std::optional<FileCheck> checkFile(const std::string& path) override;
    bool start(const std::string& commandLine) override;
    ProcessEnd startAndWait(const std::string& commandLine, std::uint32_t limitMs) override;
    void inform(const std::string& caption, const std::string& text) override;
    void warn(const std::string& text) override;
    void pause(std::uint32_t milliseconds) override;
    std::uint64_t now() override;

    // The kill-point tests end the helper right after this many files were
    // replaced, or deleted, as a power cut would; 0 never.
    int killAfterReplacements = 0;
    int killAfterDeletions = 0;

private:
    int replacements_ = 0;
    int deletions_ = 0;
};

}  // namespace melkrin::updhelper
