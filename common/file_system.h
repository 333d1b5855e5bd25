#pragma once
// The file operations the logic needs, as a seam: the Win32 adapter uses the
// "A" functions, tests use an in-memory double.
#include <string>
#include <string_view>
#include <vector>

namespace melkrin {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // True only for a file: a folder of that name does not count.
    virtual bool fileExists(const std::string& path) const = 0;
    // True only for a folder.
    virtual bool folderExists(const std::string& path) const = 0;
    // Creates one level; parents are not created. False when it failed.
    virtual bool createFolder(const std::string& path) = 0;
    virtual bool deleteFile(const std::string& path) = 0;
    // The whole file as bytes; throws OsError when it cannot be read.
    virtual std::string readFile(const std::string& path) const = 0;
    // Writes the whole file beside the target and then replaces the target,
    // so a crash never leaves half a file; throws OsError on failure.
    virtual void writeFile(const std::string& path, std::string_view bytes) = 0;
    // Adds bytes to the end of the file in one write, creating it when it is
    // missing; firstLine goes before them when the file is new or empty. A
    // file that cannot be opened for appending (held open by another program
    // without sharing) or written whole raises OsError and keeps what it held.
    virtual void appendFile(const std::string& path, std::string_view bytes, std::string_view firstLine) = 0;
    // Rename or copy that replaces an existing target. False when it failed.
    virtual bool moveFile(const std::string& from, const std::string& to) = 0;
    virtual bool copyFile(const std::string& from, const std::string& to) = 0;
    // The names (without the folder) of the files in a folder that match a
    // pattern with "*" and "?", sorted; folders are left out. Throws OsError
    // when the folder cannot be listed.
    virtual std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) const = 0;
};

}  // namespace melkrin
