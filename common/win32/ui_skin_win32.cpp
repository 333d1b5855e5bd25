#include "common/win32/ui_skin_win32.h"

#include <algorithm>

namespace melkrin::skin {
namespace {

// Fills a shape drawn by draw with brush and pen selected, then frees both.
template <class Draw>
void withBrushAndPen(HDC dc, HBRUSH brush, HPEN pen, Draw draw) {
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen ? static_cast<HGDIOBJ>(pen) : GetStockObject(NULL_PEN));
    draw();
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    if (pen) DeleteObject(pen);
}

}  // namespace

COLORREF mix(COLORREF a, COLORREF b, int partOfB, int whole) {
    auto channel = [&](int x, int y) { return (x * (whole - partOfB) + y * partOfB) / whole; };
    return RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
               channel(GetBValue(a), GetBValue(b)));
}

void fill(HDC dc, const RECT& box, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &box, brush);
    DeleteObject(brush);
}

void frame(HDC dc, const RECT& box, COLORREF colour, int width) {
    for (int i = 0; i < width; ++i) {
        RECT r{box.left + i, box.top + i, box.right - i, box.bottom - i};
        HBRUSH brush = CreateSolidBrush(colour);
        FrameRect(dc, &r, brush);
        DeleteObject(brush);
    }
}

void verticalGradient(HDC dc, const RECT& box, COLORREF top, COLORREF bottom) {
    const int height = std::max<int>(1, box.bottom - box.top);
    for (int y = 0; y < height; ++y) {
        RECT row{box.left, box.top + y, box.right, box.top + y + 1};
        fill(dc, row, mix(top, bottom, y, height));
    }
}

void roundBox(HDC dc, const RECT& box, COLORREF face, COLORREF edge, int radius) {
    withBrushAndPen(dc, CreateSolidBrush(face), CreatePen(PS_SOLID, 1, edge),
                    [&] { RoundRect(dc, box.left, box.top, box.right, box.bottom, radius, radius); });
}

void ellipse(HDC dc, const RECT& box, COLORREF face, COLORREF edge, int edgeWidth) {
    withBrushAndPen(dc, CreateSolidBrush(face), CreatePen(PS_SOLID, edgeWidth, edge),
                    [&] { Ellipse(dc, box.left, box.top, box.right, box.bottom); });
}

void line(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int width) {
    HPEN pen = CreatePen(PS_SOLID, width, colour);
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
    SelectObject(dc, old);
    DeleteObject(pen);
}

void polygon(HDC dc, const POINT* points, int count, COLORREF colour) {
    withBrushAndPen(dc, CreateSolidBrush(colour), CreatePen(PS_SOLID, 1, colour),
                    [&] { Polygon(dc, points, count); });
}

void solidPolygon(HDC dc, const POINT* points, int count, COLORREF colour) {
    withBrushAndPen(dc, CreateSolidBrush(colour), nullptr, [&] { Polygon(dc, points, count); });
}

void text(HDC dc, const std::string& s, RECT box, COLORREF colour, HFONT font, UINT format) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, colour);
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextA(dc, s.c_str(), static_cast<int>(s.size()), &box, format);
    SelectObject(dc, old);
}

}  // namespace melkrin::skin
