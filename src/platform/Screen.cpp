#include "Screen.h"

#include "GdiOwners.h"

namespace {

using PointConversion = BOOL(WINAPI*)(HWND, POINT*);

// Uses the per-monitor conversion where the platform has it (Windows 8.1 and
// later), else the older one (Windows Vista and later). Both are looked up,
// not imported, so that the program still starts on a platform with neither.
PointConversion FindConversion(const char* perMonitor, const char* plain) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return nullptr;
    FARPROC found = GetProcAddress(user32, perMonitor);
    if (found == nullptr) found = GetProcAddress(user32, plain);
    return reinterpret_cast<PointConversion>(reinterpret_cast<void*>(found));
}

POINT Converted(PointConversion conversion, HWND window, POINT point) {
    POINT converted = point;
    if (conversion != nullptr && conversion(window, &converted)) return converted;
    return point;
}

}  // namespace

int ScreenPixelsPerInch(int index) {
    const ScreenDC screen;
    return GetDeviceCaps(screen.Get(), index);
}

POINT LogicalToPhysical(HWND window, POINT point) {
    static const PointConversion conversion =
        FindConversion("LogicalToPhysicalPointForPerMonitorDPI", "LogicalToPhysicalPoint");
    return Converted(conversion, window, point);
}

POINT PhysicalToLogical(HWND window, POINT point) {
    static const PointConversion conversion =
        FindConversion("PhysicalToLogicalPointForPerMonitorDPI", "PhysicalToLogicalPoint");
    return Converted(conversion, window, point);
}
