#include "Screen.h"

int ScreenPixelsPerInch(int index)
{
    HDC screen = GetDC(nullptr);
    const int ppi = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return ppi;
}
