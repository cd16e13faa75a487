// The test double of the web-browser control: one COM object with one
// reference count behind all its interfaces, and what the module around it
// shares with it (the log, the failures the driver asks for, the windows).
#pragma once

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#define QB_NOT_IMPLEMENTED(method, parameters) \
  STDMETHODIMP method parameters override { return E_NOTIMPL; }
#define QB_GETTER(name, type) QB_NOT_IMPLEMENTED(get_##name, (type*))
#define QB_PROPERTY(name, type) QB_GETTER(name, type) QB_NOT_IMPLEMENTED(put_##name, (type))

namespace qbdouble {

using Microsoft::WRL::ComPtr;

inline constexpr wchar_t kPageClass[] = L"QbBrowserDoublePage";

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowOwner = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// What Refresh answers on every call while the rule stands.
struct FailureRule {
  HRESULT hr;
  std::optional<std::wstring> description;
};

struct Failures {
  std::optional<HRESULT> createInstance;
  std::optional<HRESULT> load;
  std::optional<HRESULT> doVerb;
  std::optional<HRESULT> advise;
  bool noInPlaceObject = false;
  std::optional<FailureRule> refresh;
};

// QB_DOUBLE_FAIL, read on the first call; the driver's commands change the rules later.
Failures& CurrentFailures();
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Hex8(HRESULT hr);
std::string Utf8(std::wstring_view text);
HWND CreatePage(HWND parent, const RECT& placed);
void ObjectCreated(class BrowserDouble* object);
void ObjectDestroyed(BrowserDouble* object);

// The connection point's work is the double's: it keeps the one sink itself.
template <class Owner>
class EventPoint final : public IConnectionPoint {
 public:
  explicit EventPoint(Owner* owner) : owner_(owner) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = iid == IID_IUnknown || iid == IID_IConnectionPoint ? this : nullptr;
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG refs = --refs_;
    if (refs == 0) delete this;
    return refs;
  }
  QB_NOT_IMPLEMENTED(GetConnectionInterface, (IID*))
  QB_NOT_IMPLEMENTED(GetConnectionPointContainer, (IConnectionPointContainer**))
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    return owner_->JoinSink(sink, cookie);
  }
  STDMETHODIMP Unadvise(DWORD cookie) override { return owner_->LeaveSink(cookie); }
  QB_NOT_IMPLEMENTED(EnumConnections, (IEnumConnections**))

 private:
  ~EventPoint() = default;
  ULONG refs_ = 1;
  ComPtr<Owner> owner_;
};

class BrowserDouble final : public IWebBrowser2,
                            public IOleObject,
                            public IPersistStreamInit,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IConnectionPointContainer {
 public:
  BrowserDouble() { ObjectCreated(this); }
  BrowserDouble(const BrowserDouble&) = delete;
  BrowserDouble& operator=(const BrowserDouble&) = delete;

  ULONG RefCount() const { return refs_; }
  ULONG RefreshCount() const { return refreshes_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    const bool inPlace = !CurrentFailures().noInPlaceObject;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleObject) {
      *object = static_cast<IOleObject*>(this);
    } else if (iid == IID_IDispatch || iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp ||
               iid == IID_IWebBrowser) {
      *object = static_cast<IWebBrowser2*>(this);
    } else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) {
      *object = static_cast<IPersistStreamInit*>(this);
    } else if (inPlace && (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)) {
      *object = static_cast<IOleInPlaceObject*>(this);
    } else if (inPlace && iid == IID_IOleInPlaceActiveObject) {
      *object = static_cast<IOleInPlaceActiveObject*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *object = static_cast<IConnectionPointContainer*>(this);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  STDMETHODIMP_(ULONG) Release() override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  QB_NOT_IMPLEMENTED(GetClientSite, (IOleClientSite**))
  QB_NOT_IMPLEMENTED(SetHostNames, (LPCOLESTR, LPCOLESTR))
  STDMETHODIMP Close(DWORD) override {
    Log("Close");
    // Closing leaves the client site alone: the host takes it back itself.
    if (inPlaceSite_) InPlaceDeactivate();
    return S_OK;
  }
  QB_NOT_IMPLEMENTED(SetMoniker, (DWORD, IMoniker*))
  QB_NOT_IMPLEMENTED(GetMoniker, (DWORD, DWORD, IMoniker**))
  QB_NOT_IMPLEMENTED(InitFromData, (IDataObject*, BOOL, DWORD))
  QB_NOT_IMPLEMENTED(GetClipboardData, (DWORD, IDataObject**))
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                      LPCRECT rect) override;
  QB_NOT_IMPLEMENTED(EnumVerbs, (IEnumOLEVERB**))
  QB_NOT_IMPLEMENTED(Update, ())
  QB_NOT_IMPLEMENTED(IsUpToDate, ())
  QB_NOT_IMPLEMENTED(GetUserClassID, (CLSID*))
  QB_NOT_IMPLEMENTED(GetUserType, (DWORD, LPOLESTR*))
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (size == nullptr) return E_POINTER;
    const HRESULT hr = aspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
    if (hr == S_OK) extent_ = *size;
    Log("SetExtent cx=%ld cy=%ld hr=%s", size->cx, size->cy, Hex8(hr).c_str());
    return hr;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (size == nullptr) return E_POINTER;
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    *size = extent_;
    Log("GetExtent cx=%ld cy=%ld", size->cx, size->cy);
    return S_OK;
  }
  QB_NOT_IMPLEMENTED(Advise, (IAdviseSink*, DWORD*))
  QB_NOT_IMPLEMENTED(Unadvise, (DWORD))
  QB_NOT_IMPLEMENTED(EnumAdvise, (IEnumSTATDATA**))
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST | OLEMISC_CANTLINKINSIDE;
    return S_OK;
  }
  QB_NOT_IMPLEMENTED(SetColorScheme, (LOGPALETTE*))

  // IPersistStreamInit
  QB_NOT_IMPLEMENTED(GetClassID, (CLSID*))
  QB_NOT_IMPLEMENTED(IsDirty, ())
  STDMETHODIMP Load(IStream* stream) override;
  QB_NOT_IMPLEMENTED(Save, (IStream*, BOOL))
  QB_NOT_IMPLEMENTED(GetSizeMax, (ULARGE_INTEGER*))
  STDMETHODIMP InitNew() override {
    const HRESULT hr = initialised_ ? E_UNEXPECTED : S_OK;
    initialised_ = true;
    Log("InitNew hr=%s", Hex8(hr).c_str());
    return hr;
  }

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = page_.get();
    return page_ ? S_OK : E_FAIL;
  }
  QB_NOT_IMPLEMENTED(ContextSensitiveHelp, (BOOL))
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
  }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override;
  QB_NOT_IMPLEMENTED(ReactivateAndUndo, ())
  STDMETHODIMP TranslateAccelerator(LPMSG message) override {
    if (message == nullptr) return E_INVALIDARG;
    // F5 alone is claimed, so that a test can tell a claimed key from a passed one.
    const HRESULT hr = message->message == WM_KEYDOWN && message->wParam == VK_F5 ? S_OK : S_FALSE;
    Log("TranslateAccelerator msg=%x key=%llx hr=%s", message->message,
        static_cast<unsigned long long>(message->wParam), Hex8(hr).c_str());
    return hr;
  }
  QB_NOT_IMPLEMENTED(OnFrameWindowActivate, (BOOL))
  QB_NOT_IMPLEMENTED(OnDocWindowActivate, (BOOL))
  QB_NOT_IMPLEMENTED(ResizeBorder, (LPCRECT, IOleInPlaceUIWindow*, BOOL))
  QB_NOT_IMPLEMENTED(EnableModeless, (BOOL))

  // IConnectionPointContainer, and the one connection point's work
  QB_NOT_IMPLEMENTED(EnumConnectionPoints, (IEnumConnectionPoints**))
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = iid == DIID_DWebBrowserEvents2 ? new EventPoint<BrowserDouble>(this) : nullptr;
    const HRESULT hr = *point != nullptr ? S_OK : CONNECT_E_NOCONNECTION;
    Log("FindConnectionPoint hr=%s", Hex8(hr).c_str());
    return hr;
  }
  HRESULT JoinSink(IUnknown* sink, DWORD* cookie);
  HRESULT LeaveSink(DWORD cookie) {
    Log("Unadvise cookie=%lu", cookie);
    if (cookie != kCookie || !sink_) return CONNECT_E_NOCONNECTION;
    // Moved out first: the sink's last Release may call back into the double.
    const ComPtr<IDispatch> sink = std::move(sink_);
    return S_OK;
  }
  HRESULT FireProgress(LONG progress, LONG progressMax);

  // IDispatch, IWebBrowser, IWebBrowserApp, IWebBrowser2
  QB_NOT_IMPLEMENTED(GetTypeInfoCount, (UINT*))
  QB_NOT_IMPLEMENTED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
  QB_NOT_IMPLEMENTED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  QB_NOT_IMPLEMENTED(Invoke,
                     (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
  QB_NOT_IMPLEMENTED(GoBack, ())
  QB_NOT_IMPLEMENTED(GoForward, ())
  QB_NOT_IMPLEMENTED(GoHome, ())
  QB_NOT_IMPLEMENTED(GoSearch, ())
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                        VARIANT* headers) override;
  STDMETHODIMP Refresh() override;
  QB_NOT_IMPLEMENTED(Refresh2, (VARIANT*))
  QB_NOT_IMPLEMENTED(Stop, ())
  QB_GETTER(Application, IDispatch*)
  QB_GETTER(Parent, IDispatch*)
  QB_GETTER(Container, IDispatch*)
  QB_GETTER(Document, IDispatch*)
  QB_GETTER(TopLevelContainer, VARIANT_BOOL)
  QB_GETTER(Type, BSTR)
  QB_PROPERTY(Left, LONG)
  QB_PROPERTY(Top, LONG)
  QB_PROPERTY(Width, LONG)
  QB_PROPERTY(Height, LONG)
  QB_GETTER(LocationName, BSTR)
  QB_GETTER(LocationURL, BSTR)
  QB_GETTER(Busy, VARIANT_BOOL)
  QB_NOT_IMPLEMENTED(Quit, ())
  QB_NOT_IMPLEMENTED(ClientToWindow, (int*, int*))
  QB_NOT_IMPLEMENTED(PutProperty, (BSTR, VARIANT))
  QB_NOT_IMPLEMENTED(GetProperty, (BSTR, VARIANT*))
  QB_GETTER(Name, BSTR)
  QB_GETTER(HWND, SHANDLE_PTR)
  QB_GETTER(FullName, BSTR)
  QB_GETTER(Path, BSTR)
  QB_PROPERTY(Visible, VARIANT_BOOL)
  QB_PROPERTY(StatusBar, VARIANT_BOOL)
  QB_PROPERTY(StatusText, BSTR)
  QB_PROPERTY(ToolBar, int)
  QB_PROPERTY(MenuBar, VARIANT_BOOL)
  QB_PROPERTY(FullScreen, VARIANT_BOOL)
  QB_NOT_IMPLEMENTED(Navigate2, (VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
  QB_NOT_IMPLEMENTED(QueryStatusWB, (OLECMDID, OLECMDF*))
  QB_NOT_IMPLEMENTED(ExecWB, (OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*))
  QB_NOT_IMPLEMENTED(ShowBrowserBar, (VARIANT*, VARIANT*, VARIANT*))
  QB_GETTER(ReadyState, READYSTATE)
  QB_PROPERTY(Offline, VARIANT_BOOL)
  QB_PROPERTY(Silent, VARIANT_BOOL)
  QB_PROPERTY(RegisterAsBrowser, VARIANT_BOOL)
  QB_PROPERTY(RegisterAsDropTarget, VARIANT_BOOL)
  QB_PROPERTY(TheaterMode, VARIANT_BOOL)
  QB_PROPERTY(AddressBar, VARIANT_BOOL)
  QB_PROPERTY(Resizable, VARIANT_BOOL)

 private:
  static constexpr DWORD kCookie = 1;

  ~BrowserDouble() {
    // The page goes first: the last object's departure unregisters its class.
    page_.reset();
    ObjectDestroyed(this);
  }
  HRESULT Activate(IOleClientSite* client, LPCRECT rect, bool uiActivate,
                   std::vector<std::string>& done);

  ULONG refs_ = 1;
  ULONG refreshes_ = 0;
  bool initialised_ = false;
  bool uiActive_ = false;
  SIZEL extent_ = {20981, 12091};
  ComPtr<IOleClientSite> site_;
  ComPtr<IDispatch> sink_;
  // Held from in-place activation to deactivation, as the protocol expects.
  ComPtr<IOleInPlaceSite> inPlaceSite_;
  ComPtr<IOleInPlaceFrame> frame_;
  ComPtr<IOleInPlaceUIWindow> document_;
  WindowOwner page_;
};

}  // namespace qbdouble
