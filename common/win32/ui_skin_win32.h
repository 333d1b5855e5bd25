#pragma once
// The drawing primitives and the palette of Melkrin's skinned look, shared by
// the main window's pictures, its dialogs and the update wizard's side
// picture. All GDI, drawn at the caller's DPI.
#include <windows.h>

#include <string>

#include "common/win32/ui_dpi_win32.h"
#include "common/win32/ui_fonts_win32.h"

namespace melkrin::skin {

// Colours of the design.
inline constexpr COLORREF kBlack = RGB(0, 0, 0);
inline constexpr COLORREF kSilver = RGB(192, 192, 192);
inline constexpr COLORREF kWhite = RGB(255, 255, 255);
inline constexpr COLORREF kDesignPanel = RGB(24, 24, 24);
inline constexpr COLORREF kDesignCaption = RGB(192, 192, 192);
// Laid over the design at start-up.
inline constexpr COLORREF kAccent = RGB(243, 184, 5);
inline constexpr COLORREF kPanel = RGB(124, 88, 10);
// Option items.
inline constexpr COLORREF kItemFrame = RGB(28, 81, 128);
inline constexpr COLORREF kItemHighlight = RGB(33, 161, 33);
inline constexpr COLORREF kItemHot = RGB(255, 199, 60);
// The push button "Possibilities" and the "Add" button of ResolutionListDialog.
inline constexpr COLORREF kButtonFrame = RGB(0, 60, 116);
inline constexpr COLORREF kButtonFace = RGB(244, 244, 240);
// Fields.
inline constexpr COLORREF kFieldBack = RGB(12, 12, 12);
inline constexpr COLORREF kFieldText = RGB(255, 255, 255);

using dpi::scale;

// partOfB / whole of b, the rest of a.
COLORREF mix(COLORREF a, COLORREF b, int partOfB, int whole);

void fill(HDC dc, const RECT& box, COLORREF colour);
void frame(HDC dc, const RECT& box, COLORREF colour, int width = 1);
void verticalGradient(HDC dc, const RECT& box, COLORREF top, COLORREF bottom);
void roundBox(HDC dc, const RECT& box, COLORREF face, COLORREF edge, int radius);
void ellipse(HDC dc, const RECT& box, COLORREF face, COLORREF edge, int edgeWidth);
void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width);
// Filled with its outline in the same colour.
void polygon(HDC dc, const POINT* points, int count, COLORREF colour);
// Filled, no outline drawn.
void solidPolygon(HDC dc, const POINT* points, int count, COLORREF colour);
void text(HDC dc, const std::string& s, RECT box, COLORREF colour, HFONT font, UINT format);

}  // namespace melkrin::skin
