#include "common/win32/ui_fonts_win32.h"

#include <map>

#include "common/win32/ui_dpi_win32.h"

namespace melkrin::skin {
namespace {

HFONT skinFont(int height, int weight, const char* face) {
    return makeFont(face, -height, weight, false, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS);
}

Fonts makeFonts(int dpi) {
    using dpi::scale;
    Fonts fonts;
    fonts.normal = skinFont(scale(11, dpi), FW_NORMAL, "Tahoma");
    fonts.bold = skinFont(scale(12, dpi), FW_BOLD, "Tahoma");
    fonts.caption = skinFont(scale(13, dpi), FW_BOLD, "Tahoma");
    fonts.big = skinFont(scale(15, dpi), FW_BOLD, "Tahoma");
    fonts.logo = skinFont(scale(34, dpi), FW_HEAVY, "Arial");
    fonts.wait = skinFont(scale(16, dpi), FW_NORMAL, "Tahoma");
    // The update windows keep the system look of their kind.
    constexpr DWORD plain = DEFAULT_PITCH | FF_DONTCARE;
    fonts.dialog = makeFont("MS Sans Serif", -MulDiv(8, dpi, 72), FW_NORMAL, false, DEFAULT_QUALITY, plain);
    fonts.wizardTitle = makeFont("Times New Roman", -scale(19, dpi), FW_BOLD, true, DEFAULT_QUALITY, plain);
    return fonts;
}

}  // namespace

HFONT makeFont(const char* face, int height, int weight, bool italic, DWORD quality, DWORD pitchAndFamily) {
    return CreateFontA(height, 0, 0, 0, weight, italic, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, quality, pitchAndFamily, face);
}

const Fonts& fontsFor(int dpi) {
    // Windows of the user-interface thread only; a handful of DPIs at most.
    static std::map<int, Fonts> made;
    auto found = made.find(dpi);
    if (found == made.end()) found = made.emplace(dpi, makeFonts(dpi)).first;
    return found->second;
}

}  // namespace melkrin::skin
