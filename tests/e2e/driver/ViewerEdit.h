// Edit1 of the viewer as the user reaches it: found among the main window's
// children, focused by a real click, its text replaced by real key strokes.
#pragma once

#include <windows.h>

#include <string>

HWND FindEdit1(HWND main);
// Clicks the middle of the edit and waits until it has the focus.
bool FocusByClick(HWND main, HWND edit, DWORD threadId);
HWND FocusOf(DWORD threadId);
// Selects the whole text, then types keys over it. The keys may pass
// through invalid texts on the way, whose boxes the caller sees.
void TypeOver(HWND edit, const std::wstring& keys);
bool WaitEditText(HWND edit, const std::wstring& expected, DWORD timeoutMs);
