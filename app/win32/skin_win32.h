#pragma once
// The skinned look of Melkrin's windows: one palette, the fonts, and the
// pictures (background, logo, chrome and button faces), all drawn with GDI
// at the window's DPI so they stay sharp at every scale.
#include <windows.h>

#include <string>

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

// Pixels at 96 DPI scaled by a DPI.
inline int scale(int pixels, int dpi) { return MulDiv(pixels, dpi, 96); }
int dpiOf(HWND hwnd);

// Fonts of one DPI, created once.
struct Fonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    HFONT caption = nullptr;  // navigation group captions
    HFONT big = nullptr;      // the run button
    HFONT logo = nullptr;
    HFONT wait = nullptr;     // "Please wait...", 16 pixels at 96 DPI
    void create(int dpi);
    void destroy();
};

enum class Glyph { None, Folder, OpenFolder, Minimise, Close, Update, Play, Chart };

void fill(HDC dc, const RECT& box, COLORREF colour);
void frame(HDC dc, const RECT& box, COLORREF colour, int width = 1);
void verticalGradient(HDC dc, const RECT& box, COLORREF top, COLORREF bottom);
void roundBox(HDC dc, const RECT& box, COLORREF face, COLORREF edge, int radius);
void drawGlyph(HDC dc, const RECT& box, Glyph glyph, COLORREF colour, int dpi);
void text(HDC dc, const std::string& s, RECT box, COLORREF colour, HFONT font, UINT format);

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
