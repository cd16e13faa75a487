// Paints the double's page and follows the in-place rectangles it is given.
#include "PageWindow.h"

namespace qbdouble {

namespace {

constexpr wchar_t kTextPrefix[] = L"Test double: ";
constexpr int kTextMargin = 8;

}  // namespace

PageWindow::~PageWindow() { Destroy(); }

bool PageWindow::Create(HWND parent, const RECT& bounds, const std::wstring& url) {
  if (window_ != nullptr) return true;
  text_ = kTextPrefix + url;
  return DoubleWindow::Create(0, text_.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, parent,
                              bounds, LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
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
