#include "app/win32/skin_win32.h"

#include <algorithm>

namespace melkrin::skin {

void drawGlyph(HDC dc, const RECT& box, Glyph glyph, COLORREF colour, int dpi) {
    const int cx = (box.left + box.right) / 2;
    const int cy = (box.top + box.bottom) / 2;
    const int u = std::max(1, scale(1, dpi));
    switch (glyph) {
        case Glyph::None: break;
        case Glyph::Folder:
        case Glyph::OpenFolder: {
            // A 16 x 16 folder: tab, body, and for "open" a lifted front.
            const int l = cx - 8 * u, t = cy - 6 * u;
            RECT tab{l, t, l + 6 * u, t + 2 * u};
            fill(dc, tab, colour);
            RECT body{l, t + 2 * u, l + 16 * u, t + 12 * u};
            fill(dc, body, mix(colour, kBlack, 1, 3));
            frame(dc, body, colour);
            if (glyph == Glyph::OpenFolder) {
                POINT front[] = {{l + 3 * u, t + 5 * u}, {l + 17 * u, t + 5 * u}, {l + 14 * u, t + 12 * u},
                                 {l, t + 12 * u}};
                polygon(dc, front, 4, colour);
            } else {
                RECT shine{l + 1 * u, t + 4 * u, l + 15 * u, t + 5 * u};
                fill(dc, shine, colour);
            }
            break;
        }
        case Glyph::Minimise: line(dc, cx - 5 * u, cy + 4 * u, cx + 5 * u, cy + 4 * u, colour, 2 * u); break;
        case Glyph::Close:
            line(dc, cx - 5 * u, cy - 5 * u, cx + 5 * u, cy + 5 * u, colour, 2 * u);
            line(dc, cx + 5 * u, cy - 5 * u, cx - 5 * u, cy + 5 * u, colour, 2 * u);
            break;
        case Glyph::Update: {
            // A downward arrow into a tray.
            POINT arrow[] = {{cx - 2 * u, cy - 7 * u}, {cx + 2 * u, cy - 7 * u}, {cx + 2 * u, cy - 1 * u},
                             {cx + 5 * u, cy - 1 * u}, {cx, cy + 4 * u},       {cx - 5 * u, cy - 1 * u},
                             {cx - 2 * u, cy - 1 * u}};
            polygon(dc, arrow, 7, colour);
            line(dc, cx - 7 * u, cy + 6 * u, cx + 7 * u, cy + 6 * u, colour, 2 * u);
            break;
        }
        case Glyph::Play: {
            POINT play[] = {{cx - 5 * u, cy - 7 * u}, {cx + 7 * u, cy}, {cx - 5 * u, cy + 7 * u}};
            polygon(dc, play, 3, colour);
            break;
        }
        case Glyph::Chart: {
            // Three bars of a chart on its base line.
            const int heights[3] = {6, 11, 8};
            for (int i = 0; i < 3; ++i) {
                const int x = cx - 7 * u + i * 5 * u;
                RECT bar{x, cy + 6 * u - heights[i] * u, x + 4 * u, cy + 6 * u};
                fill(dc, bar, colour);
            }
            line(dc, cx - 8 * u, cy + 7 * u, cx + 8 * u, cy + 7 * u, colour, u);
            break;
        }
    }
}

void drawMainBackground(HDC dc, const RECT& client, int dpi, bool themed, const Fonts& fonts) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    fill(dc, client, kBlack);
    const COLORREF accent = themed ? kAccent : kDesignCaption;
    // Title band: a dark amber glow fading into black, with a speed stripe.
    RECT band{client.left, client.top, client.right, client.top + px(72)};
    verticalGradient(dc, band, RGB(58, 40, 4), kBlack);
    for (int i = 0; i < 6; ++i) {
        const int x = px(300) + i * px(22);
        POINT stripe[] = {{x, band.top + px(8)}, {x + px(12), band.top + px(8)}, {x - px(14), band.top + px(62)},
                          {x - px(26), band.top + px(62)}};
        polygon(dc, stripe, 4, mix(RGB(58, 40, 4), accent, 1 + i, 16));
    }
    RECT title{px(14), px(10), px(330), px(50)};
    text(dc, "MELKRIN", title, accent, fonts.logo, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    RECT subtitle{px(16), px(48), px(360), px(66)};
    text(dc, "Serious Sam 2 benchmark", subtitle, kSilver, fonts.bold, DT_LEFT | DT_TOP | DT_SINGLELINE);
    RECT rule{client.left + px(6), px(74), client.right - px(6), px(75)};
    fill(dc, rule, mix(kBlack, accent, 9, 16));
}

void drawSeparator(HDC dc, const RECT& box, bool themed) {
    RECT shade = box;
    shade.right = shade.left + (box.right - box.left) / 2;
    fill(dc, shade, RGB(50, 50, 50));
    RECT highlight = box;
    highlight.left = shade.right;
    fill(dc, highlight, themed ? kAccent : kDesignCaption);
}

void drawLogo(HDC dc, const RECT& box, int dpi, const Fonts& fonts) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    // A gauge: dark dial, amber scale marks and a needle near the top of the range.
    const int r = px(36);
    const int cx = box.left + px(52);
    const int cy = box.top + (box.bottom - box.top) / 2 + px(8);
    HBRUSH dial = CreateSolidBrush(RGB(20, 14, 2));
    HPEN rim = CreatePen(PS_SOLID, px(3), kAccent);
    HGDIOBJ oldBrush = SelectObject(dc, dial);
    HGDIOBJ oldPen = SelectObject(dc, rim);
    Ellipse(dc, cx - r, cy - r, cx + r, cy + r);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(dial);
    DeleteObject(rim);
    static const int marks[][2] = {{-26, 18}, {-31, 0}, {-26, -18}, {-14, -28}, {0, -31}, {14, -28}, {26, -18},
                                   {31, 0},   {26, 18}};
    for (const auto& m : marks)
        line(dc, cx + px(m[0]) * 8 / 10, cy + px(m[1]) * 8 / 10, cx + px(m[0]), cy + px(m[1]), kSilver, px(2));
    line(dc, cx, cy, cx + px(22), cy - px(16), kItemHot, px(3));
    RECT hub{cx - px(4), cy - px(4), cx + px(4), cy + px(4)};
    fill(dc, hub, kSilver);

    RECT name{box.left + px(100), box.top + px(10), box.right, box.top + px(52)};
    text(dc, "MELKRIN", name, kAccent, fonts.logo, DT_LEFT | DT_TOP | DT_SINGLELINE);
    RECT by{box.left + px(102), box.top + px(52), box.right, box.bottom};
    text(dc, "The Serious Sam 2 benchmark", by, kWhite, fonts.bold, DT_LEFT | DT_TOP | DT_SINGLELINE);
}

void drawRunButton(HDC dc, const RECT& box, bool hot, bool pressed, bool enabled, int dpi, const Fonts& fonts) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    fill(dc, box, kBlack);
    RECT face{box.left + px(4), box.top + px(4), box.right - px(4), box.bottom - px(4)};
    if (pressed) OffsetRect(&face, px(1), px(1));
    const COLORREF top = !enabled ? RGB(70, 70, 70) : hot ? kItemHot : kAccent;
    const COLORREF bottom = !enabled ? RGB(40, 40, 40) : RGB(150, 100, 0);
    HRGN round = CreateRoundRectRgn(face.left, face.top, face.right + 1, face.bottom + 1, px(10), px(10));
    SelectClipRgn(dc, round);
    verticalGradient(dc, face, top, bottom);
    SelectClipRgn(dc, nullptr);
    DeleteObject(round);
    HBRUSH edge = CreateSolidBrush(enabled ? RGB(255, 230, 150) : RGB(90, 90, 90));
    HRGN outline = CreateRoundRectRgn(face.left, face.top, face.right + 1, face.bottom + 1, px(10), px(10));
    FrameRgn(dc, outline, edge, 1, 1);
    DeleteObject(outline);
    DeleteObject(edge);
    RECT glyph{face.left + px(6), face.top, face.left + px(26), face.bottom};
    drawGlyph(dc, glyph, Glyph::Play, enabled ? kBlack : RGB(110, 110, 110), dpi);
    RECT caption{face.left + px(24), face.top, face.right, face.bottom};
    text(dc, "RUN", caption, enabled ? kBlack : RGB(110, 110, 110), fonts.big,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void drawToolButton(HDC dc, const RECT& box, Glyph glyph, const std::string& caption, bool hot, bool pressed,
                    bool enabled, bool focused, COLORREF back, int dpi, const Fonts& fonts) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    fill(dc, box, back);
    RECT face = box;
    const COLORREF edge = !enabled ? RGB(90, 90, 90) : hot || focused ? kItemHot : kItemFrame;
    roundBox(dc, face, pressed ? RGB(40, 30, 5) : RGB(16, 16, 16), edge, px(6));
    const COLORREF ink = !enabled ? RGB(100, 100, 100) : hot ? kItemHot : kAccent;
    if (caption.empty()) {
        RECT g = face;
        if (pressed) OffsetRect(&g, 1, 1);
        drawGlyph(dc, g, glyph, ink, dpi);
        return;
    }
    RECT g{face.left + px(4), face.top, face.left + px(24), face.bottom};
    drawGlyph(dc, g, glyph, ink, dpi);
    RECT t{face.left + px(24), face.top, face.right - px(4), face.bottom};
    text(dc, caption, t, enabled ? (hot ? kItemHot : kWhite) : RGB(110, 110, 110), fonts.bold,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void drawPushButton(HDC dc, const RECT& box, const std::string& caption, bool hot, bool pressed, bool enabled,
                    bool focused, int dpi, const Fonts& fonts) {
    RECT face = box;
    fill(dc, face, enabled ? (pressed ? RGB(220, 220, 214) : kButtonFace) : RGB(200, 200, 200));
    frame(dc, face, hot || focused ? kItemHot : kButtonFrame, hot || focused ? 2 : 1);
    if (pressed) OffsetRect(&face, 1, 1);
    (void)dpi;
    text(dc, caption, face, enabled ? kBlack : RGB(128, 128, 128), fonts.normal,
         DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void drawOptionItem(HDC dc, const RECT& box, const std::string& caption, bool radio, bool checked, bool hot,
                    bool enabled, bool focused, COLORREF back, int dpi, const Fonts& fonts) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    fill(dc, box, back);
    const int size = px(12);
    const int top = (box.top + box.bottom - size) / 2;
    RECT mark{box.left + px(1), top, box.left + px(1) + size, top + size};
    const COLORREF edge = !enabled ? RGB(90, 90, 90) : hot ? kItemHot : kItemFrame;
    if (radio) {
        HBRUSH brush = CreateSolidBrush(kFieldBack);
        HPEN pen = CreatePen(PS_SOLID, px(2), edge);
        HGDIOBJ oldBrush = SelectObject(dc, brush);
        HGDIOBJ oldPen = SelectObject(dc, pen);
        Ellipse(dc, mark.left, mark.top, mark.right, mark.bottom);
        SelectObject(dc, oldBrush);
        SelectObject(dc, oldPen);
        DeleteObject(brush);
        DeleteObject(pen);
        if (checked) {
            RECT dot{mark.left + px(3), mark.top + px(3), mark.right - px(3), mark.bottom - px(3)};
            HBRUSH green = CreateSolidBrush(enabled ? kItemHighlight : RGB(90, 90, 90));
            HGDIOBJ old = SelectObject(dc, green);
            HGDIOBJ oldPen2 = SelectObject(dc, GetStockObject(NULL_PEN));
            Ellipse(dc, dot.left, dot.top, dot.right + 1, dot.bottom + 1);
            SelectObject(dc, old);
            SelectObject(dc, oldPen2);
            DeleteObject(green);
        }
    } else {
        fill(dc, mark, kFieldBack);
        frame(dc, mark, edge, px(2) > 2 ? 2 : px(2));
        if (checked) {
            const COLORREF tick = enabled ? kItemHighlight : RGB(90, 90, 90);
            line(dc, mark.left + px(3), mark.top + px(6), mark.left + px(5), mark.top + px(9), tick, px(2));
            line(dc, mark.left + px(5), mark.top + px(9), mark.left + px(10), mark.top + px(3), tick, px(2));
        }
    }
    RECT label{mark.right + px(5), box.top, box.right, box.bottom};
    const COLORREF ink = !enabled ? RGB(66, 46, 6) : hot ? kItemHot : checked ? kWhite : kSilver;
    // An "&" marks the access key, as in a native check box.
    text(dc, caption, label, ink, fonts.normal, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (focused) {
        RECT measure = label;
        HGDIOBJ old = SelectObject(dc, fonts.normal);
        DrawTextA(dc, caption.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        RECT under{label.left, box.bottom - px(2), std::min(measure.right, box.right), box.bottom - px(1)};
        fill(dc, under, kItemHot);
    }
}

void drawDialogBackground(HDC dc, const RECT& client, int dpi, const Fonts& fonts, const char* title) {
    auto px = [dpi](int v) { return scale(v, dpi); };
    fill(dc, client, kBlack);
    RECT band{client.left, client.top, client.right, client.top + px(56)};
    verticalGradient(dc, band, RGB(58, 40, 4), kBlack);
    RECT t{px(10), px(10), client.right - px(30), px(34)};
    text(dc, title, t, kAccent, fonts.caption, DT_LEFT | DT_TOP | DT_SINGLELINE);
    RECT s{px(10), px(32), client.right - px(10), px(52)};
    text(dc, "Tick a size, then press Add", s, kSilver, fonts.normal, DT_LEFT | DT_TOP | DT_SINGLELINE);
    RECT rule{px(6), px(57), client.right - px(6), px(58)};
    fill(dc, rule, RGB(140, 100, 10));
    frame(dc, client, RGB(80, 58, 8));
}

}  // namespace melkrin::skin
