#pragma once
// The one modal loop of Melkrin's own windows (message boxes and system
// dialogs bring their own): the owner is disabled while the window is up, as
// for a modal dialog, and a WM_QUIT that arrives meanwhile is handed on to
// the program's loop.
#include <windows.h>

#include <functional>

namespace melkrin::ui {

struct ModalWindow {
    HWND window = nullptr;
    // Disabled for the loop's time if it was enabled; null for none.
    HWND owner = nullptr;
    // Shows and focuses the window, once the owner is disabled.
    std::function<void()> show;
    // The loop runs while this holds.
    std::function<bool()> isOpen;
    // A message the window handles before the dialog keys do; true: taken.
    std::function<bool(const MSG&)> intercept;
};

// Runs the window's messages until it closes; the owner is enabled again on
// return (before the caller hides or destroys the window, so activation
// returns to the owner). False when the program is ending: the WM_QUIT is
// posted again for the outer loop (also false when the queue cannot be read).
bool runModal(const ModalWindow& modal);

}  // namespace melkrin::ui
