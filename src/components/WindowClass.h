// The program's own window classes: registering each once per process, and
// finding the object behind a window of one.
#pragma once

#include <windows.h>

// Registers windowClass unless a class of its name exists in its instance.
// Raises EOutOfResources "Error creating window class" when refused.
void EnsureWindowClass(const WNDCLASSW& windowClass);

// The object a window was created for, handed over as CreateWindowEx's last
// argument and kept with the window from WM_NCCREATE on; null before.
template <class T>
T* WindowOwner(HWND window, UINT message, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
