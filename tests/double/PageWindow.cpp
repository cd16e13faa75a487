// Paints the double's page and follows the in-place rectangles it is given.
#include "PageWindow.h"

#include "Module.h"

namespace qbdouble {

namespace {

constexpr wchar_t kClassName[] = L"QbBrowserDoublePage";
constexpr wchar_t kTextPrefix[] = L"Test double: ";
constexpr int kTextMargin = 8;

bool classRegistered = false;

bool RegisterWindowClass(WNDPROC procedure) {
  if (classRegistered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ModuleInstance();
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = kClassName;
  classRegistered = RegisterClassExW(&windowClass) != 0;
  return classRegistered;
}

}  // namespace

PageWindow::~PageWindow() { Destroy(); }

bool PageWindow::Create(HWND parent, const RECT& bounds, const std::wstring& url) {
  if (window_ != nullptr) return true;
  if (!RegisterWindowClass(&PageWindow::WindowProc)) return false;
  text_ = kTextPrefix + url;
  CreateWindowExW(0, kClassName, text_.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                  bounds.left, bounds.top, bounds.right - bounds.left,
                  bounds.bottom - bounds.top, parent, nullptr, ModuleInstance(), this);
  return window_ != nullptr;
}

void PageWindow::Destroy() {
  if (window_ == nullptr) return;
  DestroyWindow(window_);
  window_ = nullptr;
}

void PageWindow::Move(const RECT& bounds) {
  if (window_ == nullptr) return;
  MoveWindow(window_, bounds.left, bounds.top, bounds.right - bounds.left,
             bounds.bottom - bounds.top, TRUE);
}

void PageWindow::ShowUrl(const std::wstring& url) {
  text_ = kTextPrefix + url;
  if (window_ == nullptr) return;
  SetWindowTextW(window_, text_.c_str());
  InvalidateRect(window_, nullptr, TRUE);
}

void PageWindow::UnregisterWindowClass() {
  if (!classRegistered) return;
  UnregisterClassW(kClassName, ModuleInstance());
  classRegistered = false;
}

LRESULT CALLBACK PageWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<PageWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<PageWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_ = nullptr;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  return self->HandleMessage(message, wParam, lParam);
}

LRESULT PageWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      if (dc != nullptr) {
        Paint(dc);
        EndPaint(window_, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void PageWindow::Paint(HDC dc) {
  RECT client;
  GetClientRect(window_, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  RECT textBounds = client;
  InflateRect(&textBounds, -kTextMargin, -kTextMargin);
  DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &textBounds,
            DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
}

}  // namespace qbdouble
