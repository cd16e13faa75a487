// The owner of a window of the program, which destroys the window when the
// owner goes, so that no window outlives the object it belongs to.
#pragma once

#include "Exceptions.h"

#include <windows.h>

class WindowHandle {
public:
    WindowHandle() = default;
    ~WindowHandle() { Reset(); }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;

    HWND Get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }
    // Destroys the window held, unless it is the one given, and holds the one
    // given instead. The window procedure hands over a window at WM_NCCREATE,
    // and CreateWindowEx returns the same window later, which must survive.
    void Reset(HWND window = nullptr) {
        if (window_ != nullptr && window_ != window) DestroyWindow(window_);
        window_ = window;
    }
    // Lets go of the window without destroying it, at WM_NCDESTROY, when the
    // platform is destroying it already and the handle is about to be dead.
    void Forget() { window_ = nullptr; }
    // Raises EOutOfResources "Error creating window" when CreateWindowEx
    // returned no window.
    void TakeCreated(HWND created) {
        if (created == nullptr) throw EOutOfResources("Error creating window");
        Reset(created);
    }

private:
    HWND window_ = nullptr;
};
