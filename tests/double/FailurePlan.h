// Failures that the driver injects: the fixed set read once from
// QB_DOUBLE_FAIL, and the Navigate/Refresh failures switched on and off by
// control-window commands.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace qbdouble {

struct StartupFailures {
  std::optional<HRESULT> createInstance;
  std::optional<HRESULT> load;
  std::optional<HRESULT> initNew;
  std::optional<HRESULT> setClientSite;
  std::optional<HRESULT> doVerb;
  std::optional<HRESULT> advise;
  std::optional<HRESULT> navigate;
  std::optional<HRESULT> refresh;
  std::optional<DWORD> miscStatus;
  bool noInPlaceObject = false;
  bool noWebBrowser2 = false;
};

// Items that do not parse are logged as "BadFailItem <item>" and ignored.
StartupFailures ParseStartupFailures(std::string_view text);

std::optional<HRESULT> ParseHresult(std::string_view text);

enum class FailingMethod { Navigate, Refresh };

struct FailureRule {
  HRESULT hr = S_OK;
  // Without a description the call clears the thread's error object, so a
  // stale one cannot be mistaken for this failure's.
  std::optional<std::wstring> description;
};

class FailurePlan {
 public:
  static FailurePlan& Instance();

  // Reads QB_DOUBLE_FAIL on the first call only.
  const StartupFailures& Startup();

  void SetPersistent(FailingMethod method, std::optional<FailureRule> rule);
  void SetOnce(FailingMethod method, std::optional<FailureRule> rule);

  // The rule that applies to this call of the method, consuming a one-shot
  // rule; the command rules take precedence over QB_DOUBLE_FAIL.
  std::optional<FailureRule> Take(FailingMethod method);

 private:
  struct Rules {
    std::optional<FailureRule> persistent;
    std::optional<FailureRule> once;
  };
  Rules& RulesFor(FailingMethod method);

  std::optional<StartupFailures> startup_;
  Rules navigate_;
  Rules refresh_;
};

// Publishes the rule's error object (or clears it) on the calling thread.
void PublishErrorInfo(const FailureRule& rule);

}  // namespace qbdouble
