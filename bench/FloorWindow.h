// What both start-up floors do alike: register their one window class and run the message loop until WM_QUIT.
#pragma once

#include <windows.h>

inline bool RegisterFloorClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int backgroundColour) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(INT_PTR(backgroundColour) + 1);
    windowClass.lpszClassName = name;
    return RegisterClassW(&windowClass) != 0;
}

inline void RunMessageLoop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
