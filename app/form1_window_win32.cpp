#include "app/form1_window_win32.h"

#include <commctrl.h>

#include <vector>

#include "app/form1.h"

namespace melkrin {
namespace {

constexpr const char* kClassName = "TForm1";
constexpr const char* kContainerClass = "TMelkrinPanel";
constexpr int kClientWidth = 490;
constexpr int kClientHeight = 340;

void centreOnDesktop(HWND hwnd) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT box{};
    GetWindowRect(hwnd, &box);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(hwnd, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool isOwnerDrawnButton(Form1Window::Kind kind) {
    using K = Form1Window::Kind;
    switch (kind) {
        case K::Check: case K::Radio: case K::PictureButton: case K::CaptionButton: case K::PushButton:
        case K::RunButton: case K::NavHeader: case K::NavItem:
            return true;
        default:
            return false;
    }
}

// Picture buttons carry their hint as window text, so screen readers and UI tests find them.
bool textIsHint(Form1Window::Kind kind) {
    return kind == Form1Window::Kind::PictureButton || kind == Form1Window::Kind::RunButton;
}

// The window's chrome pictures and the run button point like links.
bool hasHandCursor(ControlId id) {
    return id == ControlId::Image2 || id == ControlId::Image3 || id == ControlId::BenchButton;
}

// Items that toggle or switch on every click, as native check boxes do; the
// second of two quick clicks arrives as a double click.
bool takesEveryClick(Form1Window::Kind kind) {
    using K = Form1Window::Kind;
    return kind == K::Check || kind == K::Radio || kind == K::NavHeader || kind == K::NavItem;
}

constexpr ControlId kDemoItems[4] = {ControlId::Demo0, ControlId::Demo1, ControlId::Demo2, ControlId::Demo3};
constexpr ControlId kPages[5] = {ControlId::Page0, ControlId::Page1, ControlId::Page2, ControlId::Page3,
                                 ControlId::Page4};

}  // namespace

Form1Window::Form1Window(HINSTANCE instance) : instance_(instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form1Window::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconA(instance, "MAINICON");
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = kClassName;
    RegisterClassExA(&wc);

    WNDCLASSEXA panel{};
    panel.cbSize = sizeof(panel);
    panel.lpfnWndProc = &Form1Window::containerProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursor(nullptr, IDC_ARROW);
    panel.lpszClassName = kContainerClass;
    RegisterClassExA(&panel);

    hwnd_ = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_CONTROLPARENT, kClassName, "Melkrin",
                            WS_POPUP | WS_CLIPCHILDREN | WS_MINIMIZEBOX | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT,
                            kClientWidth, kClientHeight, nullptr, nullptr, instance, this);
    dpi_ = skin::dpiOf(hwnd_);
    SetWindowPos(hwnd_, nullptr, 0, 0, px(kClientWidth), px(kClientHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    centreOnDesktop(hwnd_);
    fonts_.create(dpi_);
    panelBrush_ = CreateSolidBrush(panelColour());
    fieldBrush_ = CreateSolidBrush(skin::kFieldBack);
    blackBrush_ = CreateSolidBrush(skin::kBlack);
    createControls();
}

Form1Window::~Form1Window() {
    if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
    fonts_.destroy();
    for (HBRUSH brush : {panelBrush_, fieldBrush_, blackBrush_})
        if (brush) DeleteObject(brush);
}

void Form1Window::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
    // The keyboard starts in the navigation bar.
    SetFocus(at(ControlId::Group1).hwnd);
}

Form1Window* Form1Window::of(HWND anyChild) {
    HWND root = GetAncestor(anyChild, GA_ROOT);
    return reinterpret_cast<Form1Window*>(GetWindowLongPtrA(root ? root : anyChild, GWLP_USERDATA));
}

LRESULT CALLBACK Form1Window::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<Form1Window*>(create->lpCreateParams)->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<Form1Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    return self ? self->handle(message, wParam, lParam) : DefWindowProcA(hwnd, message, wParam, lParam);
}

// Pages, frames, the navigation bar and the progress panel: they paint
// themselves and pass their controls' notifications up to the window.
LRESULT CALLBACK Form1Window::containerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Form1Window* self = of(hwnd);
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_MEASUREITEM:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return SendMessageA(GetAncestor(hwnd, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            if (self) {
                self->paintContainer(hwnd);
                return 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (self) {
                self->relayHintMove();
                self->pointerMoved(hwnd);
            }
            break;
        case WM_MOUSELEAVE:
            if (self) self->pointerLeft(hwnd);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Form1Window::controlSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<Form1Window*>(data);
    switch (message) {
        case WM_MOUSEMOVE:
            self->pointerMoved(hwnd);
            break;
        case WM_MOUSELEAVE:
            self->pointerLeft(hwnd);
            break;
        case BM_GETCHECK:
            if (Control* c = self->find(hwnd); c && (c->kind == Kind::Check || c->kind == Kind::Radio))
                return c->checked ? BST_CHECKED : BST_UNCHECKED;
            break;
        case BM_SETCHECK:
            if (Control* c = self->find(hwnd); c && (c->kind == Kind::Check || c->kind == Kind::Radio)) {
                c->checked = wParam == BST_CHECKED;
                InvalidateRect(hwnd, nullptr, FALSE);
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (Control* c = self->find(hwnd); c && hasHandCursor(c->id)) {
                SetCursor(LoadCursor(nullptr, IDC_HAND));
                return TRUE;
            }
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(hwnd, &Form1Window::controlSubclass, 1);
            break;
        default:
            break;
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Form1Window::tooltipSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                              DWORD_PTR data) {
    auto* self = reinterpret_cast<Form1Window*>(data);
    if (message == TTM_WINDOWFROMPOINT) {
        const POINT at = *reinterpret_cast<const POINT*>(lParam);
        for (const auto& [id, c] : self->controls_) {
            RECT box{};
            if (c.hint.empty() || IsWindowEnabled(c.hwnd) || !IsWindowVisible(c.hwnd) || !GetWindowRect(c.hwnd, &box))
                continue;
            if (PtInRect(&box, at)) return reinterpret_cast<LRESULT>(self->hwnd_);
        }
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Form1Window::tooltipSubclass, 1);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

LRESULT Form1Window::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (lParam) command(static_cast<ControlId>(LOWORD(wParam)), HIWORD(wParam));
            return 0;
        case WM_DRAWITEM:
            drawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_MEASUREITEM:
            measureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            return colourFor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->code == TTN_GETDISPINFOA) {
                auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
                static std::string tip;
                // The control's own tool is keyed by its handle, its parent's by its id.
                const Control* c = (info->uFlags & TTF_IDISHWND)
                                       ? find(reinterpret_cast<HWND>(header->idFrom))
                                       : find(static_cast<ControlId>(header->idFrom));
                tip = c ? c->hint : std::string();
                info->lpszText = tip.data();
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
            // Image1MouseDown: the background drags the window as its caption would.
            ReleaseCapture();
            SendMessageA(hwnd_, WM_SYSCOMMAND, 0xF012, 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_DPICHANGED:
            rescale(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_CLOSE:
            if (onClose) onClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

bool Form1Window::preTranslate(MSG& message) {
    if (!IsWindow(hwnd_) || (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd))) return false;
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN) {
        // Enter presses the focused button, as Space does.
        if (Control* c = find(GetFocus()); c && isOwnerDrawnButton(c->kind)) {
            PostMessageA(c->hwnd, BM_CLICK, 0, 0);
            return true;
        }
    }
    return IsDialogMessageA(hwnd_, &message) != 0;
}

// ---------------------------------------------------------------- events

void Form1Window::call(void (TForm1::*handler)()) {
    if (presenter_) presenter_->guarded([&] { (presenter_->*handler)(); });
}

void Form1Window::command(ControlId id, int code) {
    Control* c = find(id) ? &at(id) : nullptr;
    if (!c) return;
    if (c->kind == Kind::List) {
        if (code != CBN_SELCHANGE) return;
        if (id == ControlId::AFBox) call(&TForm1::AFBoxChange);
        if (id == ControlId::AABox) call(&TForm1::AABoxChange);
        if (id == ControlId::RendererBox) call(&TForm1::RendererBoxChange);
        return;
    }
    if (id == ControlId::NoteEdit) {
        if (code == EN_KILLFOCUS) call(&TForm1::NoteEditExit);
        return;
    }
    if (code != BN_CLICKED && !(code == BN_DOUBLECLICKED && takesEveryClick(c->kind))) return;
    // A disabled item cannot be chosen, not even by a click sent from outside.
    if (!IsWindowEnabled(c->hwnd)) return;
    switch (c->kind) {
        case Kind::Check:
            c->checked = !c->checked;
            InvalidateRect(c->hwnd, nullptr, FALSE);
            return;
        case Kind::Radio:
            // The demo group marks the new item and unmarks the others, then reports the change.
            for (ControlId item : kDemoItems) setChecked(item, item == id);
            call(&TForm1::demoChanging);
            return;
        case Kind::NavHeader:
            openGroup_ = (openGroup_ == (id == ControlId::Group1 ? 1 : 2)) ? 0 : (id == ControlId::Group1 ? 1 : 2);
            layoutNavBar();
            return;
        case Kind::NavItem:
            navigate(id);
            return;
        default:
            break;
    }
    switch (id) {
        case ControlId::Image2: call(&TForm1::Image2Click); break;
        case ControlId::Image3: call(&TForm1::Image3Click); break;
        case ControlId::BenchButton: call(&TForm1::BenchButtonClick); break;
        case ControlId::ToolButton1: call(&TForm1::ToolButton1Click); break;
        case ControlId::OpenResFolder: call(&TForm1::OpenResFolderClick); break;
        case ControlId::CusPossibilities: call(&TForm1::CusPossibilitiesClick); break;
        case ControlId::DemoEditButton: call(&TForm1::DemoEditButtonClick); break;
        case ControlId::ToolButton3: call(&TForm1::ToolButton3Click); break;
        default: break;
    }
}

void Form1Window::navigate(ControlId item) {
    const ControlId previous = selectedItem_;
    selectedItem_ = item;
    if (Control* old = find(previous) ? &at(previous) : nullptr) InvalidateRect(old->hwnd, nullptr, FALSE);
    InvalidateRect(at(item).hwnd, nullptr, FALSE);
    static const std::pair<ControlId, void (TForm1::*)()> handlers[] = {
        {ControlId::Group1Item0, &TForm1::Group1Items0Click}, {ControlId::Group1Item1, &TForm1::Group1Items1Click},
        {ControlId::Group1Item2, &TForm1::Group1Items2Click}, {ControlId::Group2Item0, &TForm1::Group2Items0Click},
        {ControlId::Group2Item1, &TForm1::Group2Items1Click}, {ControlId::Group2Item2, &TForm1::Group2Items2Click},
        {ControlId::Group2Item3, &TForm1::Group2Items3Click}};
    for (const auto& [id, handler] : handlers)
        if (id == item) call(handler);
}

namespace {

POINT cursor() {
    POINT at{};
    GetCursorPos(&at);
    return at;
}

bool cursorWithin(HWND hwnd) {
    RECT box{};
    GetWindowRect(hwnd, &box);
    return PtInRect(&box, cursor()) != 0;
}

}  // namespace

// A disabled control gets no pointer moves: the window beneath it does (a
// panel, or the window itself). Those moves reach the tooltip as moves over
// the window, where each hinted control also has a tool over its rectangle,
// and the tooltip is told that the window lies under the pointer there
// (tooltipSubclass), so the hint of a disabled control (the reason it is
// disabled) still shows.
void Form1Window::relayHintMove() {
    if (!tooltip_) return;
    const POINT screen = cursor();
    POINT local = screen;
    ScreenToClient(hwnd_, &local);
    MSG move{hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(local.x, local.y), static_cast<DWORD>(GetMessageTime()), screen};
    SendMessageA(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

// The pointer's real position decides, not the order of the messages: a
// move that arrives late, or a second leave, changes nothing.
void Form1Window::pointerMoved(HWND hwnd) {
    Control* c = find(hwnd);
    if (!c || WindowFromPoint(cursor()) != hwnd) return;
    // Asked on every move: a leave that was lost (capture, a modal box) never
    // leaves the control without a pending report.
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
    TrackMouseEvent(&track);
    resolutionGroup_.left(PointerEvent::Moved, resolutionPointer(*c));
    if (!c->hot) {
        c->hot = true;
        if (isOwnerDrawnButton(c->kind)) InvalidateRect(hwnd, nullptr, FALSE);
    }
}

void Form1Window::pointerLeft(HWND hwnd) {
    Control* c = find(hwnd);
    if (!c || !c->hot) return;
    if (WindowFromPoint(cursor()) == hwnd) {
        // Still over the control (a popup came and went): keep watching.
        TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        return;
    }
    c->hot = false;
    if (isOwnerDrawnButton(c->kind)) InvalidateRect(hwnd, nullptr, FALSE);
    switch (c->id) {
        case ControlId::NoteEdit: call(&TForm1::NoteEditMouseLeave); break;
        case ControlId::CusResBox: call(&TForm1::cusresboxMouseLeave); break;
        case ControlId::HDRBox: call(&TForm1::HDRBoxMouseLeave); break;
        default: break;
    }
    if (resolutionGroup_.left(PointerEvent::Left, resolutionPointer(*c))) call(&TForm1::resMouseLeave);
}

PointerAt Form1Window::resolutionPointer(const Control& c) {
    const HWND group = at(ControlId::Res).hwnd;
    return PointerAt{c.id == ControlId::Res || c.group == ControlId::Res, cursorWithin(group),
                     IsWindowVisible(group) != 0};
}

// ---------------------------------------------------------------- MainView

Form1Window::Control* Form1Window::find(HWND hwnd) {
    const auto it = byHandle_.find(hwnd);
    return it == byHandle_.end() ? nullptr : &controls_[it->second];
}

const Form1Window::Control* Form1Window::find(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : &it->second;
}

Form1Window::Control& Form1Window::at(ControlId id) { return controls_.at(id); }

HWND Form1Window::control(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hwnd : nullptr;
}

void Form1Window::setText(ControlId id, const std::string& text) {
    Control& c = at(id);
    c.caption = text;
    if (textIsHint(c.kind))
        InvalidateRect(c.hwnd, nullptr, FALSE);
    else
        SetWindowTextA(c.hwnd, text.c_str());
}

std::string Form1Window::text(ControlId id) const {
    const Control* c = find(id);
    if (!c) return {};
    if (textIsHint(c->kind)) return c->caption;
    const int length = GetWindowTextLengthA(c->hwnd);
    std::string out(static_cast<std::size_t>(length) + 1, '\0');
    out.resize(static_cast<std::size_t>(GetWindowTextA(c->hwnd, out.data(), length + 1)));
    return out;
}

void Form1Window::setChecked(ControlId id, bool checked) {
    Control& c = at(id);
    c.checked = checked;
    InvalidateRect(c.hwnd, nullptr, FALSE);
}

bool Form1Window::checked(ControlId id) const {
    const Control* c = find(id);
    return c && c->checked;
}

void Form1Window::setEnabled(ControlId id, bool enabled) { EnableWindow(at(id).hwnd, enabled ? TRUE : FALSE); }

bool Form1Window::enabled(ControlId id) const {
    const Control* c = find(id);
    return c && IsWindowEnabled(c->hwnd);
}

void Form1Window::setVisible(ControlId id, bool visible) {
    HWND hwnd = at(id).hwnd;
    if (visible) SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(hwnd, visible ? SW_SHOW : SW_HIDE);
}

bool Form1Window::visible(ControlId id) const {
    const Control* c = find(id);
    return c && (GetWindowLongPtrA(c->hwnd, GWL_STYLE) & WS_VISIBLE);
}

void Form1Window::setSelection(ControlId id, int index) {
    if (id == ControlId::Demo) {
        for (int i = 0; i < 4; ++i) setChecked(kDemoItems[i], i == index);
        return;
    }
    SendMessageA(at(id).hwnd, CB_SETCURSEL, index < 0 ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(index), 0);
}

int Form1Window::selection(ControlId id) const {
    if (id == ControlId::Demo) {
        for (int i = 0; i < 4; ++i)
            if (checked(kDemoItems[i])) return i;
        return kNoSelection;
    }
    const Control* c = find(id);
    if (!c) return kNoSelection;
    const LRESULT index = SendMessageA(c->hwnd, CB_GETCURSEL, 0, 0);
    return index == CB_ERR ? kNoSelection : static_cast<int>(index);
}

void Form1Window::setHint(ControlId id, const std::string& hint) {
    Control& c = at(id);
    c.hint = hint;
    if (textIsHint(c.kind)) SetWindowTextA(c.hwnd, hint.c_str());
    if (tooltip_) addTooltip(c);
}

std::string Form1Window::hint(ControlId id) const {
    const Control* c = find(id);
    return c ? c->hint : std::string();
}

void Form1Window::showPage(int page) {
    if (page < 0 || page > 4) return;
    page_ = page;
    for (int i = 0; i < 5; ++i) ShowWindow(at(kPages[i]).hwnd, i == page ? SW_SHOW : SW_HIDE);
}

void Form1Window::applyTheme() {
    themed_ = true;
    if (panelBrush_) DeleteObject(panelBrush_);
    panelBrush_ = CreateSolidBrush(panelColour());
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

void Form1Window::repaint(ControlId id) {
    RedrawWindow(at(id).hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

}  // namespace melkrin
