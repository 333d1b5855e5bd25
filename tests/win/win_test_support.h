#pragma once
// Helpers for the tests that run under Wine: temporary folders and unique
// registry keys, so tests can run side by side.
#include <string>

namespace melkrin::testing {

// A fresh folder below the temporary folder, removed with its content on destruction.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // With a trailing backslash.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A key path below HKLM\SOFTWARE that no other test uses; removed on destruction.
class TempRegistryKey {
public:
    TempRegistryKey();
    ~TempRegistryKey();
    TempRegistryKey(const TempRegistryKey&) = delete;
    TempRegistryKey& operator=(const TempRegistryKey&) = delete;
    const std::string& path() const { return path_; }  // "\SOFTWARE\MelkrinTests\..."

private:
    std::string path_;
};

std::string uniqueName(const std::string& prefix);
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
// Folder of melkrin.exe in the build tree, as a Windows path with a trailing backslash.
std::string melkrinExeFolder();

}  // namespace melkrin::testing
