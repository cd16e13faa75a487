// One host's whole life with the double, the way the viewer lives it:
// create, load, activate, join the events, navigate and refresh with and
// without injected failures, then tear down to a reference count of zero.
#include "Expect.h"
#include "Scenarios.h"
#include "Session.h"

#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>

#include <optional>

using Microsoft::WRL::ComPtr;

namespace selftest {

namespace {

constexpr RECT kHostPosition = {10, 20, 310, 220};
constexpr RECT kMovedPosition = {5, 6, 405, 306};
constexpr int32_t kLoadedCx = 12345;
constexpr int32_t kLoadedCy = 6789;
constexpr SIZEL kDefaultExtent = {20981, 12091};
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                              OLEMISC_CANTLINKINSIDE;
constexpr DWORD kCookie = 1;
constexpr DISPID kProgressChange = 108;
// DISPPARAMS carry an event's arguments last first.
constexpr size_t kProgressMaxArgument = 0;
constexpr size_t kProgressArgument = 1;

std::string RectText(const RECT& rect) {
  return std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom);
}

RECT RectInParent(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void CheckCreation(const DoubleLibrary& library, Session& session, const LogFile& log) {
  ComPtr<IClassFactory> factory;
  ExpectHr(library.GetClassObject(IID_IUnknown, factory), CLASS_E_CLASSNOTAVAILABLE,
           "DllGetClassObject for a foreign CLSID");
  if (!ExpectHr(library.GetClassObject(CLSID_WebBrowser, factory), S_OK,
                "DllGetClassObject for the browser CLSID")) {
    return;
  }
  ComPtr<IUnknown> aggregated;
  ExpectHr(factory->CreateInstance(static_cast<IOleClientSite*>(session.host.Get()),
                                   IID_PPV_ARGS(&aggregated)),
           CLASS_E_NOAGGREGATION, "CreateInstance with an outer unknown");
  ExpectHr(factory->CreateInstance(nullptr, IID_PPV_ARGS(&session.object)), S_OK,
           "CreateInstance for IOleObject");
  factory.Reset();
  const HWND control = FindControlWindow();
  Expect(control != nullptr, "control window exists once an object does");
  Expect(!IsWindowVisible(control), "control window stays hidden");
  ExpectHr(library.CanUnloadNow(), S_FALSE, "DllCanUnloadNow while an object lives");
  Expect(log.Contains("CreateInstance iid={00000112-0000-0000-C000-000000000046} hr=00000000"),
         "log records CreateInstance for IOleObject");
  ExpectEq(QueryRefs(), 1, "query refs with only the IOleObject pointer held");
}

void CheckSavedState(Session& session, const LogFile& log) {
  ExpectHr(session.object->SetClientSite(session.host.Get()), S_OK, "SetClientSite");
  Expect(log.Contains("SetClientSite site=1"), "log records SetClientSite site=1");
  ExpectEq(session.host->RefCount(), 2ul, "the double holds the site once");
  ExpectHr(session.object.As(&session.persist), S_OK, "QueryInterface IPersistStreamInit");
  CLSID clsid{};
  ExpectHr(session.persist->GetClassID(&clsid), S_OK, "GetClassID");
  Expect(clsid == CLSID_WebBrowser, "GetClassID names the browser CLSID");

  const std::vector<uint8_t> state = SavedState(kLoadedCx, kLoadedCy);
  ExpectHr(session.persist->Load(StreamOf(state).Get()), S_OK, "Load of the saved state");
  Expect(log.Contains("Load size=156 bytes=" + LowerHex(state)), "log records every loaded byte");
  ExpectHr(session.persist->InitNew(), E_UNEXPECTED, "InitNew after Load");

  SIZEL extent{};
  ExpectHr(session.object->GetExtent(DVASPECT_CONTENT, &extent), S_OK, "GetExtent");
  ExpectEq(extent.cx, kLoadedCx, "GetExtent cx is what Load read at byte 4");
  ExpectEq(extent.cy, kLoadedCy, "GetExtent cy is what Load read at byte 8");
  Expect(log.Contains("GetExtent cx=12345 cy=6789"), "log records GetExtent");
  SIZEL resized = {800, 600};
  ExpectHr(session.object->SetExtent(DVASPECT_CONTENT, &resized), S_OK, "SetExtent");
  ExpectHr(session.object->GetExtent(DVASPECT_CONTENT, &extent), S_OK, "GetExtent after SetExtent");
  ExpectEq(extent.cx, 800l, "GetExtent cx after SetExtent");
  ExpectEq(extent.cy, 600l, "GetExtent cy after SetExtent");
  Expect(log.Contains("SetExtent cx=800 cy=600"), "log records SetExtent");

  DWORD status = 0;
  ExpectHr(session.object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK, "GetMiscStatus");
  ExpectEq(status, kMiscStatus, "GetMiscStatus flags");
}

// Each case needs a fresh object, since an object is initialised only once.
void CheckInitialExtents(const DoubleLibrary& library) {
  struct Case {
    const char* what;
    std::optional<std::vector<uint8_t>> stream;
    SIZEL extent;
  };
  const std::vector<uint8_t> twelve = {0, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0};
  const Case cases[] = {
      {"InitNew gives the default extent", std::nullopt, kDefaultExtent},
      {"a stream shorter than 12 bytes keeps the default", std::vector<uint8_t>(8, 0xff),
       kDefaultExtent},
      {"exactly 12 bytes carry an extent", twelve, {1, 2}},
      {"extents are signed little-endian", SavedState(-100, 2147483647), {-100, 2147483647}},
  };
  ComPtr<IClassFactory> factory;
  if (FAILED(library.GetClassObject(CLSID_WebBrowser, factory))) return;
  for (const Case& c : cases) {
    ComPtr<IPersistStreamInit> persist;
    if (!ExpectHr(factory->CreateInstance(nullptr, IID_PPV_ARGS(&persist)), S_OK, c.what)) continue;
    const HRESULT hr = c.stream ? persist->Load(StreamOf(*c.stream).Get()) : persist->InitNew();
    ExpectHr(hr, S_OK, c.what);
    ComPtr<IOleObject> object;
    SIZEL extent{};
    if (SUCCEEDED(persist.As(&object))) {
      ExpectHr(object->GetExtent(DVASPECT_CONTENT, &extent), S_OK, c.what);
    }
    ExpectEq(extent.cx, c.extent.cx, c.what);
    ExpectEq(extent.cy, c.extent.cy, c.what);
    ExpectEq(QueryRefs(), 2, "query refs acts on the newest object");
  }
}

void CheckActivation(Session& session, const LogFile& log) {
  TestHost& host = *session.host.Get();
  host.ClearRecords();
  ExpectHr(session.object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, &host, 0, host.Window(),
                                  &kHostPosition),
           S_OK, "DoVerb(OLEIVERB_INPLACEACTIVATE)");
  ExpectEq(Joined(host.Calls()), "CanInPlaceActivate,OnInPlaceActivate,GetWindow,GetWindowContext",
           "in-place activation handshake with the site");
  Expect(log.Contains("DoVerb verb=-5 hr=00000000"), "log records DoVerb");
  if (!ExpectHr(session.object.As(&session.inPlace), S_OK, "QueryInterface IOleInPlaceObject")) {
    return;
  }
  ExpectHr(session.inPlace->GetWindow(&session.page), S_OK, "IOleInPlaceObject::GetWindow");
  Expect(IsWindow(session.page), "DoVerb created the page window");
  Expect(GetParent(session.page) == host.Window(), "page window is a child of the site's window");
  Expect(IsWindowVisible(session.page), "page window is visible");
  wchar_t className[64] = {};
  GetClassNameW(session.page, className, 64);
  ExpectEq(Utf8(className), "QbBrowserDoublePage", "page window class");
  ExpectEq(RectText(RectInParent(session.page)), RectText(kHostPosition), "page window at DoVerb's rectangle");
  ExpectEq(Utf8(WindowText(session.page)), "Test double: ", "page text before any navigation");

  ExpectHr(session.inPlace->SetObjectRects(&kMovedPosition, &kMovedPosition), S_OK, "SetObjectRects");
  ExpectEq(RectText(RectInParent(session.page)), RectText(kMovedPosition), "page window follows SetObjectRects");
  Expect(log.Contains("SetObjectRects left=5 top=6 right=405 bottom=306"), "log records SetObjectRects");

  host.ClearRecords();
  ExpectHr(session.object->DoVerb(OLEIVERB_UIACTIVATE, nullptr, &host, 0, host.Window(),
                                  &kMovedPosition),
           S_OK, "DoVerb(OLEIVERB_UIACTIVATE) while in-place active");
  ExpectEq(Joined(host.Calls()), "OnUIActivate,SetActiveObject", "UI activation handshake");
  Expect(host.ActiveObject() != nullptr, "frame got the active object");
  HWND page = nullptr;
  ExpectHr(session.inPlace->GetWindow(&page), S_OK, "GetWindow while UI active");
  Expect(page == session.page, "UI activation keeps the page window");
  host.ClearRecords();
  ExpectHr(session.inPlace->UIDeactivate(), S_OK, "UIDeactivate");
  ExpectEq(Joined(host.Calls()), "SetActiveObject(null),OnUIDeactivate", "UI deactivation handshake");
}

void CheckAccelerators(Session& session, const LogFile& log) {
  ComPtr<IOleInPlaceActiveObject> active;
  if (!ExpectHr(session.object.As(&active), S_OK, "QueryInterface IOleInPlaceActiveObject")) return;
  struct Case {
    UINT message;
    WPARAM key;
    HRESULT hr;
    const char* logged;
  };
  const Case cases[] = {
      {WM_KEYDOWN, VK_F5, S_OK, "TranslateAccelerator msg=100 key=74 hr=00000000"},
      {WM_KEYUP, VK_F5, S_FALSE, "TranslateAccelerator msg=101 key=74 hr=00000001"},
      {WM_KEYDOWN, 'A', S_FALSE, "TranslateAccelerator msg=100 key=41 hr=00000001"},
      {WM_SYSKEYDOWN, VK_F5, S_FALSE, "TranslateAccelerator msg=104 key=74 hr=00000001"},
      {WM_CHAR, 't', S_FALSE, "TranslateAccelerator msg=102 key=74 hr=00000001"},
  };
  for (const Case& c : cases) {
    MSG message{};
    message.hwnd = session.page;
    message.message = c.message;
    message.wParam = c.key;
    ExpectHr(active->TranslateAccelerator(&message), c.hr, c.logged);
    Expect(log.Contains(c.logged), c.logged);
  }
}

}  // namespace

void RunLifecycleTests(const TestPaths& paths, const LogFile& log) {
  log.Clear();
  DoubleLibrary library(paths.library);
  if (!Expect(library.Loaded(), "LoadLibrary of the double with both exports")) return;
  Session session;
  session.host = TestHost::Create(kHostPosition);
  CheckCreation(library, session, log);
  if (!session.object) return;
  CheckSavedState(session, log);
  CheckInitialExtents(library);
  CheckActivation(session, log);
  CheckAccelerators(session, log);
  CheckEvents(session, log);
  CheckNavigation(session, log);
  CheckInjectedFailures(session, log);
  CheckCommandParsing();
  CheckWrongThread(session, log);
  CheckTeardown(library, session, log);
}

}  // namespace selftest
