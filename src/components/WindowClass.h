// The program's own window classes: registering each once per process, and
// the one window procedure that serves them all.
#pragma once

#include "CatchSite.h"
#include "Exceptions.h"

#include <windows.h>

// Registers windowClass unless a class of its name exists in its instance.
// Raises EOutOfResources "Error creating window class" when refused.
inline void EnsureWindowClass(const WNDCLASSW& windowClass) {
    WNDCLASSW existing{};
    if (GetClassInfoW(windowClass.hInstance, windowClass.lpszClassName, &existing)) return;
    if (RegisterClassW(&windowClass) == 0) throw EOutOfResources("Error creating window class");
}

// The window procedure for windows of objects of T, which come as the last
// argument of CreateWindowEx and stay with the window from WM_NCCREATE to
// WM_NCDESTROY, so that messages sent during creation reach them too. False
// from HandleMessage leaves a message to the default procedure; a failed
// handler counts as having handled it.
template <class T>
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created != nullptr) created->AttachWindow(window);
    }
    auto* object = reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    LRESULT result = 0;
    bool handled = false;
    if (!CatchSite(object, [&] { handled = object->HandleMessage(message, wParam, lParam, result); })) return 0;
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}
