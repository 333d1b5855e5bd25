#pragma once
// The step-by-step record of the benchmark runs since program start, behind
// ProgramFolder + "debuginfo.txt". One instance lives from program start to
// exit and is never emptied, so the runs follow one another in it.
#include <string>
#include <vector>

namespace melkrin {

class FileSystem;

class DebugLog {
public:
    static constexpr const char* kFileName = "debuginfo.txt";

    // programFolder ends in a backslash.
    DebugLog(FileSystem& files, const std::string& programFolder);

    void add(const std::string& line) { lines_.push_back(line); }
    // Writes the whole list, replacing the file; never appends. A failure
    // raises the file system's OsError, which the caller does not catch.
    void save();

    const std::vector<std::string>& lines() const { return lines_; }
    const std::string& path() const { return path_; }

private:
    FileSystem& files_;
    std::string path_;
    std::vector<std::string> lines_;
};

}  // namespace melkrin
