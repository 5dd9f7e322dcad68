#pragma once
// The installer's only window: caption, label and icon, laid out in twips and
// scaled to the system DPI.
#include <windows.h>

#include <functional>

#include "platform/scoped-win32.h"

class Form1Window {
public:
    explicit Form1Window(HINSTANCE instance);
    Form1Window(const Form1Window&) = delete;
    Form1Window& operator=(const Form1Window&) = delete;
    ~Form1Window();

    HWND handle() const { return window_; }

    /// Shows the window and runs its message loop. `activation` runs once, on
    /// the first activation, after the window has been painted, from this loop
    /// rather than from inside the window procedure, so that whatever it throws
    /// travels through our own frames only. Returns when it has returned.
    void run(int show_command, const std::function<void()>& activation);

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);

    HWND window_ = nullptr;
    HWND label_ = nullptr;
    platform::ScopedGdiObject form_font_;
    platform::ScopedGdiObject label_font_;
    bool activated_ = false;
};
