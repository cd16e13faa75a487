#include "WindowClass.h"

#include "Exceptions.h"

void EnsureWindowClass(const WNDCLASSW& windowClass)
{
    WNDCLASSW existing{};
    if (GetClassInfoW(windowClass.hInstance, windowClass.lpszClassName, &existing)) return;
    if (RegisterClassW(&windowClass) == 0) throw EOutOfResources("Error creating window class");
}
