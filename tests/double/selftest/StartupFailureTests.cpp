// The failures that QB_DOUBLE_FAIL injects, one fresh load of the DLL per
// case because the variable is read once per load, and the log line left
// by a process that exits with an object still alive.
#include "Expect.h"
#include "Scenarios.h"
#include "Session.h"

#include <olectl.h>

using Microsoft::WRL::ComPtr;

namespace selftest {

namespace {

constexpr RECT kPosition = {0, 0, 200, 100};
constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_INSIDEOUT |
                              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST |
                              OLEMISC_CANTLINKINSIDE;
constexpr DWORD kChildTimeoutMs = 60000;

// What a host sees when it goes through the viewer's calls once.
struct Outcome {
  HRESULT create = S_OK;
  HRESULT setClientSite = S_OK;
  HRESULT load = S_OK;
  HRESULT initNew = S_OK;
  DWORD miscStatus = kMiscStatus;
  bool inPlaceObject = true;
  HRESULT doVerb = S_OK;
  bool siteAskedToActivate = true;
  bool pageWindow = true;
  HRESULT advise = S_OK;
  bool webBrowser2 = true;
  HRESULT navigate = S_OK;
  HRESULT refresh = S_OK;
};

Outcome Probe(const DoubleLibrary& library) {
  Outcome outcome;
  ComPtr<TestHost> host = TestHost::Create(kPosition);
  ComPtr<IClassFactory> factory;
  ComPtr<IOleObject> object;
  outcome.create = library.GetClassObject(CLSID_WebBrowser, factory);
  if (SUCCEEDED(outcome.create)) {
    outcome.create = factory->CreateInstance(nullptr, IID_PPV_ARGS(&object));
  }
  if (FAILED(outcome.create)) return outcome;
  outcome.setClientSite = object->SetClientSite(host.Get());
  ComPtr<IPersistStreamInit> persist;
  outcome.load = object.As(&persist);
  if (SUCCEEDED(outcome.load)) outcome.load = persist->Load(StreamOf(SavedState(100, 50)).Get());
  ComPtr<IPersistStreamInit> second;
  outcome.initNew = factory->CreateInstance(nullptr, IID_PPV_ARGS(&second));
  if (SUCCEEDED(outcome.initNew)) outcome.initNew = second->InitNew();
  second.Reset();
  if (FAILED(object->GetMiscStatus(DVASPECT_CONTENT, &outcome.miscStatus))) outcome.miscStatus = 0;

  ComPtr<IOleInPlaceObject> inPlace;
  outcome.inPlaceObject = SUCCEEDED(object.As(&inPlace));
  outcome.doVerb = object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, host.Get(), 0,
                                  host->Window(), &kPosition);
  outcome.siteAskedToActivate = !host->Calls().empty() && host->Calls().front() == "CanInPlaceActivate";
  outcome.pageWindow =
      FindWindowExW(host->Window(), nullptr, L"QbBrowserDoublePage", nullptr) != nullptr;

  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  outcome.advise = object.As(&container);
  if (SUCCEEDED(outcome.advise)) {
    outcome.advise = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
  }
  if (SUCCEEDED(outcome.advise)) {
    outcome.advise = point->Advise(static_cast<IDispatch*>(host.Get()), &cookie);
  }

  ComPtr<IWebBrowser2> browser;
  outcome.webBrowser2 = SUCCEEDED(object.As(&browser));
  outcome.navigate = outcome.refresh = E_NOINTERFACE;
  if (browser) {
    BSTR url = SysAllocString(L"about:blank");
    VARIANT omitted;
    V_VT(&omitted) = VT_ERROR;
    V_ERROR(&omitted) = DISP_E_PARAMNOTFOUND;
    outcome.navigate = browser->Navigate(url, &omitted, &omitted, &omitted, &omitted);
    SysFreeString(url);
    outcome.refresh = browser->Refresh();
  }
  ExpectHr(SetErrorInfo(0, nullptr), S_OK, "clearing the thread's error object");

  if (inPlace) ExpectHr(inPlace->InPlaceDeactivate(), S_OK, "InPlaceDeactivate after the probe");
  if (SUCCEEDED(outcome.advise)) ExpectHr(point->Unadvise(cookie), S_OK, "Unadvise after the probe");
  ExpectHr(object->SetClientSite(nullptr), S_OK, "SetClientSite(nullptr) after the probe");
  ExpectHr(object->Close(OLECLOSE_NOSAVE), S_OK, "Close after the probe");
  browser.Reset();
  point.Reset();
  container.Reset();
  inPlace.Reset();
  persist.Reset();
  object.Reset();
  ExpectEq(host->RefCount(), 1ul, "the double let go of the host after the probe");
  return outcome;
}

void ExpectOutcome(const Outcome& got, const Outcome& want, const std::string& name) {
  ExpectHr(got.create, want.create, name + ": CreateInstance");
  if (FAILED(want.create)) return;
  ExpectHr(got.setClientSite, want.setClientSite, name + ": SetClientSite");
  ExpectHr(got.load, want.load, name + ": Load");
  ExpectHr(got.initNew, want.initNew, name + ": InitNew");
  ExpectEq(got.miscStatus, want.miscStatus, name + ": GetMiscStatus");
  ExpectEq(got.inPlaceObject, want.inPlaceObject, name + ": IOleInPlaceObject available");
  ExpectHr(got.doVerb, want.doVerb, name + ": DoVerb");
  ExpectEq(got.siteAskedToActivate, want.siteAskedToActivate, name + ": CanInPlaceActivate asked");
  ExpectEq(got.pageWindow, want.pageWindow, name + ": page window created");
  ExpectHr(got.advise, want.advise, name + ": Advise");
  ExpectEq(got.webBrowser2, want.webBrowser2, name + ": IWebBrowser2 available");
  ExpectHr(got.navigate, want.navigate, name + ": Navigate");
  ExpectHr(got.refresh, want.refresh, name + ": Refresh");
}

Outcome With(void (*change)(Outcome&)) {
  Outcome outcome;
  change(outcome);
  return outcome;
}

}  // namespace

void RunStartupFailureTests(const TestPaths& paths, const LogFile& log) {
  struct Case {
    const wchar_t* variable;
    Outcome expected;
  };
  const Case cases[] = {
      {L"", Outcome{}},
      {L"CreateInstance=80004005", With([](Outcome& o) { o.create = E_FAIL; })},
      {L"Load=8007000E", With([](Outcome& o) { o.load = E_OUTOFMEMORY; })},
      {L"InitNew=80004001", With([](Outcome& o) { o.initNew = E_NOTIMPL; })},
      {L"SetClientSite=80004005", With([](Outcome& o) { o.setClientSite = E_FAIL; })},
      {L"DoVerb=80004005", With([](Outcome& o) {
         o.doVerb = E_FAIL;
         o.siteAskedToActivate = false;
         o.pageWindow = false;
       })},
      {L"Advise=80040202", With([](Outcome& o) { o.advise = CONNECT_E_CANNOTCONNECT; })},
      {L"Navigate=800C0005", With([](Outcome& o) { o.navigate = static_cast<HRESULT>(0x800C0005); })},
      {L"Refresh=80004004", With([](Outcome& o) { o.refresh = E_ABORT; })},
      {L"NoInPlaceObject", With([](Outcome& o) {
         o.inPlaceObject = false;
         o.siteAskedToActivate = false;
         o.pageWindow = false;
       })},
      {L"NoWebBrowser2", With([](Outcome& o) {
         o.webBrowser2 = false;
         o.navigate = o.refresh = E_NOINTERFACE;
       })},
      {L"MiscStatus=20000", With([](Outcome& o) { o.miscStatus = 0x20000; })},
      {L"Load=80004005, MiscStatus=1,Bogus,,Refresh=zz", With([](Outcome& o) {
         o.load = E_FAIL;
         o.miscStatus = 1;
       })},
  };
  log.Clear();
  for (const Case& c : cases) {
    const std::string name = "QB_DOUBLE_FAIL=" + Utf8(c.variable);
    SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", c.variable);
    DoubleLibrary library(paths.library);
    if (!Expect(library.Loaded(), name + ": LoadLibrary")) continue;
    ExpectOutcome(Probe(library), c.expected, name);
    Expect(FindControlWindow() == nullptr, name + ": no control window after the probe");
    ExpectHr(library.CanUnloadNow(), S_OK, name + ": DllCanUnloadNow after the probe");
  }
  Expect(log.Contains("BadFailItem Bogus") && log.Contains("BadFailItem Refresh=zz"),
         "unparsable QB_DOUBLE_FAIL items are logged");

  // Read once per load: changing the variable under a loaded DLL changes nothing.
  SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", L"MiscStatus=1");
  DoubleLibrary library(paths.library);
  ComPtr<IClassFactory> factory;
  if (SUCCEEDED(library.GetClassObject(CLSID_WebBrowser, factory))) {
    for (const wchar_t* variable : {L"MiscStatus=1", L"MiscStatus=2"}) {
      SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", variable);
      ComPtr<IOleObject> object;
      DWORD status = 0;
      if (SUCCEEDED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)))) {
        ExpectHr(object->GetMiscStatus(DVASPECT_CONTENT, &status), S_OK, "GetMiscStatus");
      }
      ExpectEq(status, 1ul, "QB_DOUBLE_FAIL as read when the first object was made");
    }
  }
  SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", nullptr);
}

void RunShutdownTest(const TestPaths& paths, const LogFile& log) {
  log.Clear();
  std::wstring commandLine = L"\"" + paths.executable + L"\" --leak";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!Expect(CreateProcessW(paths.executable.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                             0, nullptr, nullptr, &startup, &process) != FALSE,
              "CreateProcess of the leaking child")) {
    return;
  }
  ExpectEq(WaitForSingleObject(process.hProcess, kChildTimeoutMs),
           static_cast<DWORD>(WAIT_OBJECT_0), "leaking child exits");
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  ExpectEq(exitCode, 0ul, "leaking child's exit code");
  ExpectEq(log.LastLine(), "Shutdown refs=2 objects=1",
           "process exit with an object alive is logged with its references");
}

int RunLeakingChild(const TestPaths& paths) {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  // Never freed: the process ends with the DLL loaded, as the viewer's would.
  auto* library = new DoubleLibrary(paths.library);
  ComPtr<IClassFactory> factory;
  ComPtr<IOleObject> object;
  if (FAILED(library->GetClassObject(CLSID_WebBrowser, factory)) ||
      FAILED(factory->CreateInstance(nullptr, IID_PPV_ARGS(&object)))) {
    return 3;
  }
  object->AddRef();
  object.Detach();
  ExitProcess(0);
}

}  // namespace selftest
