#pragma once
// The upgrade flow's files and its hand-over to UpdHelper.exe on Windows.
#include <windows.h>

#include <functional>
#include <string>

#include "update/upgrade_flow.h"

namespace melkrin::update {

class Win32UpgradeFiles final : public UpgradeFiles {
public:
    std::vector<std::string> pendingFiles(const std::string& folder) override;
    bool deleteFile(const std::string& path) override;
    std::optional<std::uint64_t> fileSize(const std::string& path) override;
    std::optional<std::string> readAll(const std::string& path) override;
    void setFileTime(const std::string& path, LocalDateTime time) override;
};

// Hands over to the helper carried as the resource "UPDHELPER" (see
// helper_handover.h) and closes the program through the given callback.
class Win32HelperLauncher final : public HelperLauncher {
public:
    explicit Win32HelperLauncher(std::function<void()> close) : close_(std::move(close)) {}
    HandOverResult handOver(const std::string& programPath, const std::string& argument) override;
    void closeApplication() override;

private:
    std::function<void()> close_;
};

// Local date-time (seconds since 1970, local time) to the system's UTC file time.
FILETIME fileTimeOfLocal(LocalDateTime time);

}  // namespace melkrin::update
