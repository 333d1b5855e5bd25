#pragma once
#include <windows.h>

#include <functional>

#include "app/state_view.h"

namespace melkrin {

// The main window TForm1: borderless, 490 x 340 at 96 DPI, centred. Holds the
// control state behind MainView and draws it.
class Form1Window {
public:
    explicit Form1Window(HINSTANCE instance);
    ~Form1Window();
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    MainView& view() { return state_; }
    void show();

    // Called when the window is closed by the system's means (not by its close picture).
    std::function<void()> onClose;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void paint();

    HWND hwnd_ = nullptr;
    StateView state_;
};

// The hidden helper windows created after the main window: TForm2
// ("Please wait...") and TForm3 (resolution possibilities).
HWND createHiddenForm(HINSTANCE instance, const char* className, int width, int height);

// Pixels at 96 DPI scaled for the window's monitor.
int scaleForWindow(HWND hwnd, int pixels);

}  // namespace melkrin
