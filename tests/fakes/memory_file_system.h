#pragma once
// An in-memory FileSystem with Windows' case-insensitive names. Files and
// folders are kept apart; reads, writes and deletes can be made to fail.
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/errors.h"
#include "common/file_system.h"
#include "common/text.h"

namespace melkrin::testing {

class MemoryFileSystem : public FileSystem {
public:
    static std::string norm(const std::string& path) {
        std::string key = toLower(path);
        while (key.size() > 3 && (key.back() == '\\' || key.back() == '/')) key.pop_back();
        return key;
    }

    bool fileExists(const std::string& path) const override { return files.count(norm(path)) != 0; }
    bool folderExists(const std::string& path) const override {
        return !path.empty() && folders.count(norm(path)) != 0;
    }
    bool createFolder(const std::string& path) override {
        if (failingFolders.count(norm(path)) || folderExists(path) || fileExists(path)) return false;
        const std::string key = norm(path);
        const auto slash = key.find_last_of('\\');
        if (slash != std::string::npos && slash > 2 && !folders.count(key.substr(0, slash))) return false;
        folders.insert(key);
        return true;
    }
    bool deleteFile(const std::string& path) override {
        if (undeletable.count(norm(path))) return false;
        return files.erase(norm(path)) != 0;
    }
    std::string readFile(const std::string& path) const override {
        if (unreadable.count(norm(path))) throw OsError(5, "Access is denied");
        const auto it = files.find(norm(path));
        if (it == files.end()) throw OsError(2, "The system cannot find the file specified");
        return it->second;
    }
    void writeFile(const std::string& path, std::string_view bytes) override {
        if (readOnly.count(norm(path))) throw OsError(5, "Cannot create file \"" + path + "\": Access is denied");
        const std::string key = norm(path);
        const auto slash = key.find_last_of('\\');
        if (slash != std::string::npos && slash > 2 && !folders.count(key.substr(0, slash)))
            throw OsError(3, "Cannot create file \"" + path + "\": The system cannot find the path specified");
        files[norm(path)] = std::string(bytes);
        ++writeCount;
        if (journal) journal->push_back("write " + path);
    }
    void appendFile(const std::string& path, std::string_view bytes, std::string_view firstLine) override {
        if (readOnly.count(norm(path))) throw OsError(5, "Cannot open file \"" + path + "\": Access is denied");
        if (locked.count(norm(path)))
            throw OsError(32, "Cannot open file \"" + path +
                                  "\": The process cannot access the file because it is being used by another process.");
        const std::string key = norm(path);
        const auto slash = key.find_last_of('\\');
        if (slash != std::string::npos && slash > 2 && !folders.count(key.substr(0, slash)))
            throw OsError(3, "Cannot open file \"" + path + "\": The system cannot find the path specified");
        std::string& content = files[key];
        if (content.empty()) content.append(firstLine);
        content.append(bytes);
        ++writeCount;
        if (journal) journal->push_back("append " + path);
    }
    bool moveFile(const std::string& from, const std::string& to) override {
        const auto it = files.find(norm(from));
        if (it == files.end() || readOnly.count(norm(to))) return false;
        std::string bytes = it->second;
        files.erase(it);
        files[norm(to)] = std::move(bytes);
        return true;
    }
    bool copyFile(const std::string& from, const std::string& to) override {
        const auto it = files.find(norm(from));
        if (it == files.end() || readOnly.count(norm(to))) return false;
        files[norm(to)] = it->second;
        return true;
    }

    std::vector<std::string> listFiles(const std::string& folder, const std::string& pattern) const override {
        if (!folderExists(folder)) throw OsError(3, "Cannot list the folder \"" + folder + "\": The system cannot find the path specified");
        const std::string prefix = norm(folder) + "\\";
        std::vector<std::string> names;
        for (const auto& [key, bytes] : files) {
            if (key.size() <= prefix.size() || key.compare(0, prefix.size(), prefix) != 0) continue;
            const std::string name = key.substr(prefix.size());
            if (name.find('\\') == std::string::npos && matches(toLower(pattern), name)) names.push_back(name);
        }
        return names;  // the map keeps them sorted
    }

    // Set-up helpers: a file and every folder above it.
    void addFile(const std::string& path, const std::string& bytes = {}) {
        files[norm(path)] = bytes;
        addParents(norm(path));
    }
    void addFolder(const std::string& path) {
        folders.insert(norm(path));
        addParents(norm(path));
    }
    std::string content(const std::string& path) const {
        const auto it = files.find(norm(path));
        return it == files.end() ? std::string() : it->second;
    }

    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    std::set<std::string> unreadable, readOnly, undeletable, failingFolders;
    std::set<std::string> locked;  // held open by another program: appends fail
    int writeCount = 0;
    std::vector<std::string>* journal = nullptr;  // shared with other doubles: the order of effects

private:
    // "*" any run of characters, "?" any one.
    static bool matches(std::string_view pattern, std::string_view name) {
        if (pattern.empty()) return name.empty();
        if (pattern[0] == '*')
            return matches(pattern.substr(1), name) || (!name.empty() && matches(pattern, name.substr(1)));
        return !name.empty() && (pattern[0] == '?' || pattern[0] == name[0]) && matches(pattern.substr(1), name.substr(1));
    }
    void addParents(const std::string& key) {
        auto slash = key.find_last_of('\\');
        while (slash != std::string::npos && slash > 2) {
            folders.insert(key.substr(0, slash));
            slash = key.find_last_of('\\', slash - 1);
        }
    }
};

}  // namespace melkrin::testing
