// Reading another process's windows: classes, texts, owners, styles,
// rectangles, and bounded waits for a window to reach a state.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
HWND OwnerOf(HWND window);
LONG_PTR StyleOf(HWND window);
LONG_PTR ExStyleOf(HWND window);
RECT ScreenRectOf(HWND window);
RECT ClientRectOf(HWND window);
// The window's rectangle in the client coordinates of another window.
RECT RectIn(HWND window, HWND reference);
int Width(const RECT& rect);
int Height(const RECT& rect);

// Top-level windows of a process, hidden ones and message-only ones included.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
HWND FindTopLevel(DWORD processId, const wchar_t* className);
std::vector<HWND> ChildrenOf(HWND parent);  // direct children, in Z order
HWND FindDescendant(HWND ancestor, const wchar_t* className);

// Polls until the predicate holds or the time runs out; never blocks longer.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 25);

// A message to another process's window that cannot hang the driver.
bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT* result = nullptr);
