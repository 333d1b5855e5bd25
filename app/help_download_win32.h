#pragma once
#include "app/window_services.h"

namespace melkrin {

// DownloadToFile through WinINet: the system's own proxy configuration,
// 1024-byte reads, the status code not looked at.
class Win32HelpDownloader final : public HelpDownloader {
public:
    bool downloadToFile(const std::string& url, const std::string& path, const std::string& agent) override;
};

}  // namespace melkrin
