#pragma once
// The fonts of Melkrin's windows, made once for each DPI a window shows at
// and kept for the program's life, so windows at one DPI share them and a
// control never holds a font that was freed under it.
#include <windows.h>

#include <array>

namespace melkrin::skin {

struct Fonts {
    HFONT normal = nullptr;
    HFONT bold = nullptr;
    HFONT caption = nullptr;      // navigation group captions
    HFONT big = nullptr;          // the run button
    HFONT logo = nullptr;
    HFONT wait = nullptr;         // "Please wait...", 16 pixels at 96 DPI
    HFONT dialog = nullptr;       // the update windows' controls: 8 points
    HFONT wizardTitle = nullptr;  // the download wizard's page title
    // Every font, in one order for all DPIs (a font's place says its role).
    std::array<HFONT, 8> all() const { return {normal, bold, caption, big, logo, wait, dialog, wizardTitle}; }
};

// The fonts of a DPI, made at the first call for it.
const Fonts& fontsFor(int dpi);

// A font of the given cell height (negative: character height) in pixels.
HFONT makeFont(const char* face, int height, int weight, bool italic, DWORD quality, DWORD pitchAndFamily);

}  // namespace melkrin::skin
