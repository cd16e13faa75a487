// Creates the double, reading the injected failures before the first one.
#include "ClassFactory.h"

#include "Adopt.h"
#include "BrowserDouble.h"
#include "DoubleLog.h"
#include "FailurePlan.h"
#include "Module.h"

namespace qbdouble {

ClassFactory& ClassFactory::Instance() {
  static ClassFactory factory;
  return factory;
}

HRESULT ClassFactory::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IClassFactory) {
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG ClassFactory::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG ClassFactory::Release() { return static_cast<ULONG>(InterlockedDecrement(&refs_)); }

HRESULT ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const StartupFailures& failures = FailurePlan::Instance().Startup();
  HRESULT hr = S_OK;
  if (outer != nullptr) {
    hr = CLASS_E_NOAGGREGATION;
  } else if (failures.createInstance) {
    hr = *failures.createInstance;
  } else {
    // Created with one reference, which the QueryInterface below trades for
    // the caller's, so a failed query destroys the object again.
    const Microsoft::WRL::ComPtr<IOleObject> created =
        Adopt<IOleObject>(new BrowserDouble(failures));
    hr = created->QueryInterface(iid, object);
  }
  Log("CreateInstance iid=" + GuidText(iid) + " hr=" + Hex8(hr));
  return hr;
}

HRESULT ClassFactory::LockServer(BOOL lock) {
  if (lock) {
    LockModule();
  } else {
    UnlockModule();
  }
  return S_OK;
}

}  // namespace qbdouble
