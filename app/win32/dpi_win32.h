#pragma once
// A window of ours moved to a monitor with another DPI: its controls keep
// their places in 96-DPI terms and take the fonts made for the new DPI.
#include <windows.h>

#include "app/win32/skin_win32.h"

namespace melkrin::dpi {

// Moves and sizes every descendant of parent from one DPI to the other.
void rescaleChildren(HWND parent, int from, int to);
// Gives every descendant that uses one of old's fonts the same font of now.
void swapFonts(HWND parent, const skin::Fonts& old, const skin::Fonts& now);
// A window's controls and fonts from one DPI to another: positions and sizes
// scaled, fonts made anew for the new DPI and given to every control that
// used the old ones, the old fonts freed.
void rescaleContent(HWND window, int from, int to, skin::Fonts& fonts);
// The window itself: to the rectangle Windows suggests with WM_DPICHANGED.
void moveTo(HWND hwnd, const RECT& suggested);

}  // namespace melkrin::dpi
