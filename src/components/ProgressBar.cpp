#include "ProgressBar.h"

#include <commctrl.h>

namespace {

// 32-bit ranges need the common controls that InitCommonControlsEx brings;
// without them the bar falls back to the 16-bit messages.
bool InitProgressClass() {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
    if (InitCommonControlsEx(&classes)) return true;
    InitCommonControls();
    return false;
}

}  // namespace

TProgressBar::TProgressBar(TComponent* owner)
    : TWinControl(owner), wideRange_(InitProgressClass()), range_(*this, wideRange_) {}

TProgressBar::~TProgressBar() { TProgressBar::DestroyHandle(); }

void TProgressBar::CreateHandle(HWND parent) {
    if (HandleAllocated()) return;
    CreateChildWindow(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, parent);
    Subclass();
    range_.WindowCreated();
}

void TProgressBar::DestroyHandle() {
    if (HandleAllocated()) range_.WindowDestroying();
    TWinControl::DestroyHandle();
}

void TProgressBar::SendRange(std::int32_t min, std::int32_t max) {
    if (wideRange_) SendMessageW(Handle(), PBM_SETRANGE32, static_cast<WPARAM>(min), static_cast<LPARAM>(max));
    else SendMessageW(Handle(), PBM_SETRANGE, 0, MAKELPARAM(min, max));
}

void TProgressBar::SendPosition(std::int32_t position) {
    SendMessageW(Handle(), PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

std::int32_t TProgressBar::ReadPosition() {
    if (wideRange_) return static_cast<std::int32_t>(SendMessageW(Handle(), PBM_GETPOS, 0, 0));
    return static_cast<std::int32_t>(SendMessageW(Handle(), PBM_DELTAPOS, 0, 0));
}
