// Forwards Advise and Unadvise to the double, which keeps the one sink.
#include "EventConnectionPoint.h"

#include "BrowserDouble.h"
#include "DoubleLog.h"

#include <exdisp.h>

namespace qbdouble {

EventConnectionPoint::EventConnectionPoint(BrowserDouble* owner) : owner_(owner) {}

HRESULT EventConnectionPoint::Create(BrowserDouble* owner, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = new EventConnectionPoint(owner);
  return S_OK;
}

HRESULT EventConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  Log("ConnectionPointQueryInterface iid=" + GuidText(iid) + " hr=" + Hex8(E_NOINTERFACE));
  return E_NOINTERFACE;
}

ULONG EventConnectionPoint::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG EventConnectionPoint::Release() {
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (iid == nullptr) return E_POINTER;
  *iid = DIID_DWebBrowserEvents2;
  return S_OK;
}

HRESULT EventConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
  if (container == nullptr) return E_POINTER;
  *container = owner_.Get();
  owner_->AddRef();
  return S_OK;
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  return owner_->AdviseSink(sink, cookie);
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) { return owner_->UnadviseSink(cookie); }

HRESULT EventConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (connections != nullptr) *connections = nullptr;
  Log("NotImplemented EnumConnections");
  return E_NOTIMPL;
}

}  // namespace qbdouble
