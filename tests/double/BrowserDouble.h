// The test double of the web-browser control: one COM object with one
// reference count behind all its interfaces, which records every call in the
// log and lets the driver fire events and inject failures.
#pragma once

#include "FailurePlan.h"
#include "PageWindow.h"
#include "WebBrowser2Stubs.h"

#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qbdouble {

class BrowserDouble final : public WebBrowser2Stubs,
                            public IOleObject,
                            public IPersistStreamInit,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IConnectionPointContainer,
                            public IOleControl,
                            public ISupportErrorInfo {
 public:
  explicit BrowserDouble(const StartupFailures& failures);
  BrowserDouble(const BrowserDouble&) = delete;
  BrowserDouble& operator=(const BrowserDouble&) = delete;

  ULONG RefCount() const { return static_cast<ULONG>(refs_); }
  ULONG NavigateCount() const { return navigates_; }
  ULONG RefreshCount() const { return refreshes_; }

  // Invokes the advised sink synchronously; arguments are given in the order
  // of the event's declaration and passed in reverse, as IDispatch wants.
  HRESULT FireEvent(DISPID dispid, std::span<const VARIANT> arguments);

  // The connection point's half of the work: the double keeps the sink, so
  // the connection point object needs no reference count beyond its own.
  HRESULT AdviseSink(IUnknown* sink, DWORD* cookie);
  HRESULT UnadviseSink(DWORD cookie);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IWebBrowser
  HRESULT STDMETHODCALLTYPE Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName,
                                     VARIANT* postData, VARIANT* headers) override;
  HRESULT STDMETHODCALLTYPE Refresh() override;

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override;
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override;
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE Close(DWORD saveOption) override;
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override;
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject** data) override;
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG,
                                   HWND parent, LPCRECT bounds) override;
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB** verbs) override;
  HRESULT STDMETHODCALLTYPE Update() override;
  HRESULT STDMETHODCALLTYPE IsUpToDate() override;
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR* userType) override;
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override;
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink* sink, DWORD* connection) override;
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD connection) override;
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA** advises) override;
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD aspect, DWORD* status) override;
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override;

  // IPersist, IPersistStreamInit
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override;
  HRESULT STDMETHODCALLTYPE IsDirty() override;
  HRESULT STDMETHODCALLTYPE Load(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE Save(IStream*, BOOL) override;
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override;
  HRESULT STDMETHODCALLTYPE InitNew() override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE UIDeactivate() override;
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT clip) override;
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG message) override;
  HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override;
  HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override;
  HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;

  // IConnectionPointContainer
  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IOleControl
  HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) override;
  HRESULT STDMETHODCALLTYPE OnMnemonic(MSG*) override;
  HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID) override;
  HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL) override;

  // ISupportErrorInfo
  HRESULT STDMETHODCALLTYPE InterfaceSupportsErrorInfo(REFIID iid) override;

 protected:
  HRESULT NotImplemented(const char* method) override;

 private:
  ~BrowserDouble();

  // Logs "WrongThread <method>" when called off the creating thread; the
  // call still goes ahead, so that the log shows what happened next.
  void CheckThread(const char* method) const;
  HRESULT Activate(IOleClientSite* activeSite, LPCRECT bounds, bool uiActivate);
  HRESULT ApplyFailure(FailingMethod method);
  void LogFinalRelease();

  volatile LONG refs_ = 1;
  const DWORD thread_;
  const StartupFailures failures_;

  Microsoft::WRL::ComPtr<IOleClientSite> site_;
  Microsoft::WRL::ComPtr<IOleAdviseHolder> adviseHolder_;
  Microsoft::WRL::ComPtr<IDispatch> sink_;

  // Held from activation to deactivation, as the in-place protocol expects.
  Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> uiWindow_;
  bool uiActive_ = false;
  PageWindow page_;

  bool initialised_ = false;
  std::vector<uint8_t> loaded_;
  SIZEL extent_;
  std::wstring url_;
  ULONG navigates_ = 0;
  ULONG refreshes_ = 0;
};

}  // namespace qbdouble
