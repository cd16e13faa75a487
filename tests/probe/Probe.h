// Helpers that read another process's windows without hanging on it, shared by the e2e driver and the bench driver.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string Utf8(const std::wstring& text);
// Polls every 25 ms until the condition holds; false once the time has run out.
bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// Dispatches the messages that wait on this thread, which also hands over an out-of-context WinEvent hook's events.
void DispatchWaiting();
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);  // WM_GETTEXT, since GetWindowText does not read another process's controls
RECT RectIn(HWND window, HWND reference);  // in the client coordinates of reference
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::vector<HWND> TopLevelsOf(DWORD processId);  // hidden ones too, topmost first
HWND TopLevelOf(DWORD processId, const wchar_t* className, bool visibleOnly = false);  // the first of that class
