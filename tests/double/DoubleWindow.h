// What the double's two windows share: a class of their own, registered
// with the first window and unregistered when no object is left, and the
// object behind each window, which gets its messages until WM_NCDESTROY.
// Derived names its class in kClassName and answers HandleMessage.
#pragma once

#include "Module.h"

#include <windows.h>

namespace qbdouble {

template <class Derived>
class DoubleWindow {
 public:
  DoubleWindow() = default;
  DoubleWindow(const DoubleWindow&) = delete;
  DoubleWindow& operator=(const DoubleWindow&) = delete;

  HWND Handle() const { return window_; }

  void Destroy() {
    if (window_ == nullptr) return;
    DestroyWindow(window_);
    window_ = nullptr;
  }

  // Called when no object is left, so that the class does not outlive the
  // module's code if the module is unloaded.
  static void UnregisterWindowClass() {
    if (!classRegistered_) return;
    UnregisterClassW(Derived::kClassName, ModuleInstance());
    classRegistered_ = false;
  }

 protected:
  ~DoubleWindow() = default;

  // Registers the class if need be and creates the window for this object;
  // false when either fails.
  bool Create(DWORD exStyle, const wchar_t* title, DWORD style, HWND parent,
                 const RECT& bounds, HCURSOR cursor) {
    if (!classRegistered_) {
      WNDCLASSEXW windowClass{};
      windowClass.cbSize = sizeof windowClass;
      windowClass.lpfnWndProc = &DoubleWindow::WindowProc;
      windowClass.hInstance = ModuleInstance();
      windowClass.hCursor = cursor;
      windowClass.lpszClassName = Derived::kClassName;
      classRegistered_ = RegisterClassExW(&windowClass) != 0;
      if (!classRegistered_) return false;
    }
    CreateWindowExW(exStyle, Derived::kClassName, title, style, bounds.left, bounds.top,
                    bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr,
                    ModuleInstance(), static_cast<Derived*>(this));
    return window_ != nullptr;
  }

  HWND window_ = nullptr;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      self->window_ = window;
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Derived*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->window_ = nullptr;
      return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
  }

  static inline bool classRegistered_ = false;
};

}  // namespace qbdouble
