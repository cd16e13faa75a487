// Owners of window and GDI handles and of a paint, so that nothing leaks or
// stays half-done on an early exit.
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
    // The window it holds again, as WM_NCCREATE handed it over, it keeps.
    void Reset(HWND window = nullptr) {
        if (window_ != nullptr && window_ != window && IsWindow(window_)) DestroyWindow(window_);
        window_ = window;
    }
    // Takes what CreateWindowEx returned. Raises EOutOfResources "Error
    // creating window" for none; one that failed after WM_NCCREATE is gone.
    void TakeCreated(HWND created) {
        if (created == nullptr) {
            window_ = nullptr;
            throw EOutOfResources("Error creating window");
        }
        Reset(created);
    }

private:
    HWND window_ = nullptr;
};

class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ object) : object_(object) {}
    ~GdiObject() { Reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    HGDIOBJ Get() const { return object_; }
    HGDIOBJ Release() {
        HGDIOBJ object = object_;
        object_ = nullptr;
        return object;
    }
    void Reset(HGDIOBJ object = nullptr) {
        if (object_ != nullptr) DeleteObject(object_);
        object_ = object;
    }

private:
    HGDIOBJ object_ = nullptr;
};

// The screen's device context, released when the owner goes.
class ScreenDC {
public:
    ScreenDC() : dc_(GetDC(nullptr)) {}
    ~ScreenDC() { ReleaseDC(nullptr, dc_); }
    ScreenDC(const ScreenDC&) = delete;
    ScreenDC& operator=(const ScreenDC&) = delete;

    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

// Selects an object into a device context for the lifetime of the owner.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// A paint of a window, ended however the drawing ends: EndPaint gives the
// display context back and shows the caret that BeginPaint hid.
class PaintSession {
public:
    explicit PaintSession(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
    ~PaintSession() { EndPaint(window_, &paint_); }
    PaintSession(const PaintSession&) = delete;
    PaintSession& operator=(const PaintSession&) = delete;

    HDC Get() const { return dc_; }

private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};
