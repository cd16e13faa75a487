// What one host holds of the double during the lifecycle scenario, and the
// steps of that scenario, which run in the order declared here.
#pragma once

#include "DoubleLibrary.h"
#include "TestHost.h"

#include <exdisp.h>
#include <ocidl.h>

#include <string>
#include <vector>

namespace selftest {

struct Session {
  Microsoft::WRL::ComPtr<TestHost> host;
  Microsoft::WRL::ComPtr<IOleObject> object;
  Microsoft::WRL::ComPtr<IPersistStreamInit> persist;
  Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlace;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser;
  Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
  Microsoft::WRL::ComPtr<IConnectionPoint> point;
  HWND page = nullptr;
};

void CheckEvents(Session& session, const LogFile& log);
void CheckNavigation(Session& session, const LogFile& log);
void CheckInjectedFailures(Session& session, const LogFile& log);
void CheckCommandParsing();
void CheckWrongThread(Session& session, const LogFile& log);
void CheckTeardown(DoubleLibrary& library, Session& session, const LogFile& log);

inline std::string Joined(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : ",") + item;
  return text;
}

inline LRESULT QueryRefs() { return SendCommand("query refs"); }

}  // namespace selftest
