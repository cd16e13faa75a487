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

// Methods of one parameter list that all answer E_NOTIMPL, up to eight a row.
#define QB_NOT_IMPLEMENTED(parameters, method) \
  STDMETHODIMP method parameters override { return E_NOTIMPL; }
#define QB_NI1(p, m) QB_NOT_IMPLEMENTED(p, m)
#define QB_NI2(p, m, ...) QB_NI1(p, m) QB_NI1(p, __VA_ARGS__)
#define QB_NI3(p, m, ...) QB_NI1(p, m) QB_NI2(p, __VA_ARGS__)
#define QB_NI4(p, m, ...) QB_NI1(p, m) QB_NI3(p, __VA_ARGS__)
#define QB_NI5(p, m, ...) QB_NI1(p, m) QB_NI4(p, __VA_ARGS__)
#define QB_NI6(p, m, ...) QB_NI1(p, m) QB_NI5(p, __VA_ARGS__)
#define QB_NI7(p, m, ...) QB_NI1(p, m) QB_NI6(p, __VA_ARGS__)
#define QB_NI8(p, m, ...) QB_NI1(p, m) QB_NI7(p, __VA_ARGS__)
#define QB_NI_PICK(_1, _2, _3, _4, _5, _6, _7, _8, name, ...) name
#define QB_STUBS(p, ...) \
  QB_NI_PICK(__VA_ARGS__, QB_NI8, QB_NI7, QB_NI6, QB_NI5, QB_NI4, QB_NI3, QB_NI2, QB_NI1) \
  (p, __VA_ARGS__)

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
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    return owner_->JoinSink(sink, cookie);
  }
  STDMETHODIMP Unadvise(DWORD cookie) override { return owner_->LeaveSink(cookie); }
  QB_STUBS((IID*), GetConnectionInterface)
  QB_STUBS((IConnectionPointContainer**), GetConnectionPointContainer)
  QB_STUBS((IEnumConnections**), EnumConnections)

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
  STDMETHODIMP Close(DWORD) override {
    Log("Close");
    // Closing leaves the client site alone: the host takes it back itself.
    if (inPlaceSite_) InPlaceDeactivate();
    return S_OK;
  }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                      LPCRECT rect) override;
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
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE |
              OLEMISC_SETCLIENTSITEFIRST | OLEMISC_CANTLINKINSIDE;
    return S_OK;
  }

  // IPersistStreamInit
  STDMETHODIMP Load(IStream* stream) override;
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
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override {
    if (!uiActive_) return S_OK;
    uiActive_ = false;
    if (frame_) frame_->SetActiveObject(nullptr, nullptr);
    inPlaceSite_->OnUIDeactivate(FALSE);
    return S_OK;
  }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override;
  STDMETHODIMP TranslateAccelerator(LPMSG message) override {
    if (message == nullptr) return E_INVALIDARG;
    // F5 alone is claimed, so that a test can tell a claimed key from a passed one.
    const HRESULT hr = message->message == WM_KEYDOWN && message->wParam == VK_F5 ? S_OK : S_FALSE;
    Log("TranslateAccelerator msg=%x key=%llx hr=%s", message->message,
        static_cast<unsigned long long>(message->wParam), Hex8(hr).c_str());
    return hr;
  }

  // IConnectionPointContainer, and the one connection point's work
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
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                        VARIANT* headers) override;
  STDMETHODIMP Refresh() override;

  // Everything the viewer does not call.
  QB_STUBS((), Update, IsUpToDate, IsDirty, ReactivateAndUndo, GoBack, GoForward, GoHome, GoSearch)
  QB_STUBS((), Stop, Quit)
  QB_STUBS((BOOL), ContextSensitiveHelp, OnFrameWindowActivate, OnDocWindowActivate, EnableModeless)
  QB_STUBS((CLSID*), GetUserClassID, GetClassID)
  QB_STUBS((DWORD), Unadvise)
  QB_STUBS((IOleClientSite**), GetClientSite)
  QB_STUBS((LPCOLESTR, LPCOLESTR), SetHostNames)
  QB_STUBS((DWORD, IMoniker*), SetMoniker)
  QB_STUBS((DWORD, DWORD, IMoniker**), GetMoniker)
  QB_STUBS((IDataObject*, BOOL, DWORD), InitFromData)
  QB_STUBS((DWORD, IDataObject**), GetClipboardData)
  QB_STUBS((IEnumOLEVERB**), EnumVerbs)
  QB_STUBS((DWORD, LPOLESTR*), GetUserType)
  QB_STUBS((IAdviseSink*, DWORD*), Advise)
  QB_STUBS((IEnumSTATDATA**), EnumAdvise)
  QB_STUBS((LOGPALETTE*), SetColorScheme)
  QB_STUBS((IStream*, BOOL), Save)
  QB_STUBS((ULARGE_INTEGER*), GetSizeMax)
  QB_STUBS((LPCRECT, IOleInPlaceUIWindow*, BOOL), ResizeBorder)
  QB_STUBS((IEnumConnectionPoints**), EnumConnectionPoints)
  QB_STUBS((UINT*), GetTypeInfoCount)
  QB_STUBS((UINT, LCID, ITypeInfo**), GetTypeInfo)
  QB_STUBS((REFIID, LPOLESTR*, UINT, LCID, DISPID*), GetIDsOfNames)
  QB_STUBS((DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*), Invoke)
  QB_STUBS((VARIANT*), Refresh2)
  QB_STUBS((IDispatch**), get_Application, get_Parent, get_Container, get_Document)
  QB_STUBS((LONG*), get_Left, get_Top, get_Width, get_Height)
  QB_STUBS((LONG), put_Left, put_Top, put_Width, put_Height)
  QB_STUBS((BSTR*), get_Type, get_LocationName, get_LocationURL, get_Name, get_FullName, get_Path)
  QB_STUBS((BSTR*), get_StatusText)
  QB_STUBS((BSTR), put_StatusText)
  QB_STUBS((int*, int*), ClientToWindow)
  QB_STUBS((BSTR, VARIANT), PutProperty)
  QB_STUBS((BSTR, VARIANT*), GetProperty)
  QB_STUBS((SHANDLE_PTR*), get_HWND)
  QB_STUBS((int*), get_ToolBar)
  QB_STUBS((int), put_ToolBar)
  QB_STUBS((VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*), Navigate2)
  QB_STUBS((OLECMDID, OLECMDF*), QueryStatusWB)
  QB_STUBS((OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*), ExecWB)
  QB_STUBS((VARIANT*, VARIANT*, VARIANT*), ShowBrowserBar)
  QB_STUBS((READYSTATE*), get_ReadyState)
  QB_STUBS((VARIANT_BOOL*), get_TopLevelContainer, get_Busy, get_Visible, get_StatusBar)
  QB_STUBS((VARIANT_BOOL*), get_MenuBar, get_FullScreen, get_Offline, get_Silent, get_TheaterMode)
  QB_STUBS((VARIANT_BOOL*), get_RegisterAsBrowser, get_RegisterAsDropTarget)
  QB_STUBS((VARIANT_BOOL*), get_AddressBar, get_Resizable)
  QB_STUBS((VARIANT_BOOL), put_Visible, put_StatusBar, put_MenuBar, put_FullScreen, put_Offline)
  QB_STUBS((VARIANT_BOOL), put_Silent, put_TheaterMode, put_AddressBar, put_Resizable)
  QB_STUBS((VARIANT_BOOL), put_RegisterAsBrowser, put_RegisterAsDropTarget)

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
