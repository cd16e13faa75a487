// Takes over the reference that a freshly made COM object starts with.
// mingw-w64's ComPtr::Attach adds a reference of its own, unlike the
// documented one, so it cannot be used for that.
#pragma once

#include <wrl/client.h>

namespace qbdouble {

template <typename Interface>
Microsoft::WRL::ComPtr<Interface> Adopt(Interface* created) {
  Microsoft::WRL::ComPtr<Interface> owner;
  *owner.GetAddressOf() = created;
  return owner;
}

}  // namespace qbdouble
