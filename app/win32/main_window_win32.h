#pragma once
// The main window "TForm1": borderless, 490 x 340 at 96 DPI (scaled), centred,
// skinned. It implements MainView with real child controls and forwards each
// control event to the presenter's handler of the same name.
#include <windows.h>

#include <functional>
#include <map>
#include <string>

#include "app/main_view.h"
#include "app/pointer_group.h"
#include "app/win32/skin_win32.h"

namespace melkrin {

class MainWindow;

class Win32MainWindow final : public MainView {
public:
    enum class Kind {
        Image, Label, Field, Check, Radio, List, PictureButton, CaptionButton, PushButton, RunButton,
        Container, Frame, NavHeader, NavItem, Separator, StatusBar, Memo
    };

    explicit Win32MainWindow(HINSTANCE instance);
    ~Win32MainWindow() override;
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    MainView& view() { return *this; }
    // The handlers that control events reach; until then events do nothing.
    void attach(MainWindow& presenter) { presenter_ = &presenter; }
    // Before the presenter goes: notifications sent while the window is
    // destroyed (focus loss, say) then reach no handler.
    void detach() { presenter_ = nullptr; }
    void show();
    // Keyboard navigation (Tab, Enter, Space) for a message of the loop; true when consumed.
    bool preTranslate(MSG& message);
    HWND control(ControlId id) const;
    int dpi() const { return dpi_; }

    // Called when the window is closed by the system's means (not by its close picture).
    std::function<bool()> onClose;  // false: the window stays (a run is being cancelled first)

    // MainView (main_window_view_win32.cpp).
    void setText(ControlId id, const std::string& text) override;
    std::string text(ControlId id) const override;
    void setChecked(ControlId id, bool checked) override;
    bool checked(ControlId id) const override;
    void setEnabled(ControlId id, bool enabled) override;
    bool enabled(ControlId id) const override;
    void setVisible(ControlId id, bool visible) override;
    bool visible(ControlId id) const override;
    void setSelection(ControlId id, int index) override;
    int selection(ControlId id) const override;
    void setHint(ControlId id, const std::string& hint) override;
    std::string hint(ControlId id) const override;
    void showPage(int page) override;
    int page() const override { return page_; }
    void applyTheme() override;
    void repaint(ControlId id) override;

    // Which navigation group is open (0 none, 1 "Benchmark", 2 "Help") and
    // which item is shown as selected (0 for none).
    int openGroup() const { return openGroup_; }
    ControlId selectedItem() const { return selectedItem_; }

private:
    struct Control {
        ControlId id{};
        HWND hwnd = nullptr;
        Kind kind = Kind::Label;
        std::string caption;  // what the control shows
        std::string hint;
        skin::Glyph glyph = skin::Glyph::None;
        ControlId group{};  // the option frame whose pointer-leave this control is part of
        bool checked = false;
        bool hot = false;
    };

    // Procedures (main_window_win32.cpp).
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK containerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK controlSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data);
    static LRESULT CALLBACK tooltipSubclass(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data);
    static Win32MainWindow* of(HWND anyChild);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    // Buttons the window draws itself: they show the pointer over them and take Enter.
    static bool isOwnerDrawnButton(Kind kind);

    // Building (main_window_layout_win32.cpp).
    void createControls();
    // WM_DPICHANGED: every control keeps its place in 96-DPI terms.
    void rescale(int newDpi, const RECT& suggested);
    HWND add(ControlId id, Kind kind, HWND parent, const std::string& caption, int x, int y, int w, int h,
             DWORD extraStyle = 0);
    void addTooltip(Control& control);
    // After the controls moved (a new DPI): the parents' tool rectangles follow.
    void refreshTooltips();
    void layoutNavBar();

    // Event routing (main_window_events_win32.cpp).
    void command(ControlId id, int code);
    void call(void (MainWindow::*handler)());
    void navigate(ControlId item);

    // Pointer tracking (main_window_pointer_win32.cpp).
    void pointerMoved(HWND hwnd);
    void pointerLeft(HWND hwnd);
    PointerAt resolutionPointer(const Control& c);
    void relayHintMove();

    // Drawing (main_window_paint_win32.cpp).
    void drawItem(const DRAWITEMSTRUCT& item);
    void measureItem(MEASUREITEMSTRUCT& item) const;
    void paintContainer(HWND hwnd);
    LRESULT colourFor(HDC dc, HWND control);
    COLORREF panelColour() const { return themed_ ? skin::kPanel : skin::kDesignPanel; }

    // Control look-up (main_window_view_win32.cpp, with the MainView calls).
    Control* find(HWND hwnd);
    Control& at(ControlId id);
    const Control* find(ControlId id) const;
    int px(int pixels) const { return skin::scale(pixels, dpi_); }

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND tooltip_ = nullptr;
    MainWindow* presenter_ = nullptr;
    int dpi_ = 96;
    skin::Fonts fonts_;
    HBRUSH panelBrush_ = nullptr;
    HBRUSH fieldBrush_ = nullptr;
    HBRUSH blackBrush_ = nullptr;
    std::map<ControlId, Control> controls_;
    std::map<HWND, ControlId> byHandle_;
    int page_ = 0;
    bool themed_ = false;
    int openGroup_ = 0;
    ControlId selectedItem_{};
    PointerGroup resolutionGroup_;
};

}  // namespace melkrin
