// The window that the double shows while in-place active: a white page with
// "Test double: " and the last URL navigated to, which is also its window
// text so that a driver can read it without capturing pixels.
#pragma once

#include "DoubleWindow.h"

#include <windows.h>

#include <string>

namespace qbdouble {

class PageWindow : public DoubleWindow<PageWindow> {
 public:
  static constexpr wchar_t kClassName[] = L"QbBrowserDoublePage";

  PageWindow() = default;
  ~PageWindow();

  bool Create(HWND parent, const RECT& bounds, const std::wstring& url);
  void Move(const RECT& bounds);
  void ShowUrl(const std::wstring& url);

 private:
  friend class DoubleWindow<PageWindow>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);

  std::wstring text_;
};

}  // namespace qbdouble
