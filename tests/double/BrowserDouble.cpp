// The double's identity, lifetime, saved state, events and the two
// IWebBrowser2 methods that the viewer calls.
#include "BrowserDouble.h"

#include "DoubleLog.h"
#include "EventConnectionPoint.h"
#include "Module.h"

#include <exdisp.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>

using Microsoft::WRL::ComPtr;

namespace qbdouble {

namespace {

constexpr SIZEL kDefaultExtent = {20981, 12091};
constexpr size_t kMaxLoadSize = 64 * 1024;
constexpr size_t kExtentOffset = 4;
constexpr size_t kExtentEnd = kExtentOffset + 2 * sizeof(int32_t);
constexpr DWORD kSinkCookie = 1;

int32_t ReadInt32(const uint8_t* bytes) {
  return static_cast<int32_t>(static_cast<uint32_t>(bytes[0]) |
                              static_cast<uint32_t>(bytes[1]) << 8 |
                              static_cast<uint32_t>(bytes[2]) << 16 |
                              static_cast<uint32_t>(bytes[3]) << 24);
}

}  // namespace

BrowserDouble::BrowserDouble(const StartupFailures& failures)
    : thread_(GetCurrentThreadId()), failures_(failures), extent_(kDefaultExtent) {
  ObjectCreated(this);
}

BrowserDouble::~BrowserDouble() {
  // The page window goes first: the last object's departure unregisters its
  // window class, which fails while a window of the class is left.
  page_.Destroy();
  inPlaceSite_.Reset();
  frame_.Reset();
  uiWindow_.Reset();
  sink_.Reset();
  adviseHolder_.Reset();
  site_.Reset();
  ObjectDestroyed(this);
}

void BrowserDouble::CheckThread(const char* method) const {
  if (GetCurrentThreadId() != thread_) Log(std::string("WrongThread ") + method);
}

HRESULT BrowserDouble::NotImplemented(const char* method) {
  CheckThread(method);
  Log(std::string("NotImplemented ") + method);
  return E_NOTIMPL;
}

HRESULT BrowserDouble::QueryInterface(REFIID iid, void** object) {
  CheckThread("QueryInterface");
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  const bool inPlace = !failures_.noInPlaceObject;
  const bool browser = !failures_.noWebBrowser2;
  if (iid == IID_IUnknown || iid == IID_IOleObject) {
    *object = static_cast<IOleObject*>(this);
  } else if (iid == IID_IDispatch) {
    *object = static_cast<IWebBrowser2*>(this);
  } else if (browser &&
             (iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser)) {
    *object = static_cast<IWebBrowser2*>(this);
  } else if (iid == IID_IPersistStreamInit || iid == IID_IPersist) {
    *object = static_cast<IPersistStreamInit*>(this);
  } else if (inPlace && (iid == IID_IOleInPlaceObject || iid == IID_IOleWindow)) {
    *object = static_cast<IOleInPlaceObject*>(this);
  } else if (inPlace && iid == IID_IOleInPlaceActiveObject) {
    *object = static_cast<IOleInPlaceActiveObject*>(this);
  } else if (iid == IID_IConnectionPointContainer) {
    *object = static_cast<IConnectionPointContainer*>(this);
  } else if (iid == IID_IOleControl) {
    *object = static_cast<IOleControl*>(this);
  } else if (iid == IID_ISupportErrorInfo) {
    *object = static_cast<ISupportErrorInfo*>(this);
  } else {
    Log("QueryInterface iid=" + GuidText(iid) + " hr=" + Hex8(E_NOINTERFACE));
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG BrowserDouble::AddRef() {
  CheckThread("AddRef");
  return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG BrowserDouble::Release() {
  CheckThread("Release");
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) {
    LogFinalRelease();
    delete this;
  }
  return static_cast<ULONG>(refs);
}

void BrowserDouble::LogFinalRelease() {
  // The probe must leave the apartment as it found it: S_FALSE and S_OK each
  // took a reference on the thread's COM initialisation, RPC_E_CHANGED_MODE
  // took none.
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string state;
  if (hr == S_FALSE || hr == RPC_E_CHANGED_MODE) {
    state = "initialised";
  } else if (hr == S_OK) {
    state = "uninitialised";
  } else {
    state = "unknown hr=" + Hex8(hr);
  }
  if (hr == S_OK || hr == S_FALSE) CoUninitialize();
  Log("FinalRelease com=" + state);
}

HRESULT BrowserDouble::ApplyFailure(FailingMethod method) {
  const std::optional<FailureRule> rule = FailurePlan::Instance().Take(method);
  if (!rule) return S_OK;
  PublishErrorInfo(*rule);
  Log(std::string("Injected ") + (method == FailingMethod::Navigate ? "Navigate" : "Refresh") +
      " hr=" + Hex8(rule->hr));
  return rule->hr;
}

HRESULT BrowserDouble::Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName,
                                VARIANT* postData, VARIANT* headers) {
  CheckThread("Navigate");
  ++navigates_;
  const std::wstring target = url == nullptr ? std::wstring() : std::wstring(url, SysStringLen(url));
  Log("Navigate url=" + Utf8(target) + " flags=" + VariantText(flags) +
      " target=" + VariantText(targetFrameName) + " postdata=" + VariantText(postData) +
      " headers=" + VariantText(headers));
  const HRESULT hr = ApplyFailure(FailingMethod::Navigate);
  if (FAILED(hr)) return hr;
  url_ = target;
  page_.ShowUrl(url_);
  return hr;
}

HRESULT BrowserDouble::Refresh() {
  CheckThread("Refresh");
  ++refreshes_;
  const HRESULT hr = ApplyFailure(FailingMethod::Refresh);
  Log("Refresh hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::GetClassID(CLSID* clsid) {
  CheckThread("GetClassID");
  if (clsid == nullptr) return E_POINTER;
  *clsid = CLSID_WebBrowser;
  return S_OK;
}

HRESULT BrowserDouble::IsDirty() {
  CheckThread("IsDirty");
  return S_FALSE;
}

HRESULT BrowserDouble::Load(IStream* stream) {
  CheckThread("Load");
  if (stream == nullptr) return E_POINTER;
  // A second initialisation is a protocol error of the host; the documented
  // answer is E_UNEXPECTED.
  if (initialised_) {
    Log("Unexpected Load");
    return E_UNEXPECTED;
  }
  std::vector<uint8_t> bytes(kMaxLoadSize);
  size_t size = 0;
  while (size < bytes.size()) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(bytes.data() + size, static_cast<ULONG>(bytes.size() - size), &read);
    if (FAILED(hr)) {
      Log("LoadReadFailed hr=" + Hex8(hr));
      return hr;
    }
    size += read;
    if (hr == S_FALSE || read == 0) break;
  }
  bytes.resize(size);
  Log("Load size=" + std::to_string(size) + " bytes=" + HexBytes(bytes.data(), size));
  if (failures_.load) {
    Log("Injected Load hr=" + Hex8(*failures_.load));
    return *failures_.load;
  }
  if (size >= kExtentEnd) {
    extent_.cx = ReadInt32(bytes.data() + kExtentOffset);
    extent_.cy = ReadInt32(bytes.data() + kExtentOffset + sizeof(int32_t));
  }
  loaded_ = std::move(bytes);
  initialised_ = true;
  return S_OK;
}

HRESULT BrowserDouble::Save(IStream*, BOOL) { return NotImplemented("Save"); }

HRESULT BrowserDouble::GetSizeMax(ULARGE_INTEGER* size) {
  CheckThread("GetSizeMax");
  if (size == nullptr) return E_POINTER;
  size->QuadPart = std::max(loaded_.size(), kExtentEnd);
  return S_OK;
}

HRESULT BrowserDouble::InitNew() {
  CheckThread("InitNew");
  if (initialised_) {
    Log("Unexpected InitNew");
    return E_UNEXPECTED;
  }
  Log("InitNew");
  if (failures_.initNew) {
    Log("Injected InitNew hr=" + Hex8(*failures_.initNew));
    return *failures_.initNew;
  }
  extent_ = kDefaultExtent;
  initialised_ = true;
  return S_OK;
}

HRESULT BrowserDouble::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points != nullptr) *points = nullptr;
  return NotImplemented("EnumConnectionPoints");
}

HRESULT BrowserDouble::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  CheckThread("FindConnectionPoint");
  if (point == nullptr) return E_POINTER;
  *point = nullptr;
  const HRESULT hr = iid == DIID_DWebBrowserEvents2 ? EventConnectionPoint::Create(this, point)
                                                     : CONNECT_E_NOCONNECTION;
  Log("FindConnectionPoint iid=" + GuidText(iid) + " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::AdviseSink(IUnknown* sink, DWORD* cookie) {
  CheckThread("Advise");
  if (sink == nullptr || cookie == nullptr) return E_POINTER;
  *cookie = 0;
  HRESULT hr = S_OK;
  ComPtr<IDispatch> dispatch;
  if (failures_.advise) {
    Log("Injected Advise hr=" + Hex8(*failures_.advise));
    hr = *failures_.advise;
  } else if (sink_) {
    hr = CONNECT_E_ADVISELIMIT;
  } else if (FAILED(sink->QueryInterface(DIID_DWebBrowserEvents2,
                                         reinterpret_cast<void**>(dispatch.GetAddressOf()))) &&
             FAILED(sink->QueryInterface(IID_PPV_ARGS(&dispatch)))) {
    hr = CONNECT_E_CANNOTCONNECT;
  }
  if (FAILED(hr)) {
    Log("Advise hr=" + Hex8(hr));
    return hr;
  }
  sink_.Swap(dispatch);
  *cookie = kSinkCookie;
  Log("Advise cookie=" + std::to_string(kSinkCookie));
  return S_OK;
}

HRESULT BrowserDouble::UnadviseSink(DWORD cookie) {
  CheckThread("Unadvise");
  if (cookie != kSinkCookie || !sink_) {
    Log("Unadvise cookie=" + std::to_string(cookie) + " hr=" + Hex8(CONNECT_E_NOCONNECTION));
    return CONNECT_E_NOCONNECTION;
  }
  // Moved out first: the sink's last Release may call back into the double.
  ComPtr<IDispatch> sink = std::move(sink_);
  Log("Unadvise cookie=" + std::to_string(cookie));
  return S_OK;
}

HRESULT BrowserDouble::FireEvent(DISPID dispid, std::span<const VARIANT> arguments) {
  CheckThread("FireEvent");
  HRESULT hr = CONNECT_E_NOCONNECTION;
  if (sink_) {
    // Held for the call: the sink may unadvise, or the host let go of the
    // double, from inside its handler.
    ComPtr<IDispatch> sink = sink_;
    ComPtr<IWebBrowser2> self(this);
    std::vector<VARIANT> reversed(arguments.rbegin(), arguments.rend());
    DISPPARAMS parameters{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    hr = sink->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters,
                      nullptr, nullptr, nullptr);
  }
  Log("Fired dispid=" + std::to_string(dispid) + " hr=" + Hex8(hr));
  return hr;
}

HRESULT BrowserDouble::GetControlInfo(CONTROLINFO* info) {
  CheckThread("GetControlInfo");
  if (info == nullptr) return E_POINTER;
  info->hAccel = nullptr;
  info->cAccel = 0;
  info->dwFlags = 0;
  Log("GetControlInfo");
  return S_OK;
}

HRESULT BrowserDouble::OnMnemonic(MSG*) { return NotImplemented("OnMnemonic"); }

HRESULT BrowserDouble::OnAmbientPropertyChange(DISPID dispid) {
  CheckThread("OnAmbientPropertyChange");
  Log("OnAmbientPropertyChange dispid=" + std::to_string(dispid));
  return S_OK;
}

HRESULT BrowserDouble::FreezeEvents(BOOL freeze) {
  CheckThread("FreezeEvents");
  Log("FreezeEvents freeze=" + std::to_string(freeze));
  return S_OK;
}

HRESULT BrowserDouble::InterfaceSupportsErrorInfo(REFIID iid) {
  CheckThread("InterfaceSupportsErrorInfo");
  return iid == IID_IWebBrowser2 || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser
             ? S_OK
             : S_FALSE;
}

}  // namespace qbdouble
