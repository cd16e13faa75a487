// The window that the double shows while in-place active: a white page with
// "Test double: " and the last URL navigated to, which is also its window
// text so that a driver can read it without capturing pixels.
#pragma once

#include <windows.h>

#include <string>

namespace qbdouble {

class PageWindow {
 public:
  PageWindow() = default;
  PageWindow(const PageWindow&) = delete;
  PageWindow& operator=(const PageWindow&) = delete;
  ~PageWindow();

  bool Create(HWND parent, const RECT& bounds, const std::wstring& url);
  void Destroy();
  void Move(const RECT& bounds);
  void ShowUrl(const std::wstring& url);
  HWND Handle() const { return window_; }

  // Called when no object is left, so that the class does not outlive the
  // module's code if the module is unloaded.
  static void UnregisterWindowClass();

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);

  HWND window_ = nullptr;
  std::wstring text_;
};

}  // namespace qbdouble
