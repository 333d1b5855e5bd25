#pragma once
// Where a window's DPI comes from, and what follows when it changes. The
// program is per-monitor aware: each window asks for its own DPI and lays
// itself out in 96-DPI pixels scaled by it.
#include <windows.h>

namespace melkrin::skin {
struct Fonts;
}

namespace melkrin::dpi {

// Pixels at 96 DPI scaled by a DPI.
inline int scale(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }
// The DPI of the monitor a window is on; for no window (or a system without
// per-monitor DPI) the screen's.
int windowDpi(HWND hwnd);

// Moves and sizes every descendant of parent from one DPI to the other.
void rescaleChildren(HWND parent, int from, int to);
// Gives every descendant that uses one of old's fonts the same font of now.
void swapFonts(HWND parent, const skin::Fonts& old, const skin::Fonts& now);
// A window's controls and fonts from one DPI to another: positions and sizes
// scaled, and every control that used a font of the old DPI given the same
// font of the new one.
void rescaleContent(HWND window, int from, int to, skin::Fonts& fonts);
// The window itself: to the rectangle Windows suggests with WM_DPICHANGED.
void moveTo(HWND hwnd, const RECT& suggested);

}  // namespace melkrin::dpi
