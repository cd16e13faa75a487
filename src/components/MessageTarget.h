// The one way from a window of the program to the object it belongs to and
// back out: the object receives the window's messages from the window's
// first message (or from when a platform window is subclassed) until it
// stops them, and it owns the window until then.
#pragma once

#include "WindowHandle.h"

#include <windows.h>

class TComponent;

class MessageTarget {
public:
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    HWND Handle() const { return window_.Get(); }
    bool HandleAllocated() const { return static_cast<bool>(window_); }
    // Returns true for a message it handled, with its result set; the window's
    // default procedure gets the rest.
    virtual bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    // The object whose messages a window receives, if the window is one of ours.
    static MessageTarget* FromWindow(HWND window);
    // The window procedure of the program's own window classes; the object
    // comes as the last argument of CreateWindowEx.
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // sender is the component that a failure in a handler is reported for.
    explicit MessageTarget(TComponent* sender) : sender_(sender) {}
    ~MessageTarget() { DestroyOwnedWindow(); }

    // Creates the window with this object as the target of its messages.
    // Raises EOutOfResources "Error creating window".
    void CreateOwnedWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& place,
                           HWND parent, HINSTANCE instance);
    // For a platform control: its messages pass HandleMessage first, then go
    // on to the platform's own procedure unless handled.
    void Subclass();
    // Stops the messages reaching this object before the window goes, so that
    // none of those the destruction sends finds the object half torn down.
    void DestroyOwnedWindow();

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                     LRESULT(WINAPI* fallback)(HWND, UINT, WPARAM, LPARAM));
    void AttachWindow(HWND window);
    void StopDispatching();

    TComponent* sender_;
    WindowHandle window_;
    bool subclassed_ = false;
};
