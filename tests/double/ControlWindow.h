// The hidden window through which a driver in another process steers the
// double: WM_COPYDATA carries a command, the message's result its answer.
#pragma once

#include "DoubleCommand.h"
#include "DoubleWindow.h"

#include <windows.h>

namespace qbdouble {

class ControlWindow : public DoubleWindow<ControlWindow> {
 public:
  static constexpr wchar_t kClassName[] = L"QbBrowserDoubleControl";

  static ControlWindow& Instance();

  bool Create();

 private:
  friend class DoubleWindow<ControlWindow>;
  ControlWindow() = default;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyData(const COPYDATASTRUCT& data);
  LRESULT Execute(const DoubleCommand& command);
};

}  // namespace qbdouble
