// Real input for the viewer: pointer moves, button presses and key strokes
// through SendInput, which the platform delivers like the user's own.
#pragma once

#include <windows.h>

#include <string>

// The point of a window's client area in screen coordinates.
POINT ScreenPoint(HWND window, POINT client);
void MovePointer(POINT screen);
// One press or release of a mouse button where the pointer is.
void PressButton(bool left, bool down);
void Click(POINT screen, bool left = true);
void DoubleClick(POINT screen);
// Types each character as the key that makes it on the current layout,
// Shift included where the layout needs it.
void TypeText(const std::wstring& text);
void PressKey(WORD virtualKey);
// Brings the window to the front so that the input reaches its thread.
bool BringToFront(HWND window, DWORD timeoutMs);
