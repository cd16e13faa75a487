// The test double of the web-browser control: one COM object with one
// reference count behind all its interfaces, and what the module around it
// shares with it (the log, the failures the driver asks for, the windows).
#pragma once

#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#define QB_NOT_IMPLEMENTED(method, parameters) \
  STDMETHODIMP method parameters override { return E_NOTIMPL; }

namespace qbdouble {

inline constexpr wchar_t kPageClass[] = L"QbBrowserDoublePage";

struct WindowDestroyer {
  void operator()(HWND window) const { DestroyWindow(window); }
};
using WindowOwner = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDestroyer>;

// What Navigate or Refresh answers on every call while the rule stands.
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
  bool keepDefaultExtent = false;
  std::optional<FailureRule> navigate;
  std::optional<FailureRule> refresh;
};

// QB_DOUBLE_FAIL, read on the first call; the driver's commands change the rules later.
Failures& CurrentFailures();
void Log(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Hex8(HRESULT hr);
std::string Utf8(std::wstring_view text);
bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure);
HINSTANCE ModuleInstance();
void ObjectCreated(class BrowserDouble* object);
void ObjectDestroyed(BrowserDouble* object);

class BrowserDouble final : public IWebBrowser2,
                            public IOleObject,
                            public IPersistStreamInit,
                            public IOleInPlaceObject,
                            public IOleInPlaceActiveObject,
                            public IConnectionPointContainer {
 public:
  BrowserDouble();
  BrowserDouble(const BrowserDouble&) = delete;
  BrowserDouble& operator=(const BrowserDouble&) = delete;

  ULONG RefCount() const { return refs_; }
  ULONG NavigateCount() const { return navigates_; }
  ULONG RefreshCount() const { return refreshes_; }
  HRESULT FireProgress(LONG progress, LONG progressMax);
  // The connection point's work: the double itself keeps the one sink.
  HRESULT JoinSink(IUnknown* sink, DWORD* cookie);
  HRESULT LeaveSink(DWORD cookie);

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override;
  QB_NOT_IMPLEMENTED(GetClientSite, (IOleClientSite**))
  QB_NOT_IMPLEMENTED(SetHostNames, (LPCOLESTR, LPCOLESTR))
  STDMETHODIMP Close(DWORD) override;
  QB_NOT_IMPLEMENTED(SetMoniker, (DWORD, IMoniker*))
  QB_NOT_IMPLEMENTED(GetMoniker, (DWORD, DWORD, IMoniker**))
  QB_NOT_IMPLEMENTED(InitFromData, (IDataObject*, BOOL, DWORD))
  QB_NOT_IMPLEMENTED(GetClipboardData, (DWORD, IDataObject**))
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT rect) override;
  QB_NOT_IMPLEMENTED(EnumVerbs, (IEnumOLEVERB**))
  QB_NOT_IMPLEMENTED(Update, ())
  QB_NOT_IMPLEMENTED(IsUpToDate, ())
  QB_NOT_IMPLEMENTED(GetUserClassID, (CLSID*))
  QB_NOT_IMPLEMENTED(GetUserType, (DWORD, LPOLESTR*))
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
  QB_NOT_IMPLEMENTED(Advise, (IAdviseSink*, DWORD*))
  QB_NOT_IMPLEMENTED(Unadvise, (DWORD))
  QB_NOT_IMPLEMENTED(EnumAdvise, (IEnumSTATDATA**))
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override;
  QB_NOT_IMPLEMENTED(SetColorScheme, (LOGPALETTE*))

  // IPersistStreamInit
  QB_NOT_IMPLEMENTED(GetClassID, (CLSID*))
  QB_NOT_IMPLEMENTED(IsDirty, ())
  STDMETHODIMP Load(IStream* stream) override;
  QB_NOT_IMPLEMENTED(Save, (IStream*, BOOL))
  QB_NOT_IMPLEMENTED(GetSizeMax, (ULARGE_INTEGER*))
  STDMETHODIMP InitNew() override;

  // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
  STDMETHODIMP GetWindow(HWND* window) override;
  QB_NOT_IMPLEMENTED(ContextSensitiveHelp, (BOOL))
  STDMETHODIMP InPlaceDeactivate() override;
  STDMETHODIMP UIDeactivate() override;
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override;
  QB_NOT_IMPLEMENTED(ReactivateAndUndo, ())
  STDMETHODIMP TranslateAccelerator(LPMSG message) override;
  QB_NOT_IMPLEMENTED(OnFrameWindowActivate, (BOOL))
  QB_NOT_IMPLEMENTED(OnDocWindowActivate, (BOOL))
  QB_NOT_IMPLEMENTED(ResizeBorder, (LPCRECT, IOleInPlaceUIWindow*, BOOL))
  QB_NOT_IMPLEMENTED(EnableModeless, (BOOL))

  // IConnectionPointContainer
  QB_NOT_IMPLEMENTED(EnumConnectionPoints, (IEnumConnectionPoints**))
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // IDispatch, IWebBrowser, IWebBrowserApp, IWebBrowser2
  QB_NOT_IMPLEMENTED(GetTypeInfoCount, (UINT*))
  QB_NOT_IMPLEMENTED(GetTypeInfo, (UINT, LCID, ITypeInfo**))
  QB_NOT_IMPLEMENTED(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  QB_NOT_IMPLEMENTED(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
  QB_NOT_IMPLEMENTED(GoBack, ())
  QB_NOT_IMPLEMENTED(GoForward, ())
  QB_NOT_IMPLEMENTED(GoHome, ())
  QB_NOT_IMPLEMENTED(GoSearch, ())
  STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                        VARIANT* headers) override;
  STDMETHODIMP Refresh() override;
  QB_NOT_IMPLEMENTED(Refresh2, (VARIANT*))
  QB_NOT_IMPLEMENTED(Stop, ())
  QB_NOT_IMPLEMENTED(get_Application, (IDispatch**))
  QB_NOT_IMPLEMENTED(get_Parent, (IDispatch**))
  QB_NOT_IMPLEMENTED(get_Container, (IDispatch**))
  QB_NOT_IMPLEMENTED(get_Document, (IDispatch**))
  QB_NOT_IMPLEMENTED(get_TopLevelContainer, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(get_Type, (BSTR*))
  QB_NOT_IMPLEMENTED(get_Left, (LONG*))
  QB_NOT_IMPLEMENTED(put_Left, (LONG))
  QB_NOT_IMPLEMENTED(get_Top, (LONG*))
  QB_NOT_IMPLEMENTED(put_Top, (LONG))
  QB_NOT_IMPLEMENTED(get_Width, (LONG*))
  QB_NOT_IMPLEMENTED(put_Width, (LONG))
  QB_NOT_IMPLEMENTED(get_Height, (LONG*))
  QB_NOT_IMPLEMENTED(put_Height, (LONG))
  QB_NOT_IMPLEMENTED(get_LocationName, (BSTR*))
  QB_NOT_IMPLEMENTED(get_LocationURL, (BSTR*))
  QB_NOT_IMPLEMENTED(get_Busy, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(Quit, ())
  QB_NOT_IMPLEMENTED(ClientToWindow, (int*, int*))
  QB_NOT_IMPLEMENTED(PutProperty, (BSTR, VARIANT))
  QB_NOT_IMPLEMENTED(GetProperty, (BSTR, VARIANT*))
  QB_NOT_IMPLEMENTED(get_Name, (BSTR*))
  QB_NOT_IMPLEMENTED(get_HWND, (SHANDLE_PTR*))
  QB_NOT_IMPLEMENTED(get_FullName, (BSTR*))
  QB_NOT_IMPLEMENTED(get_Path, (BSTR*))
  QB_NOT_IMPLEMENTED(get_Visible, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_Visible, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_StatusBar, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_StatusBar, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_StatusText, (BSTR*))
  QB_NOT_IMPLEMENTED(put_StatusText, (BSTR))
  QB_NOT_IMPLEMENTED(get_ToolBar, (int*))
  QB_NOT_IMPLEMENTED(put_ToolBar, (int))
  QB_NOT_IMPLEMENTED(get_MenuBar, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_MenuBar, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_FullScreen, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_FullScreen, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(Navigate2, (VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*))
  QB_NOT_IMPLEMENTED(QueryStatusWB, (OLECMDID, OLECMDF*))
  QB_NOT_IMPLEMENTED(ExecWB, (OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*))
  QB_NOT_IMPLEMENTED(ShowBrowserBar, (VARIANT*, VARIANT*, VARIANT*))
  QB_NOT_IMPLEMENTED(get_ReadyState, (READYSTATE*))
  QB_NOT_IMPLEMENTED(get_Offline, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_Offline, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_Silent, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_Silent, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_RegisterAsBrowser, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_RegisterAsBrowser, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_RegisterAsDropTarget, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_RegisterAsDropTarget, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_TheaterMode, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_TheaterMode, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_AddressBar, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_AddressBar, (VARIANT_BOOL))
  QB_NOT_IMPLEMENTED(get_Resizable, (VARIANT_BOOL*))
  QB_NOT_IMPLEMENTED(put_Resizable, (VARIANT_BOOL))

 private:
  ~BrowserDouble();
  HRESULT Activate(IOleClientSite* client, LPCRECT rect, bool uiActivate,
                   std::vector<std::string>& done);
  HRESULT ApplyFailure(const std::optional<FailureRule>& rule);

  ULONG refs_ = 1;
  ULONG navigates_ = 0;
  ULONG refreshes_ = 0;
  bool initialised_ = false;
  bool uiActive_ = false;
  SIZEL extent_;
  std::wstring url_;
  Microsoft::WRL::ComPtr<IOleClientSite> site_;
  Microsoft::WRL::ComPtr<IDispatch> sink_;
  // Held from in-place activation to deactivation, as the protocol expects.
  Microsoft::WRL::ComPtr<IOleInPlaceSite> inPlaceSite_;
  Microsoft::WRL::ComPtr<IOleInPlaceFrame> frame_;
  Microsoft::WRL::ComPtr<IOleInPlaceUIWindow> document_;
  WindowOwner page_;
};

}  // namespace qbdouble
