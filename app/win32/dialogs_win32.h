#pragma once
#include <windows.h>

#include "common/dialogs.h"

namespace melkrin {

// Plain modal message boxes owned by the main window (or by nobody before it exists).
class Win32Dialogs final : public Dialogs {
public:
    void setOwner(HWND owner) { owner_ = owner; }
    void showMessage(const std::string& text) override;
    void showError(const std::string& text) override;
    bool confirm(const std::string& text) override;

private:
    HWND owner_ = nullptr;
};

}  // namespace melkrin
