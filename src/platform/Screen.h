// The screen's logical resolution, which scaling and the browser's extent use.
#pragma once

#include <windows.h>

// LOGPIXELSY by default, the vertical resolution that fonts are measured in.
int ScreenPixelsPerInch(int index = LOGPIXELSY);
