#pragma once
// The small windows beside the main window: WaitWindow ("Please wait...") and
// ResolutionListDialog (resolution possibilities), and the application object's part that
// the main window's handlers reach through AppWindows.
#include <windows.h>

#include <functional>
#include <string>

#include "app/resolution_list_dialog.h"
#include "app/win32/skin_win32.h"
#include "app/window_services.h"

namespace melkrin {

class Win32MainWindow;

// "TForm2": borderless, always on top, black, 287 x 100, centred on the desktop.
class Win32WaitWindow {
public:
    Win32WaitWindow(HINSTANCE instance, int dpi);
    ~Win32WaitWindow();
    HWND hwnd() const { return hwnd_; }
    int dpi() const { return dpi_; }
    // Shown at the main window's DPI and painted at once, since the caller blocks afterwards.
    void show(int dpi);
    void close();
    // WM_DPICHANGED, or a show at another DPI (suggested: null to keep the place).
    void rescale(int newDpi, const RECT* suggested);

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND hwnd_ = nullptr;
    int dpi_;
    skin::Fonts fonts_;
};

// "TForm3": borderless, always on top, 228 x 502, centred on the main window.
class Win32ResolutionListDialog final : public PossibilitiesView {
public:
    Win32ResolutionListDialog(HINSTANCE instance, int dpi);
    ~Win32ResolutionListDialog() override;
    HWND hwnd() const { return hwnd_; }
    HWND checkList() const { return list_; }
    // The handlers, run through the application's error display.
    void attach(ResolutionListDialog& presenter, std::function<void(std::function<void()>)> guarded) {
        presenter_ = &presenter;
        guarded_ = std::move(guarded);
    }
    // Before the presenter goes: activation changes while the window is destroyed reach no handler.
    void detach() {
        presenter_ = nullptr;
        guarded_ = {};
    }
    // Modal over the owner, at the owner's DPI, until the dialog closes itself.
    void showModal(HWND owner, int ownerDpi);
    int dpi() const { return dpi_; }
    // WM_DPICHANGED, or a show at another DPI (suggested: null to keep the place).
    void rescale(int newDpi, const RECT* suggested);

    void clearItems() override;
    void addItem(const std::string& text) override;
    int itemCount() const override;
    std::string itemText(int index) const override;
    bool itemChecked(int index) const override;
    void closeDialog() override;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK listProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void run(void (ResolutionListDialog::*handler)());
    void toggle(int index);
    int px(int v) const { return skin::scale(v, dpi_); }

    HWND hwnd_ = nullptr;
    HWND list_ = nullptr;
    HWND close_ = nullptr;
    HWND add_ = nullptr;
    HWND tooltip_ = nullptr;
    int dpi_;
    bool open_ = false;
    bool hot_[2] = {false, false};
    skin::Fonts fonts_;
    ResolutionListDialog* presenter_ = nullptr;
    std::function<void(std::function<void()>)> guarded_;
};

class Win32AppWindows final : public AppWindows {
public:
    Win32AppWindows(Win32MainWindow& main, Win32WaitWindow& waitWindow, Win32ResolutionListDialog& resolutionList)
        : main_(main), waitWindow_(waitWindow), resolutionList_(resolutionList) {}
    void minimiseApplication() override;
    void terminateApplication() override;
    void closeMainWindow() override;
    void showPossibilities() override;
    void showPleaseWait() override;
    void closePleaseWait() override { waitWindow_.close(); }

private:
    Win32MainWindow& main_;
    Win32WaitWindow& waitWindow_;
    Win32ResolutionListDialog& resolutionList_;
};

}  // namespace melkrin
