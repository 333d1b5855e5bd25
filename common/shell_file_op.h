#pragma once
// FileOp: the main window's one shell file operation, used for the game
// configuration's backup and restore, the start-up recovery and the demo copy.
// One source and one target, each a full path; an existing target is replaced
// and a missing target folder is created. The outcome is not reported: the
// shell shows its own error window and the caller goes on.
#include <string>

namespace melkrin {

class FileSystem;

class ShellFileOperation {
public:
    virtual ~ShellFileOperation() = default;
    virtual void move(const std::string& from, const std::string& to) = 0;
    virtual void copy(const std::string& from, const std::string& to) = 0;
    // Title of the progress window shown when an operation takes long.
    virtual void setProgressTitle(const std::string& title) = 0;
    virtual std::string progressTitle() const = 0;
};

// Where no shell is at hand: a rename or copy that replaces the target does
// the same job.
class PlainFileOperation final : public ShellFileOperation {
public:
    explicit PlainFileOperation(FileSystem& files) : files_(files) {}
    void move(const std::string& from, const std::string& to) override;
    void copy(const std::string& from, const std::string& to) override;
    void setProgressTitle(const std::string& title) override { title_ = title; }
    std::string progressTitle() const override { return title_; }

private:
    FileSystem& files_;
    std::string title_;
};

}  // namespace melkrin
