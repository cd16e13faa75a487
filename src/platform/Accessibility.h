// The platform's accessibility library, which hands the program's objects to
// screen readers. It is loaded the first time a reader asks, so that a start
// without one loads nothing more and the executable imports nothing new.
#pragma once

#include <windows.h>
#include <oleacc.h>

class AccessibilityLibrary {
public:
    // The library, loaded on the first call; null where the platform has none.
    static const AccessibilityLibrary* Get() noexcept;

    LRESULT ResultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) const noexcept;
    HRESULT CreateStandardObject(HWND window, LONG objectId, REFIID iid, void** object) const noexcept;
    HRESULT ObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object) const noexcept;

private:
    AccessibilityLibrary() = default;

    decltype(&::LresultFromObject) resultFromObject_ = nullptr;
    decltype(&::CreateStdAccessibleObject) createStandardObject_ = nullptr;
    decltype(&::AccessibleObjectFromWindow) objectFromWindow_ = nullptr;
};
