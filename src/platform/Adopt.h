// Takes over a reference that a creation call handed out.
#pragma once

#include <wrl/client.h>

// mingw-w64's ComPtr::Attach adds a reference of its own, unlike the
// documented one, so a pointer fresh from a factory would never be freed.
// Writing through the address hands the reference over as it is.
template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* object) {
    Microsoft::WRL::ComPtr<T> owner;
    *owner.ReleaseAndGetAddressOf() = object;
    return owner;
}
