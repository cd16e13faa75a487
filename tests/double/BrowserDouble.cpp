// The double's COM object: saved state, extent, in-place activation, the
// event sink and the two IWebBrowser2 methods that the viewer calls.
#include "BrowserDouble.h"

#include <exdispid.h>
#include <olectl.h>

#include <cstdint>

using Microsoft::WRL::ComPtr;

namespace qbdouble {

namespace {

constexpr SIZEL kInitialExtent = {20981, 12091};
// Wine's own control keeps its 50 x 20 px default whatever it loads.
constexpr SIZEL kWineExtent = {1323, 529};
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                              OLEMISC_CANTLINKINSIDE;
constexpr DISPID kAmbientDownloadControl = -5512;
constexpr ULONG kMaxLoadSize = 64 * 1024;
constexpr ULONG kExtentOffset = 4;
constexpr DWORD kCookie = 1;
// DISPPARAMS carries an event's arguments last first.
constexpr int kProgressMaxArgument = 0;
constexpr int kProgressArgument = 1;
constexpr wchar_t kPageTextPrefix[] = L"Test double: ";

LONG ReadInt32(const BYTE* bytes) {
  return static_cast<LONG>(static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
}

std::string VariantText(const VARIANT* value) {
  if (value == nullptr) return "null";
  const std::string type = std::to_string(V_VT(value)) + ":";
  if (V_VT(value) == VT_ERROR) return type + Hex8(V_ERROR(value));
  return V_VT(value) == VT_EMPTY ? type : type + "?";
}

void MoveTo(HWND window, const RECT& rect) {
  MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

LRESULT CALLBACK PageProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT && message != WM_PRINTCLIENT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint{};
  HDC dc = message == WM_PAINT ? BeginPaint(window, &paint) : reinterpret_cast<HDC>(wParam);
  RECT client{};
  GetClientRect(window, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  wchar_t text[1024];
  DrawTextW(dc, text, GetWindowTextW(window, text, 1024), &client, DT_WORDBREAK | DT_NOPREFIX);
  if (message == WM_PAINT) EndPaint(window, &paint);
  return 0;
}

class EventPoint final : public IConnectionPoint {
 public:
  explicit EventPoint(BrowserDouble* owner) : owner_(owner) {}
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
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override { return owner_->JoinSink(sink, cookie); }
  STDMETHODIMP Unadvise(DWORD cookie) override { return owner_->LeaveSink(cookie); }
  QB_NOT_IMPLEMENTED(EnumConnections, (IEnumConnections**))

 private:
  ~EventPoint() = default;
  ULONG refs_ = 1;
  ComPtr<BrowserDouble> owner_;
};

}  // namespace

BrowserDouble::BrowserDouble()
    : extent_(CurrentFailures().keepDefaultExtent ? kWineExtent : kInitialExtent) {
  ObjectCreated(this);
}

BrowserDouble::~BrowserDouble() {
  // The page goes first: the last object's departure unregisters its class.
  page_.reset();
  ObjectDestroyed(this);
}

STDMETHODIMP BrowserDouble::QueryInterface(REFIID iid, void** object) {
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

STDMETHODIMP_(ULONG) BrowserDouble::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) BrowserDouble::Release() {
  const ULONG refs = --refs_;
  if (refs != 0) return refs;
  // The probe leaves the thread as it found it: S_OK and S_FALSE each took
  // a reference on its initialisation, RPC_E_CHANGED_MODE took none.
  const HRESULT probe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (probe == S_OK || probe == S_FALSE) CoUninitialize();
  Log("FinalRelease com=%s", probe == S_OK ? "uninitialised" : "initialised");
  delete this;
  return 0;
}

STDMETHODIMP BrowserDouble::SetClientSite(IOleClientSite* site) {
  site_ = site;
  Log("SetClientSite site=%d hr=%s", site != nullptr, Hex8(S_OK).c_str());
  if (site == nullptr) return S_OK;
  // A real control asks its new site for ambient properties at once.
  ComPtr<IDispatch> ambients;
  HRESULT hr = site->QueryInterface(IID_PPV_ARGS(&ambients));
  if (SUCCEEDED(hr)) {
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    hr = ambients->Invoke(kAmbientDownloadControl, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result,
                          nullptr, nullptr);
    VariantClear(&result);
  }
  Log("Ambient dispid=%ld hr=%s", kAmbientDownloadControl, Hex8(hr).c_str());
  return S_OK;
}

STDMETHODIMP BrowserDouble::Close(DWORD) {
  Log("Close");
  // Closing leaves the client site alone: the host takes it back itself.
  if (inPlaceSite_) InPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP BrowserDouble::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT rect) {
  // What the verb did is logged after the verb itself.
  std::vector<std::string> done;
  HRESULT hr = S_OK;
  const Failures& failures = CurrentFailures();
  if (failures.doVerb) {
    hr = *failures.doVerb;
  } else if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_PRIMARY &&
             verb != OLEIVERB_UIACTIVATE) {
    hr = E_NOTIMPL;
  } else if (!failures.noInPlaceObject) {
    hr = Activate(activeSite != nullptr ? activeSite : site_.Get(), rect, verb == OLEIVERB_UIACTIVATE, done);
  }
  Log("DoVerb verb=%ld hr=%s", verb, Hex8(hr).c_str());
  for (const std::string& line : done) Log("%s", line.c_str());
  return hr;
}

HRESULT BrowserDouble::Activate(IOleClientSite* client, LPCRECT rect, bool uiActivate,
                                std::vector<std::string>& done) {
  if (inPlaceSite_ && rect != nullptr) MoveTo(page_.get(), *rect);
  if (!inPlaceSite_) {
    ComPtr<IOleInPlaceSite> site;
    HRESULT hr = client != nullptr ? client->QueryInterface(IID_PPV_ARGS(&site)) : E_UNEXPECTED;
    if (FAILED(hr)) return hr;
    hr = site->CanInPlaceActivate();
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    hr = site->OnInPlaceActivate();
    if (FAILED(hr)) return hr;
    HWND parent = nullptr;
    RECT position{};
    RECT clip{};
    OLEINPLACEFRAMEINFO frameInfo{};
    frameInfo.cb = sizeof frameInfo;
    hr = site->GetWindow(&parent);
    if (SUCCEEDED(hr)) hr = site->GetWindowContext(&frame_, &document_, &position, &clip, &frameInfo);
    const RECT placed = rect != nullptr ? *rect : position;
    if (SUCCEEDED(hr) && RegisterWindowClass(kPageClass, PageProcedure)) {
      page_.reset(CreateWindowExW(0, kPageClass, (kPageTextPrefix + url_).c_str(),
                                  WS_CHILD | WS_VISIBLE | WS_TABSTOP, placed.left, placed.top,
                                  placed.right - placed.left, placed.bottom - placed.top, parent, nullptr,
                                  ModuleInstance(), nullptr));
    }
    if (FAILED(hr) || !page_) {
      frame_.Reset();
      document_.Reset();
      site->OnInPlaceDeactivate();
      return FAILED(hr) ? hr : HRESULT_FROM_WIN32(GetLastError());
    }
    inPlaceSite_ = std::move(site);
    char line[160];
    snprintf(line, sizeof line, "InPlaceActivate parent=%llx left=%ld top=%ld right=%ld bottom=%ld",
             static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(parent)), placed.left,
             placed.top, placed.right, placed.bottom);
    done.emplace_back(line);
  }
  if (uiActivate && !uiActive_) {
    const HRESULT hr = inPlaceSite_->OnUIActivate();
    if (FAILED(hr)) return hr;
    uiActive_ = true;
    if (frame_) frame_->SetActiveObject(this, L"QbBrowserDouble");
    SetFocus(page_.get());
    done.emplace_back("UIActivate");
  }
  return S_OK;
}

STDMETHODIMP BrowserDouble::SetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  const HRESULT hr = aspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
  if (hr == S_OK) extent_ = *size;
  Log("SetExtent cx=%ld cy=%ld hr=%s", size->cx, size->cy, Hex8(hr).c_str());
  return hr;
}

STDMETHODIMP BrowserDouble::GetExtent(DWORD aspect, SIZEL* size) {
  if (size == nullptr) return E_POINTER;
  if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  *size = extent_;
  Log("GetExtent cx=%ld cy=%ld", size->cx, size->cy);
  return S_OK;
}

STDMETHODIMP BrowserDouble::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = kMiscStatus;
  return S_OK;
}

STDMETHODIMP BrowserDouble::Load(IStream* stream) {
  std::vector<BYTE> bytes(kMaxLoadSize);
  ULONG size = 0;
  // A second initialisation is the host's mistake; the stream is left unread.
  HRESULT hr = initialised_ ? E_UNEXPECTED : stream == nullptr ? E_POINTER : S_OK;
  while (hr == S_OK && size < kMaxLoadSize) {
    ULONG read = 0;
    hr = stream->Read(bytes.data() + size, kMaxLoadSize - size, &read);
    size += read;
    if (read == 0) break;
  }
  if (SUCCEEDED(hr)) hr = CurrentFailures().load.value_or(S_OK);
  if (SUCCEEDED(hr)) {
    initialised_ = true;
    if (size >= kExtentOffset + 8 && !CurrentFailures().keepDefaultExtent) {
      extent_ = {ReadInt32(&bytes[kExtentOffset]), ReadInt32(&bytes[kExtentOffset + 4])};
    }
  }
  Log("Load size=%lu cx=%ld cy=%ld hr=%s", size, extent_.cx, extent_.cy, Hex8(hr).c_str());
  return hr;
}

STDMETHODIMP BrowserDouble::InitNew() {
  const HRESULT hr = initialised_ ? E_UNEXPECTED : S_OK;
  if (hr == S_OK) {
    initialised_ = true;
    extent_ = CurrentFailures().keepDefaultExtent ? kWineExtent : kInitialExtent;
  }
  Log("InitNew hr=%s", Hex8(hr).c_str());
  return hr;
}

STDMETHODIMP BrowserDouble::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = page_.get();
  return page_ ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserDouble::InPlaceDeactivate() {
  Log("InPlaceDeactivate");
  if (!inPlaceSite_) return S_OK;
  UIDeactivate();
  page_.reset();
  frame_.Reset();
  document_.Reset();
  // Moved out first, so that a site that calls back finds the double inactive.
  const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
  site->OnInPlaceDeactivate();
  return S_OK;
}

STDMETHODIMP BrowserDouble::UIDeactivate() {
  if (!uiActive_) return S_OK;
  uiActive_ = false;
  if (frame_) frame_->SetActiveObject(nullptr, nullptr);
  inPlaceSite_->OnUIDeactivate(FALSE);
  return S_OK;
}

STDMETHODIMP BrowserDouble::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_INVALIDARG;
  Log("SetObjectRects left=%ld top=%ld right=%ld bottom=%ld", position->left, position->top,
      position->right, position->bottom);
  if (page_) MoveTo(page_.get(), *position);
  return S_OK;
}

STDMETHODIMP BrowserDouble::TranslateAccelerator(LPMSG message) {
  if (message == nullptr) return E_INVALIDARG;
  // F5 alone is claimed, so that a test can tell a claimed key from a passed one.
  const HRESULT hr = message->message == WM_KEYDOWN && message->wParam == VK_F5 ? S_OK : S_FALSE;
  Log("TranslateAccelerator msg=%x key=%llx hr=%s", message->message,
      static_cast<unsigned long long>(message->wParam), Hex8(hr).c_str());
  return hr;
}

STDMETHODIMP BrowserDouble::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (point == nullptr) return E_POINTER;
  *point = iid == DIID_DWebBrowserEvents2 ? new EventPoint(this) : nullptr;
  const HRESULT hr = *point != nullptr ? S_OK : CONNECT_E_NOCONNECTION;
  Log("FindConnectionPoint hr=%s", Hex8(hr).c_str());
  return hr;
}

HRESULT BrowserDouble::JoinSink(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  *cookie = 0;
  ComPtr<IDispatch> dispatch;
  HRESULT hr = CurrentFailures().advise.value_or(sink_ ? CONNECT_E_ADVISELIMIT : S_OK);
  if (hr == S_OK && FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch)))) hr = CONNECT_E_CANNOTCONNECT;
  if (hr == S_OK) {
    sink_ = std::move(dispatch);
    *cookie = kCookie;
  }
  Log("Advise hr=%s", Hex8(hr).c_str());
  return hr;
}

HRESULT BrowserDouble::LeaveSink(DWORD cookie) {
  Log("Unadvise cookie=%lu", cookie);
  if (cookie != kCookie || !sink_) return CONNECT_E_NOCONNECTION;
  // Moved out first: the sink's last Release may call back into the double.
  const ComPtr<IDispatch> sink = std::move(sink_);
  return S_OK;
}

HRESULT BrowserDouble::FireProgress(LONG progress, LONG progressMax) {
  // Both held for the call: the handler may unadvise or let go of the double.
  const ComPtr<IOleObject> self(this);
  const ComPtr<IDispatch> sink = sink_;
  HRESULT hr = CONNECT_E_NOCONNECTION;
  if (sink) {
    VARIANT arguments[2];
    V_VT(&arguments[kProgressArgument]) = VT_I4;
    V_I4(&arguments[kProgressArgument]) = progress;
    V_VT(&arguments[kProgressMaxArgument]) = VT_I4;
    V_I4(&arguments[kProgressMaxArgument]) = progressMax;
    DISPPARAMS parameters{arguments, nullptr, 2, 0};
    hr = sink->Invoke(DISPID_PROGRESSCHANGE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                      nullptr, nullptr, nullptr);
  }
  Log("Fired dispid=%d hr=%s", DISPID_PROGRESSCHANGE, Hex8(hr).c_str());
  return hr;
}

HRESULT BrowserDouble::ApplyFailure(const std::optional<FailureRule>& rule) {
  if (!rule) return S_OK;
  ComPtr<ICreateErrorInfo> creator;
  ComPtr<IErrorInfo> info;
  if (rule->description && SUCCEEDED(CreateErrorInfo(&creator)) &&
      SUCCEEDED(creator->SetDescription(const_cast<LPOLESTR>(rule->description->c_str())))) {
    creator.As(&info);
  }
  // Without a description no error object may be left over from an earlier call.
  SetErrorInfo(0, info.Get());
  return rule->hr;
}

STDMETHODIMP BrowserDouble::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                     VARIANT* headers) {
  ++navigates_;
  const std::wstring address = url != nullptr ? std::wstring(url, SysStringLen(url)) : std::wstring();
  Log("Navigate url=%s flags=%s target=%s postdata=%s headers=%s", Utf8(address).c_str(),
      VariantText(flags).c_str(), VariantText(target).c_str(), VariantText(postData).c_str(),
      VariantText(headers).c_str());
  const HRESULT hr = ApplyFailure(CurrentFailures().navigate);
  if (FAILED(hr)) return hr;
  url_ = address;
  if (page_) SetWindowTextW(page_.get(), (kPageTextPrefix + url_).c_str());
  if (page_) InvalidateRect(page_.get(), nullptr, TRUE);
  return hr;
}

STDMETHODIMP BrowserDouble::Refresh() {
  ++refreshes_;
  const HRESULT hr = ApplyFailure(CurrentFailures().refresh);
  Log("Refresh hr=%s", Hex8(hr).c_str());
  return hr;
}

}  // namespace qbdouble
