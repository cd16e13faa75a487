// IWebBrowser2 whose methods all answer E_NOTIMPL except Navigate and Refresh,
// which the double implements; each stub logs its name, so that a call the
// viewer should not make shows in the log.
#pragma once

#include <exdisp.h>

namespace qbdouble {

class WebBrowser2Stubs : public IWebBrowser2 {
 protected:
  virtual HRESULT NotImplemented(const char* method) = 0;

 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return NotImplemented("GetTypeInfoCount");
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return NotImplemented("GetTypeInfo");
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return NotImplemented("GetIDsOfNames");
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return NotImplemented("Invoke");
  }
  HRESULT STDMETHODCALLTYPE GoBack() override {
    return NotImplemented("GoBack");
  }
  HRESULT STDMETHODCALLTYPE GoForward() override {
    return NotImplemented("GoForward");
  }
  HRESULT STDMETHODCALLTYPE GoHome() override {
    return NotImplemented("GoHome");
  }
  HRESULT STDMETHODCALLTYPE GoSearch() override {
    return NotImplemented("GoSearch");
  }
  HRESULT STDMETHODCALLTYPE Refresh2(VARIANT*) override {
    return NotImplemented("Refresh2");
  }
  HRESULT STDMETHODCALLTYPE Stop() override {
    return NotImplemented("Stop");
  }
  HRESULT STDMETHODCALLTYPE get_Application(IDispatch** value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Application");
  }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Parent");
  }
  HRESULT STDMETHODCALLTYPE get_Container(IDispatch** value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Container");
  }
  HRESULT STDMETHODCALLTYPE get_Document(IDispatch** value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Document");
  }
  HRESULT STDMETHODCALLTYPE get_TopLevelContainer(VARIANT_BOOL*) override {
    return NotImplemented("get_TopLevelContainer");
  }
  HRESULT STDMETHODCALLTYPE get_Type(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Type");
  }
  HRESULT STDMETHODCALLTYPE get_Left(LONG*) override {
    return NotImplemented("get_Left");
  }
  HRESULT STDMETHODCALLTYPE put_Left(LONG) override {
    return NotImplemented("put_Left");
  }
  HRESULT STDMETHODCALLTYPE get_Top(LONG*) override {
    return NotImplemented("get_Top");
  }
  HRESULT STDMETHODCALLTYPE put_Top(LONG) override {
    return NotImplemented("put_Top");
  }
  HRESULT STDMETHODCALLTYPE get_Width(LONG*) override {
    return NotImplemented("get_Width");
  }
  HRESULT STDMETHODCALLTYPE put_Width(LONG) override {
    return NotImplemented("put_Width");
  }
  HRESULT STDMETHODCALLTYPE get_Height(LONG*) override {
    return NotImplemented("get_Height");
  }
  HRESULT STDMETHODCALLTYPE put_Height(LONG) override {
    return NotImplemented("put_Height");
  }
  HRESULT STDMETHODCALLTYPE get_LocationName(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_LocationName");
  }
  HRESULT STDMETHODCALLTYPE get_LocationURL(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_LocationURL");
  }
  HRESULT STDMETHODCALLTYPE get_Busy(VARIANT_BOOL*) override {
    return NotImplemented("get_Busy");
  }
  HRESULT STDMETHODCALLTYPE Quit() override {
    return NotImplemented("Quit");
  }
  HRESULT STDMETHODCALLTYPE ClientToWindow(int*, int*) override {
    return NotImplemented("ClientToWindow");
  }
  HRESULT STDMETHODCALLTYPE PutProperty(BSTR, VARIANT) override {
    return NotImplemented("PutProperty");
  }
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR, VARIANT*) override {
    return NotImplemented("GetProperty");
  }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Name");
  }
  HRESULT STDMETHODCALLTYPE get_HWND(SHANDLE_PTR*) override {
    return NotImplemented("get_HWND");
  }
  HRESULT STDMETHODCALLTYPE get_FullName(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_FullName");
  }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_Path");
  }
  HRESULT STDMETHODCALLTYPE get_Visible(VARIANT_BOOL*) override {
    return NotImplemented("get_Visible");
  }
  HRESULT STDMETHODCALLTYPE put_Visible(VARIANT_BOOL) override {
    return NotImplemented("put_Visible");
  }
  HRESULT STDMETHODCALLTYPE get_StatusBar(VARIANT_BOOL*) override {
    return NotImplemented("get_StatusBar");
  }
  HRESULT STDMETHODCALLTYPE put_StatusBar(VARIANT_BOOL) override {
    return NotImplemented("put_StatusBar");
  }
  HRESULT STDMETHODCALLTYPE get_StatusText(BSTR* value) override {
    if (value != nullptr) *value = nullptr;
    return NotImplemented("get_StatusText");
  }
  HRESULT STDMETHODCALLTYPE put_StatusText(BSTR) override {
    return NotImplemented("put_StatusText");
  }
  HRESULT STDMETHODCALLTYPE get_ToolBar(int*) override {
    return NotImplemented("get_ToolBar");
  }
  HRESULT STDMETHODCALLTYPE put_ToolBar(int) override {
    return NotImplemented("put_ToolBar");
  }
  HRESULT STDMETHODCALLTYPE get_MenuBar(VARIANT_BOOL*) override {
    return NotImplemented("get_MenuBar");
  }
  HRESULT STDMETHODCALLTYPE put_MenuBar(VARIANT_BOOL) override {
    return NotImplemented("put_MenuBar");
  }
  HRESULT STDMETHODCALLTYPE get_FullScreen(VARIANT_BOOL*) override {
    return NotImplemented("get_FullScreen");
  }
  HRESULT STDMETHODCALLTYPE put_FullScreen(VARIANT_BOOL) override {
    return NotImplemented("put_FullScreen");
  }
  HRESULT STDMETHODCALLTYPE Navigate2(VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    return NotImplemented("Navigate2");
  }
  HRESULT STDMETHODCALLTYPE QueryStatusWB(OLECMDID, OLECMDF*) override {
    return NotImplemented("QueryStatusWB");
  }
  HRESULT STDMETHODCALLTYPE ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) override {
    return NotImplemented("ExecWB");
  }
  HRESULT STDMETHODCALLTYPE ShowBrowserBar(VARIANT*, VARIANT*, VARIANT*) override {
    return NotImplemented("ShowBrowserBar");
  }
  HRESULT STDMETHODCALLTYPE get_ReadyState(READYSTATE*) override {
    return NotImplemented("get_ReadyState");
  }
  HRESULT STDMETHODCALLTYPE get_Offline(VARIANT_BOOL*) override {
    return NotImplemented("get_Offline");
  }
  HRESULT STDMETHODCALLTYPE put_Offline(VARIANT_BOOL) override {
    return NotImplemented("put_Offline");
  }
  HRESULT STDMETHODCALLTYPE get_Silent(VARIANT_BOOL*) override {
    return NotImplemented("get_Silent");
  }
  HRESULT STDMETHODCALLTYPE put_Silent(VARIANT_BOOL) override {
    return NotImplemented("put_Silent");
  }
  HRESULT STDMETHODCALLTYPE get_RegisterAsBrowser(VARIANT_BOOL*) override {
    return NotImplemented("get_RegisterAsBrowser");
  }
  HRESULT STDMETHODCALLTYPE put_RegisterAsBrowser(VARIANT_BOOL) override {
    return NotImplemented("put_RegisterAsBrowser");
  }
  HRESULT STDMETHODCALLTYPE get_RegisterAsDropTarget(VARIANT_BOOL*) override {
    return NotImplemented("get_RegisterAsDropTarget");
  }
  HRESULT STDMETHODCALLTYPE put_RegisterAsDropTarget(VARIANT_BOOL) override {
    return NotImplemented("put_RegisterAsDropTarget");
  }
  HRESULT STDMETHODCALLTYPE get_TheaterMode(VARIANT_BOOL*) override {
    return NotImplemented("get_TheaterMode");
  }
  HRESULT STDMETHODCALLTYPE put_TheaterMode(VARIANT_BOOL) override {
    return NotImplemented("put_TheaterMode");
  }
  HRESULT STDMETHODCALLTYPE get_AddressBar(VARIANT_BOOL*) override {
    return NotImplemented("get_AddressBar");
  }
  HRESULT STDMETHODCALLTYPE put_AddressBar(VARIANT_BOOL) override {
    return NotImplemented("put_AddressBar");
  }
  HRESULT STDMETHODCALLTYPE get_Resizable(VARIANT_BOOL*) override {
    return NotImplemented("get_Resizable");
  }
  HRESULT STDMETHODCALLTYPE put_Resizable(VARIANT_BOOL) override {
    return NotImplemented("put_Resizable");
  }
};

}  // namespace qbdouble
