// The class factory for the double's CLSID, one static object for the module.
#pragma once

#include <unknwn.h>

namespace qbdouble {

class ClassFactory final : public IClassFactory {
 public:
  static ClassFactory& Instance();

  // True while a caller holds a reference, which keeps the module loaded.
  bool InUse() const { return refs_ != 0; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

 private:
  ClassFactory() = default;

  volatile LONG refs_ = 0;
};

}  // namespace qbdouble
