// How the main window's owner-drawn controls and containers look.
#include "app/win32/main_window_win32.h"

namespace melkrin {

void Win32MainWindow::measureItem(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType == ODT_COMBOBOX) item.itemHeight = static_cast<UINT>(skin::scale(17, dpi_));
}

LRESULT Win32MainWindow::colourFor(HDC dc, HWND hwnd) {
    const Control* c = find(hwnd);
    SetBkMode(dc, OPAQUE);
    if (c && (c->kind == Kind::Field || c->kind == Kind::List)) {
        SetTextColor(dc, IsWindowEnabled(hwnd) ? skin::kFieldText : RGB(130, 130, 130));
        SetBkColor(dc, skin::kFieldBack);
        return reinterpret_cast<LRESULT>(fieldBrush_);
    }
    COLORREF ink = skin::kSilver;
    if (c && c->id == ControlId::VersionText) ink = skin::kWhite;
    if (c && c->id == ControlId::ProgressTitle) ink = themed_ ? skin::kAccent : skin::kWhite;
    SetTextColor(dc, ink);
    if (c && (c->id == ControlId::StatusText || c->id == ControlId::ProgressTitle)) {
        SetBkColor(dc, skin::kBlack);
        return reinterpret_cast<LRESULT>(blackBrush_);
    }
    SetBkColor(dc, panelColour());
    return reinterpret_cast<LRESULT>(panelBrush_);
}

void Win32MainWindow::paintContainer(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT box;
    GetClientRect(hwnd, &box);
    const Control* c = find(hwnd);
    const ControlId id = c ? c->id : ControlId::PageControl;
    const COLORREF accent = themed_ ? skin::kAccent : skin::kDesignCaption;
    if (id == ControlId::NavigationBar) {
        skin::fill(dc, box, skin::kBlack);
    } else if (id == ControlId::ProgressPanel) {
        skin::fill(dc, box, skin::kBlack);
        skin::frame(dc, box, accent);
    } else if (id == ControlId::PageControl) {
        skin::fill(dc, box, panelColour());
    } else {
        skin::fill(dc, box, panelColour());
        if (c && c->kind == Kind::Frame) {
            // The option frame: a rounded edge with its caption set into the top line.
            HGDIOBJ old = SelectObject(dc, fonts_.bold);
            SIZE extent{};
            GetTextExtentPoint32A(dc, c->caption.c_str(), static_cast<int>(c->caption.size()), &extent);
            SelectObject(dc, old);
            RECT edge{box.left, box.top + extent.cy / 2, box.right, box.bottom};
            HBRUSH hollow = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
            HPEN pen = CreatePen(PS_SOLID, 1, themed_ ? RGB(210, 160, 40) : skin::kSilver);
            HGDIOBJ oldBrush = SelectObject(dc, hollow);
            HGDIOBJ oldPen = SelectObject(dc, pen);
            RoundRect(dc, edge.left, edge.top, edge.right, edge.bottom, px(8), px(8));
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
            DeleteObject(pen);
            RECT caption{box.left + px(8), box.top, box.left + px(8) + extent.cx, box.top + extent.cy};
            skin::fill(dc, caption, panelColour());
            skin::text(dc, c->caption, caption, skin::kWhite, fonts_.bold, DT_LEFT | DT_TOP | DT_SINGLELINE);
        } else if (id == ControlId::PathAndNotesPage || id == ControlId::ResolutionAndDemoPage || id == ControlId::HdrAndFiltersPage ||
                   id == ControlId::UpdatePage || id == ControlId::AboutPage || id == ControlId::PassesAndHistoryPage) {
            skin::frame(dc, box, RGB(160, 116, 16));
        }
        // Fields sit in a dark well with a thin frame.
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            const Control* field = find(child);
            if (!field || field->kind != Kind::Field || !(GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE)) continue;
            RECT well;
            GetWindowRect(child, &well);
            MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&well), 2);
            InflateRect(&well, px(3), px(2));
            skin::fill(dc, well, skin::kFieldBack);
            skin::frame(dc, well, IsWindowEnabled(child) ? skin::kItemFrame : RGB(80, 70, 50));
        }
    }
    EndPaint(hwnd, &ps);
}

void Win32MainWindow::drawItem(const DRAWITEMSTRUCT& item) {
    const Control* c = find(item.hwndItem);
    if (!c) return;
    HDC dc = item.hDC;
    const RECT& box = item.rcItem;
    const bool enabled = !(item.itemState & ODS_DISABLED);
    const bool pressed = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const COLORREF accent = themed_ ? skin::kAccent : skin::kDesignCaption;

    if (item.CtlType == ODT_COMBOBOX) {
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        const bool edit = (item.itemState & ODS_COMBOBOXEDIT) != 0;
        skin::fill(dc, box, selected && !edit ? skin::kItemHighlight : skin::kFieldBack);
        if (item.itemID != static_cast<UINT>(-1)) {
            char buffer[128] = {};
            SendMessageA(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(buffer));
            RECT t = box;
            t.left += px(4);
            skin::text(dc, buffer, t, enabled ? skin::kWhite : RGB(130, 130, 130), fonts_.normal,
                       DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        return;
    }

    switch (c->kind) {
        case Kind::Image:
            if (c->id == ControlId::Background) {
                skin::drawMainBackground(dc, box, dpi_, themed_, fonts_);
            } else {
                skin::fill(dc, box, panelColour());
                skin::drawLogo(dc, box, dpi_, fonts_);
            }
            return;
        case Kind::Separator: skin::drawSeparator(dc, box, themed_); return;
        case Kind::StatusBar: {
            skin::fill(dc, box, skin::kBlack);
            RECT top{box.left, box.top, box.right, box.top + 1};
            skin::fill(dc, top, RGB(48, 48, 48));
            return;
        }
        case Kind::RunButton: skin::drawRunButton(dc, box, c->hot, pressed, enabled, dpi_, fonts_); return;
        case Kind::PictureButton:
        case Kind::CaptionButton: {
            HWND parent = GetParent(item.hwndItem);
            const COLORREF back = parent == hwnd_ ? skin::kBlack : panelColour();
            if (c->id == ControlId::MinimiseButton || c->id == ControlId::CloseButton) {
                // The chrome sits on the title band: no frame, only the glyph.
                POINT origin{};
                SetViewportOrgEx(dc, -px(c->id == ControlId::MinimiseButton ? 438 : 462), -px(8), &origin);
                skin::drawMainBackground(dc, RECT{0, 0, px(490), px(340)}, dpi_, themed_, fonts_);
                SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
                if (c->hot || focused) {
                    RECT ring = box;
                    skin::frame(dc, ring, c->id == ControlId::CloseButton ? RGB(220, 60, 40) : accent);
                }
                skin::drawGlyph(dc, box, c->glyph, c->hot ? skin::kItemHot : skin::kSilver, dpi_);
                return;
            }
            skin::drawToolButton(dc, box, c->glyph, c->caption, c->hot, pressed, enabled, focused, back, dpi_, fonts_);
            return;
        }
        case Kind::PushButton:
            skin::drawPushButton(dc, box, c->caption, c->hot, pressed, enabled, focused, dpi_, fonts_);
            return;
        case Kind::Check:
        case Kind::Radio:
            skin::drawOptionItem(dc, box, c->caption, c->kind == Kind::Radio, c->checked, c->hot, enabled, focused,
                                 panelColour(), dpi_, fonts_);
            return;
        case Kind::NavHeader: {
            const bool open = openGroup_ == (c->id == ControlId::BenchmarkGroup ? 1 : 2);
            skin::verticalGradient(dc, box, RGB(48, 36, 8), RGB(14, 10, 2));
            RECT line{box.left, box.bottom - 1, box.right, box.bottom};
            skin::fill(dc, line, open ? accent : RGB(70, 52, 10));
            RECT arrow{box.left + px(4), box.top, box.left + px(18), box.bottom};
            const int cx = (arrow.left + arrow.right) / 2;
            const int cy = (arrow.top + arrow.bottom) / 2;
            POINT tri[3];
            if (open) {
                tri[0] = {cx - px(4), cy - px(2)}; tri[1] = {cx + px(4), cy - px(2)}; tri[2] = {cx, cy + px(3)};
            } else {
                tri[0] = {cx - px(2), cy - px(4)}; tri[1] = {cx + px(3), cy}; tri[2] = {cx - px(2), cy + px(4)};
            }
            HBRUSH brush = CreateSolidBrush(accent);
            HPEN pen = CreatePen(PS_SOLID, 1, accent);
            HGDIOBJ ob = SelectObject(dc, brush);
            HGDIOBJ op = SelectObject(dc, pen);
            Polygon(dc, tri, 3);
            SelectObject(dc, ob);
            SelectObject(dc, op);
            DeleteObject(brush);
            DeleteObject(pen);
            RECT t{box.left + px(20), box.top, box.right, box.bottom};
            skin::text(dc, c->caption, t, c->hot ? skin::kItemHot : accent, fonts_.caption,
                       DT_LEFT | DT_VCENTER | DT_SINGLELINE);
            if (focused) {
                RECT f = box;
                InflateRect(&f, -1, -1);
                skin::frame(dc, f, RGB(120, 90, 20));
            }
            return;
        }
        case Kind::NavItem: {
            const bool selected = selectedItem_ == c->id;
            skin::fill(dc, box, skin::kBlack);
            RECT face{box.left + px(4), box.top + px(1), box.right - px(1), box.bottom - px(1)};
            if (selected) {
                skin::roundBox(dc, face, panelColour(), accent, px(6));
                RECT bar{face.left + px(3), face.top + px(4), face.left + px(5), face.bottom - px(4)};
                skin::fill(dc, bar, accent);
            } else if (c->hot || focused) {
                skin::roundBox(dc, face, RGB(30, 22, 4), RGB(70, 52, 10), px(6));
            }
            RECT t{face.left + px(9), face.top, face.right, face.bottom};
            // Without DT_NOPREFIX a doubled "&" shows as one.
            skin::text(dc, c->caption, t, selected ? skin::kWhite : c->hot ? skin::kItemHot : skin::kSilver,
                       fonts_.normal, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_HIDEPREFIX);
            return;
        }
        default:
            return;
    }
}

}  // namespace melkrin
