#include "common/win32/ui_modal_win32.h"

namespace melkrin::ui {

bool runModal(const ModalWindow& modal) {
    const bool ownerWasEnabled = modal.owner && IsWindowEnabled(modal.owner);
    if (ownerWasEnabled) EnableWindow(modal.owner, FALSE);
    if (modal.show) modal.show();
    MSG message{};
    bool quit = false;
    bool failed = false;
    while (modal.isOpen()) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            // 0: WM_QUIT, the program is ending; -1: the queue cannot be read.
            quit = got == 0;
            failed = got < 0;
            break;
        }
        if (modal.intercept && modal.intercept(message)) continue;
        if (IsDialogMessageA(modal.window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (ownerWasEnabled) EnableWindow(modal.owner, TRUE);
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));
    return !quit && !failed;
}

}  // namespace melkrin::ui
