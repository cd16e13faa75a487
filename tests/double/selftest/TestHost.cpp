// The self-test's container: answers the double's calls the way a simple
// host does and writes down each of them.
#include "TestHost.h"

#include "../Adopt.h"

#include <exdisp.h>

namespace selftest {

Microsoft::WRL::ComPtr<TestHost> TestHost::Create(const RECT& position) {
  return qbdouble::Adopt(new TestHost(position));
}

TestHost::TestHost(const RECT& position) : position_(position) {
  // A stock class is enough for a parent: the double only needs a window
  // to put its own into.
  window_ = CreateWindowExW(0, L"STATIC", L"QbBrowserDoubleSelfTest host",
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_VISIBLE, 0, 0, 800, 600,
                            nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

TestHost::~TestHost() {
  if (window_ != nullptr) DestroyWindow(window_);
}

void TestHost::ClearRecords() {
  calls_.clear();
  events_.clear();
}

HRESULT TestHost::QueryInterface(REFIID iid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
    *object = static_cast<IOleClientSite*>(this);
  } else if (iid == IID_IOleInPlaceSite || iid == IID_IOleWindow) {
    *object = static_cast<IOleInPlaceSite*>(this);
  } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
    *object = static_cast<IOleInPlaceFrame*>(this);
  } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
    *object = static_cast<IDispatch*>(this);
  } else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

ULONG TestHost::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }

ULONG TestHost::Release() {
  const LONG refs = InterlockedDecrement(&refs_);
  if (refs == 0) delete this;
  return static_cast<ULONG>(refs);
}

HRESULT TestHost::SaveObject() { return E_NOTIMPL; }

HRESULT TestHost::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
  if (moniker != nullptr) *moniker = nullptr;
  return E_NOTIMPL;
}

HRESULT TestHost::GetContainer(IOleContainer** container) {
  if (container != nullptr) *container = nullptr;
  return E_NOINTERFACE;
}

HRESULT TestHost::ShowObject() { return S_OK; }
HRESULT TestHost::OnShowWindow(BOOL) { return S_OK; }
HRESULT TestHost::RequestNewObjectLayout() { return E_NOTIMPL; }

HRESULT TestHost::GetWindow(HWND* window) {
  calls_.push_back("GetWindow");
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return S_OK;
}

HRESULT TestHost::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT TestHost::CanInPlaceActivate() {
  calls_.push_back("CanInPlaceActivate");
  return S_OK;
}

HRESULT TestHost::OnInPlaceActivate() {
  calls_.push_back("OnInPlaceActivate");
  return S_OK;
}

HRESULT TestHost::OnUIActivate() {
  calls_.push_back("OnUIActivate");
  return S_OK;
}

HRESULT TestHost::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                   LPRECT position, LPRECT clip, LPOLEINPLACEFRAMEINFO info) {
  calls_.push_back("GetWindowContext");
  if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr ||
      info == nullptr) {
    return E_POINTER;
  }
  *frame = this;
  AddRef();
  // No document window between frame and object: the documented answer is
  // null.
  *document = nullptr;
  *position = position_;
  *clip = position_;
  if (info->cb != sizeof(OLEINPLACEFRAMEINFO)) calls_.push_back("FrameInfoSizeNotSet");
  info->fMDIApp = FALSE;
  info->hwndFrame = window_;
  info->haccel = nullptr;
  info->cAccelEntries = 0;
  return S_OK;
}

HRESULT TestHost::Scroll(SIZE) { return E_NOTIMPL; }

HRESULT TestHost::OnUIDeactivate(BOOL) {
  calls_.push_back("OnUIDeactivate");
  return S_OK;
}

HRESULT TestHost::OnInPlaceDeactivate() {
  calls_.push_back("OnInPlaceDeactivate");
  return S_OK;
}

HRESULT TestHost::DiscardUndoState() { return S_OK; }
HRESULT TestHost::DeactivateAndUndo() { return S_OK; }
HRESULT TestHost::OnPosRectChange(LPCRECT) { return S_OK; }
HRESULT TestHost::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
HRESULT TestHost::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
HRESULT TestHost::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }

HRESULT TestHost::SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) {
  calls_.push_back(object != nullptr ? "SetActiveObject" : "SetActiveObject(null)");
  activeObject_ = object;
  return S_OK;
}

HRESULT TestHost::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
HRESULT TestHost::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
HRESULT TestHost::RemoveMenus(HMENU) { return E_NOTIMPL; }
HRESULT TestHost::SetStatusText(LPCOLESTR) { return S_OK; }
HRESULT TestHost::EnableModeless(BOOL) { return S_OK; }
HRESULT TestHost::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

HRESULT TestHost::GetTypeInfoCount(UINT* count) {
  if (count != nullptr) *count = 0;
  return S_OK;
}

HRESULT TestHost::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT TestHost::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return DISP_E_UNKNOWNNAME;
}

HRESULT TestHost::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*,
                         EXCEPINFO*, UINT*) {
  ReceivedEvent event;
  event.dispid = dispid;
  if (parameters != nullptr) {
    for (UINT i = 0; i < parameters->cArgs; ++i) {
      const VARIANT& argument = parameters->rgvarg[i];
      event.types.push_back(V_VT(&argument));
      event.values.push_back(V_VT(&argument) == VT_I4 ? V_I4(&argument) : 0);
    }
  }
  events_.push_back(event);
  return invokeResult_;
}

}  // namespace selftest
