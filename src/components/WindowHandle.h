// Owners of window and GDI handles, so that nothing leaks on an early exit.
#pragma once

#include <windows.h>

class WindowHandle {
public:
    WindowHandle() = default;
    explicit WindowHandle(HWND window) : window_(window) {}
    ~WindowHandle() { Reset(); }
    WindowHandle(const WindowHandle&) = delete;
    WindowHandle& operator=(const WindowHandle&) = delete;
    WindowHandle(WindowHandle&& other) noexcept : window_(other.Release()) {}
    WindowHandle& operator=(WindowHandle&& other) noexcept
    {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    HWND Get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }
    HWND Release()
    {
        HWND window = window_;
        window_ = nullptr;
        return window;
    }
    void Reset(HWND window = nullptr)
    {
        if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
        window_ = window;
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
    HGDIOBJ Release()
    {
        HGDIOBJ object = object_;
        object_ = nullptr;
        return object;
    }
    void Reset(HGDIOBJ object = nullptr)
    {
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
