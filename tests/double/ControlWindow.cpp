// Receives the driver's commands and carries them out on the current object.
#include "ControlWindow.h"

#include "BrowserDouble.h"
#include "DoubleLog.h"
#include "Module.h"

#include <exdispid.h>

#include <string>

namespace qbdouble {

namespace {

constexpr ULONG_PTR kCommandData = 1;
constexpr LRESULT kDone = 1;
constexpr LRESULT kNotDone = 0;

}  // namespace

ControlWindow& ControlWindow::Instance() {
  static ControlWindow window;
  return window;
}

bool ControlWindow::Create() {
  if (window_ != nullptr) return true;
  // A popup that is never shown rather than a message-only window, because
  // FindWindow, which the driver uses, does not see message-only windows.
  const std::wstring title = L"QbBrowserDouble " + std::to_wstring(GetCurrentProcessId());
  return DoubleWindow::Create(WS_EX_TOOLWINDOW, title.c_str(), WS_POPUP, nullptr, RECT{0, 0, 0, 0}, nullptr);
}

LRESULT ControlWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA && lParam != 0) {
    return OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
  }
  return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT ControlWindow::OnCopyData(const COPYDATASTRUCT& data) {
  if (data.dwData != kCommandData) return kNotDone;
  const std::string_view text(static_cast<const char*>(data.lpData),
                              data.lpData != nullptr ? data.cbData : 0);
  const std::optional<DoubleCommand> command = ParseCommand(text);
  const LRESULT result = command ? Execute(*command) : kNotDone;
  Log("Command text=" + std::string(text.substr(0, text.find('\0'))) +
      " result=" + std::to_string(result));
  return result;
}

LRESULT ControlWindow::Execute(const DoubleCommand& command) {
  BrowserDouble* object = CurrentObject();
  if (object == nullptr) return kNotDone;
  switch (command.kind) {
    case CommandKind::Progress: {
      // Declaration order, Progress then ProgressMax; FireEvent reverses it.
      VARIANT arguments[2];
      V_VT(&arguments[0]) = VT_I4;
      V_I4(&arguments[0]) = command.progress;
      V_VT(&arguments[1]) = VT_I4;
      V_I4(&arguments[1]) = command.progressMax;
      return object->FireEvent(DISPID_PROGRESSCHANGE, arguments) == S_OK ? kDone : kNotDone;
    }
    case CommandKind::Event:
      return object->FireEvent(command.dispid, {}) == S_OK ? kDone : kNotDone;
    case CommandKind::Fail:
      FailurePlan::Instance().SetPersistent(command.method, command.rule);
      return kDone;
    case CommandKind::FailOnce:
      FailurePlan::Instance().SetOnce(command.method, command.rule);
      return kDone;
    case CommandKind::QueryRefs:
      return static_cast<LRESULT>(object->RefCount());
    case CommandKind::QueryNavigates:
      return static_cast<LRESULT>(object->NavigateCount());
    case CommandKind::QueryRefreshes:
      return static_cast<LRESULT>(object->RefreshCount());
  }
  return kNotDone;
}

}  // namespace qbdouble
