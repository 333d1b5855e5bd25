// The main window moved to a monitor with another DPI: sizes, positions and
// fonts follow, so the skin stays as sharp and as large as the user expects.
#include "common/win32/ui_dpi_win32.h"
#include "app/win32/main_window_win32.h"

namespace melkrin {

void Win32MainWindow::rescale(int newDpi, const RECT& suggested) {
    if (newDpi <= 0 || newDpi == dpi_) return;
    dpi::rescaleContent(hwnd_, dpi_, newDpi, fonts_);
    dpi_ = newDpi;
    dpi::moveTo(hwnd_, suggested);
    refreshTooltips();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

}  // namespace melkrin
