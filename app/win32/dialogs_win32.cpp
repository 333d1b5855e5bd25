#include "app/win32/dialogs_win32.h"

#include "common/win32/message_box_win32.h"

namespace melkrin {
namespace {

constexpr const char* kTitle = "Melkrin";

// A hidden owner would hide the box with it; fall back to no owner then.
HWND visibleOwner(HWND owner) { return owner && IsWindowVisible(owner) ? owner : nullptr; }

}  // namespace

void Win32Dialogs::showMessage(const std::string& text) {
    showMessageBox(visibleOwner(owner_), text, kTitle, MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

void Win32Dialogs::showError(const std::string& text) {
    showMessageBox(visibleOwner(owner_), text, kTitle, MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
}

bool Win32Dialogs::confirm(const std::string& text) {
    // Unattended, nothing changes without a person's word.
    return showMessageBox(visibleOwner(owner_), text, kTitle, MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL | MB_SETFOREGROUND,
                          IDNO) == IDYES;
}

}  // namespace melkrin
