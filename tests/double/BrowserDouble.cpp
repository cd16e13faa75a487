// The double's calls that do more than answer: the client site, activation,
// the saved state, the event sink and the two IWebBrowser2 methods used.
#include "BrowserDouble.h"

namespace qbdouble {

namespace {

constexpr DISPID kAmbientDownloadControl = -5512;
constexpr ULONG kMaxLoadSize = 64 * 1024;
constexpr ULONG kExtentOffset = 4;
// DISPPARAMS carries an event's arguments last first.
constexpr int kProgressMaxArgument = 0;
constexpr int kProgressArgument = 1;

LONG ReadInt32(const BYTE* bytes) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = value << 8 | bytes[i];
  return static_cast<LONG>(value);
}

std::string VariantText(const VARIANT* value) {
  if (value == nullptr) return "null";
  const std::string type = std::to_string(V_VT(value)) + ":";
  if (V_VT(value) == VT_ERROR) return type + Hex8(V_ERROR(value));
  return V_VT(value) == VT_EMPTY ? type : type + "?";
}

}  // namespace

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
    hr = ambients->Invoke(kAmbientDownloadControl, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                          &result, nullptr, nullptr);
    VariantClear(&result);
  }
  Log("Ambient dispid=%ld hr=%s", kAmbientDownloadControl, Hex8(hr).c_str());
  return S_OK;
}

STDMETHODIMP BrowserDouble::DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND,
                                   LPCRECT rect) {
  // What the verb did is logged after the verb itself.
  std::vector<std::string> done;
  HRESULT hr = S_OK;
  const Failures& failures = CurrentFailures();
  if (failures.doVerb) {
    hr = *failures.doVerb;
  } else if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW &&
             verb != OLEIVERB_PRIMARY && verb != OLEIVERB_UIACTIVATE) {
    hr = E_NOTIMPL;
  } else if (!failures.noInPlaceObject) {
    IOleClientSite* client = activeSite != nullptr ? activeSite : site_.Get();
    hr = Activate(client, rect, verb == OLEIVERB_UIACTIVATE, done);
  }
  Log("DoVerb verb=%ld hr=%s", verb, Hex8(hr).c_str());
  for (const std::string& line : done) Log("%s", line.c_str());
  return hr;
}

HRESULT BrowserDouble::Activate(IOleClientSite* client, LPCRECT rect, bool uiActivate,
                                std::vector<std::string>& done) {
  if (inPlaceSite_ && rect != nullptr) {
    MoveWindow(page_.get(), rect->left, rect->top, rect->right - rect->left,
               rect->bottom - rect->top, TRUE);
  }
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
    if (SUCCEEDED(hr)) {
      hr = site->GetWindowContext(&frame_, &document_, &position, &clip, &frameInfo);
    }
    const RECT placed = rect != nullptr ? *rect : position;
    if (SUCCEEDED(hr)) page_.reset(CreatePage(parent, placed));
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
    if (size >= kExtentOffset + 8) {
      extent_ = {ReadInt32(&bytes[kExtentOffset]), ReadInt32(&bytes[kExtentOffset + 4])};
    }
  }
  Log("Load size=%lu cx=%ld cy=%ld hr=%s", size, extent_.cx, extent_.cy, Hex8(hr).c_str());
  return hr;
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

STDMETHODIMP BrowserDouble::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_INVALIDARG;
  const RECT& r = *position;
  Log("SetObjectRects left=%ld top=%ld right=%ld bottom=%ld", r.left, r.top, r.right, r.bottom);
  if (page_) MoveWindow(page_.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  return S_OK;
}

HRESULT BrowserDouble::JoinSink(IUnknown* sink, DWORD* cookie) {
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  *cookie = 0;
  ComPtr<IDispatch> dispatch;
  HRESULT hr = CurrentFailures().advise.value_or(sink_ ? CONNECT_E_ADVISELIMIT : S_OK);
  if (hr == S_OK && FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch)))) {
    hr = CONNECT_E_CANNOTCONNECT;
  }
  if (hr == S_OK) {
    sink_ = std::move(dispatch);
    *cookie = kCookie;
  }
  Log("Advise hr=%s", Hex8(hr).c_str());
  return hr;
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
    hr = sink->Invoke(DISPID_PROGRESSCHANGE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                      &parameters, nullptr, nullptr, nullptr);
  }
  Log("Fired dispid=%d hr=%s", DISPID_PROGRESSCHANGE, Hex8(hr).c_str());
  return hr;
}

STDMETHODIMP BrowserDouble::Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                     VARIANT* headers) {
  Log("Navigate url=%s flags=%s target=%s postdata=%s headers=%s",
      Utf8({url, url != nullptr ? SysStringLen(url) : 0}).c_str(), VariantText(flags).c_str(),
      VariantText(target).c_str(), VariantText(postData).c_str(), VariantText(headers).c_str());
  return S_OK;
}

STDMETHODIMP BrowserDouble::Refresh() {
  ++refreshes_;
  const std::optional<FailureRule>& rule = CurrentFailures().refresh;
  ComPtr<ICreateErrorInfo> creator;
  ComPtr<IErrorInfo> info;
  if (rule && rule->description && SUCCEEDED(CreateErrorInfo(&creator)) &&
      SUCCEEDED(creator->SetDescription(const_cast<LPOLESTR>(rule->description->c_str())))) {
    creator.As(&info);
  }
  // Without a description no error object may be left over from an earlier call.
  if (rule) SetErrorInfo(0, info.Get());
  const HRESULT hr = rule ? rule->hr : S_OK;
  Log("Refresh hr=%s", Hex8(hr).c_str());
  return hr;
}

}  // namespace qbdouble
