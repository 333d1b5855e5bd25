#pragma once
#include <windows.h>

#include <string>

#include "common/shell_file_op.h"

namespace melkrin {

// FileOp through SHFileOperationA: files only, no confirmations, missing target
// folders created, a simple progress window owned by the main window.
class Win32ShellFileOperation final : public ShellFileOperation {
public:
    void setOwner(HWND owner) { owner_ = owner; }
    void move(const std::string& from, const std::string& to) override;
    void copy(const std::string& from, const std::string& to) override;
    void setProgressTitle(const std::string& title) override { title_ = title; }
    std::string progressTitle() const override { return title_; }

    // A path on a mapped network drive in its UNC form; any other path unchanged.
    static std::string universalName(const std::string& path);
    // The shell's list form: the path, its NUL and the extra NUL that ends the list.
    static std::string doubleNulList(const std::string& path);

private:
    void run(UINT operation, const std::string& from, const std::string& to);

    HWND owner_ = nullptr;
    std::string title_;
};

}  // namespace melkrin
