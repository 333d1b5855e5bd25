#pragma once
// The main window's and its dialogs' pictures (background, logo, chrome and
// button faces), drawn with the kit's primitives, palette and fonts
// (common/win32) at the window's DPI so they stay sharp at every scale.
#include <windows.h>

#include <string>

#include "common/win32/ui_skin_win32.h"

namespace melkrin::skin {

enum class Glyph { None, Folder, OpenFolder, Minimise, Close, Update, Play, Chart };

void drawGlyph(HDC dc, const RECT& box, Glyph glyph, COLORREF colour, int dpi);

// The main window's full-size background, with the title band and the separator.
void drawMainBackground(HDC dc, const RECT& client, int dpi, bool themed, const Fonts& fonts);
// The thin vertical separator: a shade and its highlight.
void drawSeparator(HDC dc, const RECT& box, bool themed);
// The about page's logo.
void drawLogo(HDC dc, const RECT& box, int dpi, const Fonts& fonts);
// A picture button: the run button, tool buttons with an image and an optional caption.
void drawRunButton(HDC dc, const RECT& box, bool hot, bool pressed, bool enabled, int dpi, const Fonts& fonts);
void drawToolButton(HDC dc, const RECT& box, Glyph glyph, const std::string& caption, bool hot, bool pressed,
                    bool enabled, bool focused, COLORREF back, int dpi, const Fonts& fonts);
void drawPushButton(HDC dc, const RECT& box, const std::string& caption, bool hot, bool pressed, bool enabled,
                    bool focused, int dpi, const Fonts& fonts);
// A check box or radio item on an option frame.
void drawOptionItem(HDC dc, const RECT& box, const std::string& caption, bool radio, bool checked, bool hot,
                    bool enabled, bool focused, COLORREF back, int dpi, const Fonts& fonts);
// The ResolutionListDialog background.
void drawDialogBackground(HDC dc, const RECT& client, int dpi, const Fonts& fonts, const char* title);

}  // namespace melkrin::skin
