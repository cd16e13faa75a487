// Hands a web address to the user's default browser.
#pragma once

#include <windows.h>

// The shell's answer is deliberately not examined: when no browser is
// registered the shell shows its own message, and the program has nothing
// to add.
void OpenAddress(HWND owner, const char* address);
