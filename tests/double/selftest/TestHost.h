// A minimal container for the double: one reference-counted object that is
// client site, in-place site, in-place frame and DWebBrowserEvents2 sink, and
// that records the calls it receives for the checks to compare.
#pragma once

#include <windows.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

namespace selftest {

struct ReceivedEvent {
  DISPID dispid = 0;
  std::vector<VARTYPE> types;
  std::vector<LONG> values;
};

class TestHost final : public IOleClientSite,
                       public IOleInPlaceSite,
                       public IOleInPlaceFrame,
                       public IDispatch {
 public:
  static Microsoft::WRL::ComPtr<TestHost> Create(const RECT& position);

  HWND Window() const { return window_; }
  ULONG RefCount() const { return static_cast<ULONG>(refs_); }
  const std::vector<std::string>& Calls() const { return calls_; }
  const std::vector<ReceivedEvent>& Events() const { return events_; }
  IOleInPlaceActiveObject* ActiveObject() const { return activeObject_.Get(); }
  void ClearRecords();
  void SetInvokeResult(HRESULT hr) { invokeResult_ = hr; }
  void SetPosition(const RECT& position) { position_ = position; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // IOleClientSite
  HRESULT STDMETHODCALLTYPE SaveObject() override;
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
  HRESULT STDMETHODCALLTYPE ShowObject() override;
  HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override;
  HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override;

  // IOleWindow, shared by the in-place site and the frame
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override;
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override;

  // IOleInPlaceSite
  HRESULT STDMETHODCALLTYPE CanInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnInPlaceActivate() override;
  HRESULT STDMETHODCALLTYPE OnUIActivate() override;
  HRESULT STDMETHODCALLTYPE GetWindowContext(IOleInPlaceFrame** frame,
                                             IOleInPlaceUIWindow** document, LPRECT position,
                                             LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  HRESULT STDMETHODCALLTYPE Scroll(SIZE) override;
  HRESULT STDMETHODCALLTYPE OnUIDeactivate(BOOL) override;
  HRESULT STDMETHODCALLTYPE OnInPlaceDeactivate() override;
  HRESULT STDMETHODCALLTYPE DiscardUndoState() override;
  HRESULT STDMETHODCALLTYPE DeactivateAndUndo() override;
  HRESULT STDMETHODCALLTYPE OnPosRectChange(LPCRECT) override;

  // IOleInPlaceUIWindow, IOleInPlaceFrame
  HRESULT STDMETHODCALLTYPE GetBorder(LPRECT) override;
  HRESULT STDMETHODCALLTYPE RequestBorderSpace(LPCBORDERWIDTHS) override;
  HRESULT STDMETHODCALLTYPE SetBorderSpace(LPCBORDERWIDTHS) override;
  HRESULT STDMETHODCALLTYPE SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override;
  HRESULT STDMETHODCALLTYPE SetMenu(HMENU, HOLEMENU, HWND) override;
  HRESULT STDMETHODCALLTYPE RemoveMenus(HMENU) override;
  HRESULT STDMETHODCALLTYPE SetStatusText(LPCOLESTR) override;
  HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override;
  HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG, WORD) override;

  // IDispatch, as the event sink
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* parameters,
                                   VARIANT*, EXCEPINFO*, UINT*) override;

 private:
  explicit TestHost(const RECT& position);
  ~TestHost();

  volatile LONG refs_ = 1;
  HWND window_ = nullptr;
  RECT position_;
  HRESULT invokeResult_ = S_OK;
  std::vector<std::string> calls_;
  std::vector<ReceivedEvent> events_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
};

}  // namespace selftest
