// The double's OLE embedding: the client site, the extent, the verbs and the
// in-place activation handshake, and the in-place objects' methods.
#include "BrowserDouble.h"

#include "DoubleLog.h"

#include <exdisp.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace qbdouble {

namespace {

constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                              OLEMISC_CANTLINKINSIDE;
constexpr wchar_t kActiveObjectName[] = L"QbBrowserDouble";

std::string RectText(const RECT& rect) {
  return "left=" + std::to_string(rect.left) + " top=" + std::to_string(rect.top) +
         " right=" + std::to_string(rect.right) + " bottom=" + std::to_string(rect.bottom);
}

std::string Hex(uintptr_t value) {
  char text[24];
  std::snprintf(text, sizeof text, "%llx", static_cast<unsigned long long>(value));
  return text;
}

void LogIfFailed(const char* step, HRESULT hr) {
  if (FAILED(hr)) Log(std::string("CallFailed step=") + step + " hr=" + Hex8(hr));
}

}  // namespace

HRESULT BrowserDouble::SetClientSite(IOleClientSite* site) {
  CheckThread("SetClientSite");
  Log(std::string("SetClientSite site=") + (site != nullptr ? "1" : "0"));
  // Only storing a site fails on request: releasing it must still work, or
  // the host's teardown would leave a reference cycle behind.
  if (site != nullptr && failures_.setClientSite) {
    Log("Injected SetClientSite hr=" + Hex8(*failures_.setClientSite));
    return *failures_.setClientSite;
  }
  site_ = site;
  return S_OK;
}

HRESULT BrowserDouble::GetClientSite(IOleClientSite** site) {
  CheckThread("GetClientSite");
  if (site == nullptr) return E_POINTER;
  return site_.CopyTo(site);
}

HRESULT BrowserDouble::SetHostNames(LPCOLESTR, LPCOLESTR) {
  CheckThread("SetHostNames");
  Log("SetHostNames");
  return S_OK;
}

HRESULT BrowserDouble::Close(DWORD saveOption) {
  CheckThread("Close");
  Log("Close option=" + std::to_string(saveOption));
  // Closing returns the object to the loaded state: out of in-place
  // activation, with its advise sinks told. The client site stays until the
  // host calls SetClientSite(nullptr).
  if (inPlaceSite_) LogIfFailed("InPlaceDeactivate", InPlaceDeactivate());
  if (adviseHolder_) LogIfFailed("SendOnClose", adviseHolder_->SendOnClose());
  return S_OK;
}

HRESULT BrowserDouble::SetMoniker(DWORD, IMoniker*) { return NotImplemented("SetMoniker"); }

HRESULT BrowserDouble::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return NotImplemented("GetMoniker");
}

HRESULT BrowserDouble::InitFromData(IDataObject*, BOOL, DWORD) {
  return NotImplemented("InitFromData");
}

HRESULT BrowserDouble::GetClipboardData(DWORD, IDataObject** data) {
  if (data != nullptr) *data = nullptr;
  return NotImplemented("GetClipboardData");
}

HRESULT BrowserDouble::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                              LPCRECT bounds) {
  CheckThread("DoVerb");
  HRESULT hr = S_OK;
  if (failures_.doVerb) {
    Log("Injected DoVerb hr=" + Hex8(*failures_.doVerb));
    hr = *failures_.doVerb;
  } else if (verb == OLEIVERB_INPLACEACTIVATE || verb == OLEIVERB_SHOW ||
             verb == OLEIVERB_UIACTIVATE || verb == OLEIVERB_PRIMARY) {
    // Without an in-place object the double behaves like a control that
    // accepts the verb and shows nothing, which the host must detect itself.
    if (!failures_.noInPlaceObject) {
      hr = Activate(activeSite != nullptr ? activeSite : site_.Get(), bounds,
                    verb == OLEIVERB_UIACTIVATE);
    }
  } else if (verb == OLEIVERB_HIDE) {
    if (page_.Handle() != nullptr) ShowWindow(page_.Handle(), SW_HIDE);
  } else {
    hr = E_NOTIMPL;
  }
  Log("DoVerb verb=" + std::to_string(verb) + " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::Activate(IOleClientSite* activeSite, LPCRECT bounds, bool uiActivate) {
  if (activeSite == nullptr) return E_UNEXPECTED;
  if (!inPlaceSite_) {
    ComPtr<IOleInPlaceSite> site;
    HRESULT hr = activeSite->QueryInterface(IID_PPV_ARGS(&site));
    if (FAILED(hr)) return hr;
    hr = site->CanInPlaceActivate();
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    hr = site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    // From here on a failure must undo OnInPlaceActivate.
    const auto abandon = [&site](HRESULT failure) {
      LogIfFailed("OnInPlaceDeactivate", site->OnInPlaceDeactivate());
      return failure;
    };
    HWND parent = nullptr;
    hr = site->GetWindow(&parent);
    if (FAILED(hr)) return abandon(hr);
    ComPtr<IOleInPlaceFrame> frame;
    ComPtr<IOleInPlaceUIWindow> uiWindow;
    RECT position{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    hr = site->GetWindowContext(&frame, &uiWindow, &position, &clip, &frameInfo);
    if (FAILED(hr)) return abandon(hr);
    const RECT& placed = bounds != nullptr ? *bounds : position;
    if (!page_.Create(parent, placed, url_)) return abandon(HRESULT_FROM_WIN32(GetLastError()));
    inPlaceSite_.Swap(site);
    frame_.Swap(frame);
    uiWindow_.Swap(uiWindow);
    Log("InPlaceActivate parent=" + Hex(reinterpret_cast<uintptr_t>(parent)) + " " +
        RectText(placed));
  }
  if (uiActivate && !uiActive_) {
    const HRESULT hr = inPlaceSite_->OnUIActivate();
    if (FAILED(hr)) return hr;
    uiActive_ = true;
    if (frame_) LogIfFailed("SetActiveObject", frame_->SetActiveObject(this, kActiveObjectName));
    if (uiWindow_) {
      LogIfFailed("SetActiveObject", uiWindow_->SetActiveObject(this, kActiveObjectName));
    }
    SetFocus(page_.Handle());
    Log("UIActivate");
  }
  return S_OK;
}

HRESULT BrowserDouble::EnumVerbs(IEnumOLEVERB** verbs) {
  if (verbs != nullptr) *verbs = nullptr;
  return NotImplemented("EnumVerbs");
}

HRESULT BrowserDouble::Update() {
  CheckThread("Update");
  return S_OK;
}

HRESULT BrowserDouble::IsUpToDate() {
  CheckThread("IsUpToDate");
  return S_OK;
}

HRESULT BrowserDouble::GetUserClassID(CLSID* clsid) {
  CheckThread("GetUserClassID");
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_WebBrowser;
  return S_OK;
}

HRESULT BrowserDouble::GetUserType(DWORD, LPOLESTR* userType) {
  if (userType != nullptr) *userType = nullptr;
  return NotImplemented("GetUserType");
}

HRESULT BrowserDouble::SetExtent(DWORD aspect, SIZEL* size) {
  CheckThread("SetExtent");
  if (size == nullptr) return E_POINTER;
  Log("SetExtent cx=" + std::to_string(size->cx) + " cy=" + std::to_string(size->cy));
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  extent_ = *size;
  return S_OK;
}

HRESULT BrowserDouble::GetExtent(DWORD aspect, SIZEL* size) {
  CheckThread("GetExtent");
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  Log("GetExtent cx=" + std::to_string(size->cx) + " cy=" + std::to_string(size->cy));
  return S_OK;
}

HRESULT BrowserDouble::Advise(IAdviseSink* sink, DWORD* connection) {
  CheckThread("OleAdvise");
  if (sink == nullptr || connection == nullptr) return E_POINTER;
  HRESULT hr = adviseHolder_ ? S_OK : CreateOleAdviseHolder(&adviseHolder_);
  if (SUCCEEDED(hr)) hr = adviseHolder_->Advise(sink, connection);
  Log("OleAdvise connection=" + std::to_string(SUCCEEDED(hr) ? *connection : 0) +
      " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::Unadvise(DWORD connection) {
  CheckThread("OleUnadvise");
  const HRESULT hr = adviseHolder_ ? adviseHolder_->Unadvise(connection) : OLE_E_NOCONNECTION;
  Log("OleUnadvise connection=" + std::to_string(connection) + " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::EnumAdvise(IEnumSTATDATA** advises) {
  CheckThread("EnumAdvise");
  if (advises == nullptr) return E_POINTER;
  *advises = nullptr;
  return adviseHolder_ ? adviseHolder_->EnumAdvise(advises) : OLE_E_ADVISENOTSUPPORTED;
}

HRESULT BrowserDouble::GetMiscStatus(DWORD aspect, DWORD* status) {
  CheckThread("GetMiscStatus");
  if (status == nullptr) return E_POINTER;
  *status = failures_.miscStatus.value_or(kMiscStatus);
  Log("GetMiscStatus aspect=" + std::to_string(aspect) + " status=" + Hex8(*status));
  return S_OK;
}

HRESULT BrowserDouble::SetColorScheme(LOGPALETTE*) { return NotImplemented("SetColorScheme"); }

HRESULT BrowserDouble::GetWindow(HWND* window) {
  CheckThread("GetWindow");
  if (window == nullptr) return E_POINTER;
  *window = page_.Handle();
  return *window != nullptr ? S_OK : E_FAIL;
}

HRESULT BrowserDouble::ContextSensitiveHelp(BOOL) {
  return NotImplemented("ContextSensitiveHelp");
}

HRESULT BrowserDouble::InPlaceDeactivate() {
  CheckThread("InPlaceDeactivate");
  Log(std::string("InPlaceDeactivate active=") + (inPlaceSite_ ? "1" : "0"));
  if (!inPlaceSite_) return S_OK;
  LogIfFailed("UIDeactivate", UIDeactivate());
  page_.Destroy();
  frame_.Reset();
  uiWindow_.Reset();
  // Moved out before the call, so that a site that re-enters sees the double
  // already inactive.
  ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  LogIfFailed("OnInPlaceDeactivate", site->OnInPlaceDeactivate());
  return S_OK;
}

HRESULT BrowserDouble::UIDeactivate() {
  CheckThread("UIDeactivate");
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  Log("UIDeactivate");
  if (frame_) LogIfFailed("SetActiveObject", frame_->SetActiveObject(nullptr, nullptr));
  if (uiWindow_) LogIfFailed("SetActiveObject", uiWindow_->SetActiveObject(nullptr, nullptr));
  if (inPlaceSite_) LogIfFailed("OnUIDeactivate", inPlaceSite_->OnUIDeactivate(FALSE));
  return S_OK;
}

HRESULT BrowserDouble::SetObjectRects(LPCRECT position, LPCRECT) {
  CheckThread("SetObjectRects");
  if (position == nullptr) return E_INVALIDARG;
  Log("SetObjectRects " + RectText(*position));
  page_.Move(*position);
  return S_OK;
}

HRESULT BrowserDouble::ReactivateAndUndo() {
  CheckThread("ReactivateAndUndo");
  Log("ReactivateAndUndo");
  return INPLACE_E_NOTUNDOABLE;
}

HRESULT BrowserDouble::TranslateAccelerator(LPMSG message) {
  CheckThread("TranslateAccelerator");
  if (message == nullptr) return E_INVALIDARG;
  // F5 is claimed so that a test can tell a claimed key from a passed one.
  const HRESULT hr =
      message->message == WM_KEYDOWN && message->wParam == VK_F5 ? S_OK : S_FALSE;
  Log("TranslateAccelerator msg=" + Hex(message->message) + " key=" + Hex(message->wParam) +
      " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::OnFrameWindowActivate(BOOL) {
  CheckThread("OnFrameWindowActivate");
  return S_OK;
}

HRESULT BrowserDouble::OnDocWindowActivate(BOOL) {
  CheckThread("OnDocWindowActivate");
  return S_OK;
}

HRESULT BrowserDouble::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) {
  CheckThread("ResizeBorder");
  return S_OK;
}

HRESULT BrowserDouble::EnableModeless(BOOL) {
  CheckThread("EnableModeless");
  return S_OK;
}

}  // namespace qbdouble
