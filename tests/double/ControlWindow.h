// The hidden window through which a driver in another process steers the
// double: WM_COPYDATA carries a command, the message's result its answer.
#pragma once

#include "DoubleCommand.h"

#include <windows.h>

namespace qbdouble {

class ControlWindow {
 public:
  static ControlWindow& Instance();

  bool Create();
  void Destroy();
  static void UnregisterWindowClass();

 private:
  ControlWindow() = default;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnCopyData(const COPYDATASTRUCT& data);
  LRESULT Execute(const DoubleCommand& command);

  HWND window_ = nullptr;
};

}  // namespace qbdouble
