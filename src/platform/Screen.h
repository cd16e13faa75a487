// The screen's logical resolution, which scaling and the browser's extent use,
// and the screen's physical pixels, in which screen readers measure.
#pragma once

#include <windows.h>

// Returns LOGPIXELSY by default, the vertical resolution that fonts are measured in.
int ScreenPixelsPerInch(int index = LOGPIXELSY);

// The program declares no awareness of the screen's resolution, so on a
// scaled desktop its screen coordinates are logical ones, which a reader in
// another process does not share. A platform without the conversion does not
// scale, and the point stays as it is.
POINT LogicalToPhysical(HWND window, POINT point);
POINT PhysicalToLogical(HWND window, POINT point);
