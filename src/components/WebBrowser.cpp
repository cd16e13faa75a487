#include "WebBrowser.h"

#include "CatchSite.h"
#include "Form.h"
#include "ScopedFlag.h"
#include "WindowClass.h"

#include <windowsx.h>

namespace {

const wchar_t kHostWindowClass[] = L"TWebBrowser";
// Controls that act like labels or never take the focus are no tab stops.
constexpr DWORD kNoTabStopMisc = OLEMISC_ACTSLIKELABEL | OLEMISC_NOUIACTIVATE;

}  // namespace

TWebBrowser::TWebBrowser(TComponent* owner)
    : TWinControl(owner), browser_(std::make_unique<BrowserHost>(static_cast<BrowserSiteOwner&>(*this))) {}

TWebBrowser::~TWebBrowser() {
    TWebBrowser::DestroyHandle();
    browser_.reset();
}

bool TWebBrowser::TabStop() const { return (browser_->MiscStatus() & kNoTabStopMisc) == 0; }

void TWebBrowser::SetProperty(const FormProperty& property) {
    if (property.name == "OnProgressChange") {
        onProgressChange_ = ResolveProgressEvent(property);
    } else if (property.name == "ControlData") {
        controlData_ = property.value.AsBytes();
    } else {
        TWinControl::SetProperty(property);
    }
}

void TWebBrowser::EnsureLoaded() {
    if (browser_->Loaded()) return;
    browser_->Load(controlData_);
    const SIZE extent = browser_->ExtentPixels();
    if (extent.cx > 0 && extent.cy > 0) {
        const ScopedFlag settingExtent(settingExtent_);
        SetBounds(Bounds{Left(), Top(), extent.cx, extent.cy});
    }
}

void TWebBrowser::Navigate(const wchar_t* url) {
    EnsureLoaded();
    browser_->Navigate(url);
}

void TWebBrowser::Refresh() {
    EnsureLoaded();
    browser_->Refresh();
}

void TWebBrowser::BoundsChanged() {
    TWinControl::BoundsChanged();
    if (HandleAllocated()) browser_->SetBounds(SiteBounds());
}

// Once the control has its state, it has a say in its size: a change from a
// size it already has is offered to the control and dropped if the control declines.
bool TWebBrowser::CanResize(int width, int height) {
    if (!browser_ || !browser_->Loaded() || settingExtent_ || Width() == 0 || Height() == 0) return true;
    return browser_->OfferExtent(SIZE{width, height});
}

RECT TWebBrowser::SiteBounds() const { return RECT{0, 0, Width(), Height()}; }

void TWebBrowser::CreateHandle(HWND parent) {
    if (HandleAllocated()) return;
    EnsureLoaded();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kHostWindowClass;
    EnsureWindowClass(windowClass);
    CreateChildWindow(0, kHostWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, parent);
    browser_->Activate(Handle(), SiteBounds());
}

void TWebBrowser::DestroyHandle() {
    if (browser_) browser_->Deactivate();
    TWinControl::DestroyHandle();
}

// The control sees the key first; a Tab it does not want moves the focus on,
// as it would in a dialog.
bool TWebBrowser::OfferKey(MSG& message) {
    if (browser_->TranslateAccelerator(message)) return true;
    if (message.message != WM_KEYDOWN || message.wParam != VK_TAB || Parent() == nullptr) return false;
    Parent()->SelectNext(this, GetKeyState(VK_SHIFT) >= 0);
    return true;
}

bool TWebBrowser::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message >= kKeyOfferBase + kOfferedKeyFirst && message <= kKeyOfferBase + kOfferedKeyLast) {
        // The key was meant for the control's own window, which has the focus.
        MSG key{GetFocus(), message - kKeyOfferBase, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
        const DWORD position = GetMessagePos();
        key.pt = POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
        result = OfferKey(key) ? 1 : 0;
        return true;
    }
    if (message == WM_ERASEBKGND) {
        result = 1;
        return true;
    }
    if (message == WM_SETFOCUS) {
        browser_->Focus(Handle(), SiteBounds());
        return true;
    }
    return false;
}

void TWebBrowser::ProgressChange(std::int32_t progress, std::int32_t progressMax) noexcept {
    CatchSite(this, [&] {
        if (onProgressChange_) onProgressChange_(this, progress, progressMax);
    });
}
