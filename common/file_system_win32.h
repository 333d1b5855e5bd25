#pragma once
#include "common/file_system.h"

namespace melkrin {

class Win32FileSystem final : public FileSystem {
public:
    bool fileExists(const std::string& path) const override;
    bool folderExists(const std::string& path) const override;
    bool createFolder(const std::string& path) override;
    bool deleteFile(const std::string& path) override;
    std::string readFile(const std::string& path) const override;
    void writeFile(const std::string& path, std::string_view bytes) override;
    void appendFile(const std::string& path, std::string_view bytes, std::string_view firstLine) override;
    bool moveFile(const std::string& from, const std::string& to) override;
    bool copyFile(const std::string& from, const std::string& to) override;
    std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) const override;
};

}  // namespace melkrin
