#include "Accessibility.h"

namespace {

template <class Function>
bool Resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

// The library is loaded once and never freed, because the COM runtime may
// hold objects it made up to the end of the process.
const AccessibilityLibrary* AccessibilityLibrary::Get() noexcept {
    static AccessibilityLibrary library;
    static const bool complete = [] {
        HMODULE module = LoadLibraryW(L"oleacc.dll");
        return module != nullptr && Resolve(module, "LresultFromObject", library.resultFromObject_) &&
            Resolve(module, "CreateStdAccessibleObject", library.createStandardObject_) &&
            Resolve(module, "AccessibleObjectFromWindow", library.objectFromWindow_);
    }();
    return complete ? &library : nullptr;
}

LRESULT AccessibilityLibrary::ResultFromObject(REFIID iid, WPARAM wParam, IUnknown* object) const noexcept {
    return resultFromObject_(iid, wParam, object);
}

HRESULT AccessibilityLibrary::CreateStandardObject(HWND window, LONG objectId, REFIID iid,
                                                   void** object) const noexcept {
    return createStandardObject_(window, objectId, iid, object);
}

HRESULT AccessibilityLibrary::ObjectFromWindow(HWND window, DWORD objectId, REFIID iid, void** object) const noexcept {
    return objectFromWindow_(window, objectId, iid, object);
}
