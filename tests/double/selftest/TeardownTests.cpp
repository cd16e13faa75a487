// The lifecycle scenario's end: a call from a foreign thread, then the
// viewer's teardown order down to the last Release and the module unload.
#include "Expect.h"
#include "Scenarios.h"
#include "Session.h"

#include <olectl.h>

namespace selftest {

namespace {

DWORD WINAPI GetExtentElsewhere(void* parameter) {
  SIZEL extent{};
  return static_cast<DWORD>(
      static_cast<IOleObject*>(parameter)->GetExtent(DVASPECT_CONTENT, &extent));
}

}  // namespace

void CheckWrongThread(Session& session, const LogFile& log) {
  HANDLE thread = CreateThread(nullptr, 0, &GetExtentElsewhere, session.object.Get(), 0, nullptr);
  if (!Expect(thread != nullptr, "CreateThread for the foreign call")) return;
  ExpectEq(WaitForSingleObject(thread, 10000), static_cast<DWORD>(WAIT_OBJECT_0),
           "foreign thread finishes");
  CloseHandle(thread);
  Expect(log.Contains("WrongThread GetExtent"), "log flags the call from another thread");
}

void CheckTeardown(DoubleLibrary& library, Session& session, const LogFile& log) {
  TestHost& host = *session.host.Get();
  // Every interface pointer held is one reference, and the connection point
  // holds one more on the double.
  struct Held {
    const char* name;
    IUnknown* pointer;
  };
  const Held held[] = {
      {"connection point", session.point.Get()},   {"container", session.container.Get()},
      {"IWebBrowser2", session.browser.Get()},      {"in-place object", session.inPlace.Get()},
      {"IPersistStreamInit", session.persist.Get()}, {"IOleObject", session.object.Get()},
  };
  LRESULT expected = 0;
  for (const Held& h : held) {
    if (!Expect(h.pointer != nullptr, std::string("still holding ") + h.name)) return;
    ++expected;
  }
  ExpectEq(QueryRefs(), expected, "query refs counts the pointers the host holds");

  host.ClearRecords();
  ExpectHr(session.inPlace->InPlaceDeactivate(), S_OK, "InPlaceDeactivate");
  Expect(!IsWindow(session.page), "InPlaceDeactivate destroyed the page window");
  ExpectEq(Joined(host.Calls()), "OnInPlaceDeactivate", "InPlaceDeactivate tells the site");
  Expect(log.Contains("InPlaceDeactivate active=1"), "log records InPlaceDeactivate");
  HWND page = nullptr;
  ExpectHr(session.inPlace->GetWindow(&page), E_FAIL, "GetWindow once inactive");

  ExpectHr(session.point->Unadvise(1), S_OK, "Unadvise");
  Expect(log.Contains("Unadvise cookie=1"), "log records Unadvise");
  ExpectHr(session.point->Unadvise(1), CONNECT_E_NOCONNECTION, "a second Unadvise");
  ExpectEq(SendCommand("progress 1 2"), 0, "progress after Unadvise");
  ExpectHr(session.object->SetClientSite(nullptr), S_OK, "SetClientSite(nullptr)");
  Expect(log.Contains("SetClientSite site=0"), "log records SetClientSite site=0");
  ExpectHr(session.object->Close(OLECLOSE_NOSAVE), S_OK, "Close");
  Expect(log.Contains("Close option=1"), "log records Close");
  ExpectEq(host.RefCount(), 1ul, "the double let go of site, frame and sink");

  session.point.Reset();
  ExpectEq(QueryRefs(), --expected, "query refs after releasing the connection point");
  session.container.Reset();
  ExpectEq(QueryRefs(), --expected, "query refs after releasing the container");
  session.browser.Reset();
  ExpectEq(QueryRefs(), --expected, "query refs after releasing IWebBrowser2");
  session.inPlace.Reset();
  ExpectEq(QueryRefs(), --expected, "query refs after releasing the in-place object");
  session.persist.Reset();
  ExpectEq(QueryRefs(), --expected, "query refs after releasing IPersistStreamInit");
  session.object.Reset();
  Expect(FindControlWindow() == nullptr, "control window goes with the last object");
  ExpectEq(QueryRefs(), 0, "no control window answers once the count is zero");
  ExpectEq(log.LastLine(), "FinalRelease com=initialised", "log ends with the final release");

  ExpectHr(library.CanUnloadNow(), S_OK, "DllCanUnloadNow after the last release");
  library.Unload();
  Expect(GetModuleHandleW(L"QbBrowserDouble.dll") == nullptr, "the double is unloaded");
}

}  // namespace selftest
