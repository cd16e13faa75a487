// The lifecycle scenario's middle: events fired on command, Navigate and
// Refresh as the viewer calls them, injected failures with their error
// objects, and the commands that must be refused.
#include "Expect.h"
#include "Scenarios.h"
#include "Session.h"

#include <exdispid.h>
#include <oleauto.h>
#include <olectl.h>

#include <optional>

using Microsoft::WRL::ComPtr;

namespace selftest {

namespace {

constexpr DISPID kProgressChange = DISPID_PROGRESSCHANGE;
// DISPPARAMS carry an event's arguments last first.
constexpr size_t kProgressMaxArgument = 0;
constexpr size_t kProgressArgument = 1;
constexpr DWORD kCookie = 1;
constexpr wchar_t kStalePrefix[] = L"stale error object";

VARIANT Omitted() {
  VARIANT value;
  VariantInit(&value);
  V_VT(&value) = VT_ERROR;
  V_ERROR(&value) = DISP_E_PARAMNOTFOUND;
  return value;
}

// Stands in for whatever error object an earlier call left on the thread.
void PublishStaleErrorInfo() {
  ComPtr<ICreateErrorInfo> creator;
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(CreateErrorInfo(&creator)) &&
      SUCCEEDED(creator->SetDescription(const_cast<LPOLESTR>(kStalePrefix))) &&
      SUCCEEDED(creator.As(&info))) {
    ExpectHr(SetErrorInfo(0, info.Get()), S_OK, "publishing a stale error object");
  }
}

std::optional<std::wstring> TakeErrorDescription() {
  ComPtr<IErrorInfo> info;
  if (GetErrorInfo(0, &info) != S_OK || !info) return std::nullopt;
  BSTR description = nullptr;
  if (FAILED(info->GetDescription(&description))) return std::nullopt;
  std::wstring text(description != nullptr ? description : L"", SysStringLen(description));
  SysFreeString(description);
  return text;
}

}  // namespace

void CheckEvents(Session& session, const LogFile& log) {
  if (!ExpectHr(session.object.As(&session.container), S_OK,
                "QueryInterface IConnectionPointContainer")) {
    return;
  }
  ComPtr<IConnectionPoint> other;
  ExpectHr(session.container->FindConnectionPoint(IID_IDispatch, &other), CONNECT_E_NOCONNECTION,
           "FindConnectionPoint for an interface without events");
  if (!ExpectHr(session.container->FindConnectionPoint(DIID_DWebBrowserEvents2, &session.point),
                S_OK, "FindConnectionPoint for DWebBrowserEvents2")) {
    return;
  }
  IID iid{};
  ExpectHr(session.point->GetConnectionInterface(&iid), S_OK, "GetConnectionInterface");
  Expect(iid == DIID_DWebBrowserEvents2, "connection point is for DWebBrowserEvents2");
  ExpectEq(SendCommand("progress 1 2"), 0, "progress without an advised sink");

  DWORD cookie = 0;
  ExpectHr(session.point->Advise(static_cast<IDispatch*>(session.host.Get()), &cookie), S_OK,
           "Advise");
  ExpectEq(cookie, kCookie, "Advise cookie");
  Expect(log.Contains("Advise cookie=1"), "log records Advise");
  DWORD second = 0;
  ExpectHr(session.point->Advise(static_cast<IDispatch*>(session.host.Get()), &second),
           CONNECT_E_ADVISELIMIT, "a second Advise");

  struct ProgressCase {
    int32_t progress;
    int32_t progressMax;
  };
  const ProgressCase cases[] = {
      {500, 1000}, {50, 100}, {-1, 0}, {0, 0}, {2147483647, -2147483647 - 1},
  };
  TestHost& host = *session.host.Get();
  for (const ProgressCase& c : cases) {
    const std::string command =
        "progress " + std::to_string(c.progress) + " " + std::to_string(c.progressMax);
    host.ClearRecords();
    ExpectEq(SendCommand(command), 1, command);
    if (!ExpectEq(host.Events().size(), 1u, command + " delivers one event")) continue;
    const ReceivedEvent& event = host.Events().front();
    ExpectEq(event.dispid, kProgressChange, command + " dispid");
    if (!ExpectEq(event.types.size(), 2u, command + " argument count")) continue;
    Expect(event.types[0] == VT_I4 && event.types[1] == VT_I4, command + " arguments are VT_I4");
    ExpectEq(event.values[kProgressArgument], c.progress, command + " Progress is rgvarg[1]");
    ExpectEq(event.values[kProgressMaxArgument], c.progressMax,
             command + " ProgressMax is rgvarg[0]");
  }
  Expect(log.Contains("Fired dispid=108 hr=00000000"), "log records the fired event");

  host.ClearRecords();
  ExpectEq(SendCommand("event 250"), 1, "event 250");
  ExpectEq(host.Events().size(), 1u, "event 250 delivers one event");
  if (!host.Events().empty()) {
    ExpectEq(host.Events().front().dispid, 250l, "event 250 dispid");
    ExpectEq(host.Events().front().types.size(), 0u, "event 250 has no arguments");
  }
  host.SetInvokeResult(DISP_E_MEMBERNOTFOUND);
  ExpectEq(SendCommand("event 104"), 0, "event whose Invoke fails");
  Expect(log.Contains("Fired dispid=104 hr=80020003"), "log records the failed Invoke");
  host.SetInvokeResult(S_OK);
}

void CheckNavigation(Session& session, const LogFile& log) {
  if (!ExpectHr(session.object.As(&session.browser), S_OK, "QueryInterface IWebBrowser2")) return;
  struct Case {
    const wchar_t* url;
    VARIANT flags;
    VARIANT target;
    VARIANT headers;
    const char* logged;
  };
  VARIANT flags;
  V_VT(&flags) = VT_I4;
  V_I4(&flags) = 2;
  VARIANT target;
  V_VT(&target) = VT_BSTR;
  V_BSTR(&target) = SysAllocString(L"_self");
  VARIANT empty;
  VariantInit(&empty);
  Case cases[] = {
      {L"http://publisher.example/brenvik/OpenPositions.html", Omitted(), Omitted(), Omitted(),
       "Navigate url=http://publisher.example/brenvik/OpenPositions.html flags=10:80020004 "
       "target=10:80020004 postdata=10:80020004 headers=10:80020004"},
      {L"about:blank", flags, target, empty,
       "Navigate url=about:blank flags=3:2 target=8:_self postdata=10:80020004 headers=0:"},
  };
  for (Case& c : cases) {
    BSTR url = SysAllocString(c.url);
    VARIANT postData = Omitted();
    ExpectHr(session.browser->Navigate(url, &c.flags, &c.target, &postData, &c.headers), S_OK,
             c.logged);
    SysFreeString(url);
    Expect(log.Contains(c.logged), c.logged);
    ExpectEq(Utf8(WindowText(session.page)), "Test double: " + Utf8(c.url),
             "page shows the URL navigated to");
  }
  VariantClear(&target);
  ExpectEq(SendCommand("query navigates"), 2, "query navigates");
  ExpectHr(session.browser->Refresh(), S_OK, "Refresh");
  Expect(log.Contains("Refresh hr=00000000"), "log records Refresh");
  SHANDLE_PTR window = 0;
  ExpectHr(session.browser->get_HWND(&window), E_NOTIMPL, "get_HWND");
  Expect(log.Contains("NotImplemented get_HWND"), "log records the unimplemented call");
}

void CheckInjectedFailures(Session& session, const LogFile& log) {
  if (!session.browser) return;
  ComPtr<ISupportErrorInfo> support;
  ExpectHr(session.object.As(&support), S_OK, "QueryInterface ISupportErrorInfo");
  if (support) {
    ExpectHr(support->InterfaceSupportsErrorInfo(IID_IWebBrowser2), S_OK,
             "IWebBrowser2 supports error objects");
  }
  enum class Call { Navigate, Refresh };
  struct Step {
    const char* command;
    Call call;
    HRESULT hr;
    // Checked only for failures: nothing means the thread's error object was cleared.
    std::optional<std::wstring> description;
  };
  const Step steps[] = {
      {"fail Refresh 80070005 Access is denied. ", Call::Refresh, E_ACCESSDENIED, L"Access is denied. "},
      {nullptr, Call::Refresh, E_ACCESSDENIED, L"Access is denied. "},
      {"fail Refresh off", Call::Refresh, S_OK, std::nullopt},
      {"failonce Navigate 80004005", Call::Navigate, E_FAIL, std::nullopt},
      {nullptr, Call::Navigate, S_OK, std::nullopt},
      {"fail Refresh 0x800C0005 ", Call::Refresh, static_cast<HRESULT>(0x800C0005), L""},
      {"failonce Refresh 80004004 Once  only  ", Call::Refresh, E_ABORT, L"Once  only  "},
      {nullptr, Call::Refresh, static_cast<HRESULT>(0x800C0005), L""},
      {"fail Refresh off", Call::Refresh, S_OK, std::nullopt},
      {"fail Navigate 800C000E \xc3\x9cnic\xc3\xb6" "de", Call::Navigate,
       static_cast<HRESULT>(0x800C000E), L"\u00dcnic\u00f6de"},
      {"fail Navigate off", Call::Navigate, S_OK, std::nullopt},
  };
  std::wstring shown = WindowText(session.page);
  int navigates = static_cast<int>(SendCommand("query navigates"));
  int refreshes = static_cast<int>(SendCommand("query refreshes"));
  int stepNumber = 0;
  for (const Step& step : steps) {
    const std::string name = "step " + std::to_string(++stepNumber) + " (" +
                             (step.command != nullptr ? step.command : "no command") + ")";
    if (step.command != nullptr) ExpectEq(SendCommand(step.command), 1, name + " accepted");
    PublishStaleErrorInfo();
    HRESULT hr = S_OK;
    if (step.call == Call::Navigate) {
      const std::wstring url = L"http://publisher.example/step" + std::to_wstring(stepNumber);
      BSTR text = SysAllocString(url.c_str());
      VARIANT omitted = Omitted();
      hr = session.browser->Navigate(text, &omitted, &omitted, &omitted, &omitted);
      SysFreeString(text);
      if (SUCCEEDED(hr)) shown = L"Test double: " + url;
      ++navigates;
    } else {
      hr = session.browser->Refresh();
      ++refreshes;
    }
    ExpectHr(hr, step.hr, name + " result");
    if (FAILED(step.hr)) {
      const std::optional<std::wstring> description = TakeErrorDescription();
      ExpectEq(description.has_value(), step.description.has_value(),
               name + " error object present");
      if (description && step.description) {
        ExpectEq(Utf8(*description), Utf8(*step.description), name + " description verbatim");
      }
      const std::string injected = std::string("Injected ") +
                                   (step.call == Call::Navigate ? "Navigate" : "Refresh") +
                                   " hr=" + HexHr(step.hr);
      Expect(log.Contains(injected), name + " logged as " + injected);
    }
    ExpectEq(Utf8(WindowText(session.page)), Utf8(shown), name + " page text");
  }
  ExpectHr(SetErrorInfo(0, nullptr), S_OK, "clearing the thread's error object");
  ExpectEq(SendCommand("query navigates"), navigates, "query navigates counts failed calls too");
  ExpectEq(SendCommand("query refreshes"), refreshes, "query refreshes counts failed calls too");
}

void CheckCommandParsing() {
  const char* const refused[] = {
      "",
      "progress",
      "progress 1",
      "progress 1 x",
      "progress 1 2 3",
      "progress 99999999999 1",
      "progress  1 2",
      "Progress 1 2",
      "event",
      "event x",
      "event 1 2",
      "fail",
      "fail Stop 80004005",
      "fail Refresh",
      "fail Refresh xyz",
      "fail Refresh 123456789",
      "fail Refresh off now",
      "failonce",
      "query",
      "query stuff",
      "query refs now",
      "bogus",
  };
  for (const char* command : refused) {
    ExpectEq(SendCommand(command), 0, std::string("refused command \"") + command + "\"");
  }
  const LRESULT navigates = SendCommand("query navigates");
  Expect(navigates > 0, "query navigates answers");
  ExpectEq(SendCommand(std::string_view("query navigates\0", 16)), navigates,
           "a terminating NUL counted into cbData is ignored");
  ExpectEq(SendCommand("query navigates", 2), 0, "dwData other than 1 is refused");
}

}  // namespace selftest
