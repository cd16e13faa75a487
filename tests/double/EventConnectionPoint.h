// The connection point for DWebBrowserEvents2. It is a small object of its
// own that holds a reference to the double; the double keeps the sink.
#pragma once

#include <ocidl.h>
#include <wrl/client.h>

#include "BrowserDouble.h"

namespace qbdouble {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  static HRESULT Create(BrowserDouble* owner, IConnectionPoint** point);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override;
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override;
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) override;

 private:
  explicit EventConnectionPoint(BrowserDouble* owner);
  ~EventConnectionPoint() = default;

  volatile LONG refs_ = 1;
  const Microsoft::WRL::ComPtr<BrowserDouble> owner_;
};

}  // namespace qbdouble
