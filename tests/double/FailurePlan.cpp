// Reads and keeps the injected failures, and publishes their error objects.
#include "FailurePlan.h"

#include "DoubleLog.h"

#include <exdisp.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <vector>

using Microsoft::WRL::ComPtr;

namespace qbdouble {

namespace {

constexpr wchar_t kFailVariable[] = L"QB_DOUBLE_FAIL";
constexpr wchar_t kErrorSource[] = L"QbBrowserDouble";

std::string ReadFailVariable() {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(kFailVariable, buffer.data(),
                                                 static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Utf8(std::wstring_view(buffer.data(), length));
    buffer.resize(length);
  }
}

bool ApplyItem(std::string_view item, StartupFailures& failures) {
  if (item == "NoInPlaceObject") {
    failures.noInPlaceObject = true;
    return true;
  }
  if (item == "NoWebBrowser2") {
    failures.noWebBrowser2 = true;
    return true;
  }
  const size_t equals = item.find('=');
  if (equals == std::string_view::npos) return false;
  const std::string_view name = item.substr(0, equals);
  const std::optional<HRESULT> value = ParseHresult(item.substr(equals + 1));
  if (!value) return false;
  struct Target {
    std::string_view name;
    std::optional<HRESULT> StartupFailures::*field;
  };
  static constexpr Target kTargets[] = {
      {"CreateInstance", &StartupFailures::createInstance},
      {"Load", &StartupFailures::load},
      {"InitNew", &StartupFailures::initNew},
      {"SetClientSite", &StartupFailures::setClientSite},
      {"DoVerb", &StartupFailures::doVerb},
      {"Advise", &StartupFailures::advise},
      {"Navigate", &StartupFailures::navigate},
      {"Refresh", &StartupFailures::refresh},
  };
  for (const Target& target : kTargets) {
    if (name == target.name) {
      failures.*target.field = *value;
      return true;
    }
  }
  if (name == "MiscStatus") {
    failures.miscStatus = static_cast<DWORD>(*value);
    return true;
  }
  return false;
}

}  // namespace

std::optional<HRESULT> ParseHresult(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
  }
  if (text.empty() || text.size() > 8) return std::nullopt;
  uint32_t value = 0;
  for (const char c : text) {
    uint32_t digit = 0;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return static_cast<HRESULT>(value);
}

StartupFailures ParseStartupFailures(std::string_view text) {
  StartupFailures failures;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    if (item.empty()) continue;
    if (!ApplyItem(item, failures)) Log("BadFailItem " + std::string(item));
  }
  return failures;
}

FailurePlan& FailurePlan::Instance() {
  static FailurePlan plan;
  return plan;
}

const StartupFailures& FailurePlan::Startup() {
  if (!startup_) startup_ = ParseStartupFailures(ReadFailVariable());
  return *startup_;
}

FailurePlan::Rules& FailurePlan::RulesFor(FailingMethod method) {
  return method == FailingMethod::Navigate ? navigate_ : refresh_;
}

void FailurePlan::SetPersistent(FailingMethod method, std::optional<FailureRule> rule) {
  RulesFor(method).persistent = std::move(rule);
}

void FailurePlan::SetOnce(FailingMethod method, std::optional<FailureRule> rule) {
  RulesFor(method).once = std::move(rule);
}

std::optional<FailureRule> FailurePlan::Take(FailingMethod method) {
  Rules& rules = RulesFor(method);
  if (rules.once) {
    std::optional<FailureRule> rule = std::move(rules.once);
    rules.once.reset();
    return rule;
  }
  if (rules.persistent) return rules.persistent;
  const StartupFailures& startup = Startup();
  const std::optional<HRESULT>& fixed =
      method == FailingMethod::Navigate ? startup.navigate : startup.refresh;
  if (fixed) return FailureRule{*fixed, std::nullopt};
  return std::nullopt;
}

void PublishErrorInfo(const FailureRule& rule) {
  if (!rule.description) {
    const HRESULT cleared = SetErrorInfo(0, nullptr);
    if (FAILED(cleared)) Log("ErrorInfoFailed step=clear hr=" + Hex8(cleared));
    return;
  }
  ComPtr<ICreateErrorInfo> creator;
  HRESULT hr = CreateErrorInfo(&creator);
  if (SUCCEEDED(hr)) hr = creator->SetDescription(const_cast<LPOLESTR>(rule.description->c_str()));
  if (SUCCEEDED(hr)) hr = creator->SetGUID(IID_IWebBrowser2);
  if (SUCCEEDED(hr)) hr = creator->SetSource(const_cast<LPOLESTR>(kErrorSource));
  ComPtr<IErrorInfo> info;
  if (SUCCEEDED(hr)) hr = creator.As(&info);
  if (SUCCEEDED(hr)) hr = SetErrorInfo(0, info.Get());
  if (FAILED(hr)) Log("ErrorInfoFailed step=publish hr=" + Hex8(hr));
}

}  // namespace qbdouble
