// Registration of the program's own window classes, each once per process.
#pragma once

#include <windows.h>

// Registers windowClass unless a class of its name exists in its instance.
// Raises EOutOfResources "Error creating window class" when refused.
void EnsureWindowClass(const WNDCLASSW& windowClass);
