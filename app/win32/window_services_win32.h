#pragma once
#include <windows.h>

#include "app/window_services.h"

namespace melkrin {

// ShellExecuteA with the verb "open", empty parameters and working folder.
class Win32Shell final : public Shell {
public:
    void setOwner(HWND owner) { owner_ = owner; }
    void open(const std::string& target, ShowCommand show) override;

private:
    HWND owner_ = nullptr;
};

// The folder selection dialog (new folder button, context menus) and the file open dialog.
class Win32FileDialogs final : public FileDialogs {
public:
    void setOwner(HWND owner) { owner_ = owner; }
    std::optional<std::string> chooseFolder() override;
    std::optional<std::string> chooseFile(const std::string& title, const std::string& filter) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace melkrin
