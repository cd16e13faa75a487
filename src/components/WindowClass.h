// Registering each of the program's own window classes once per process.
#pragma once

#include "Exceptions.h"
#include "MessageTarget.h"

#include <windows.h>

// Registers windowClass, with the procedure that hands its windows' messages
// to their objects, unless a class of its name exists in its instance.
// Raises EOutOfResources "Error creating window class" when refused.
inline void EnsureWindowClass(WNDCLASSW windowClass) {
    windowClass.lpfnWndProc = &MessageTarget::WindowProc;
    WNDCLASSW existing{};
    if (GetClassInfoW(windowClass.hInstance, windowClass.lpszClassName, &existing)) return;
    if (RegisterClassW(&windowClass) == 0) throw EOutOfResources("Error creating window class");
}
