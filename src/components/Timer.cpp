#include "Timer.h"

#include "Exceptions.h"
#include "WindowClass.h"

namespace {

const wchar_t kUtilWindowClass[] = L"TPUtilWindow";
constexpr UINT_PTR kTimerId = 1;

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), MessageTarget(this), schedule_(*this) {
    WNDCLASSW windowClass{};
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kUtilWindowClass;
    EnsureWindowClass(windowClass);
    CreateOwnedWindow(WS_EX_TOOLWINDOW, kUtilWindowClass, L"", WS_POPUP, RECT{}, nullptr, windowClass.hInstance);
}

TTimer::~TTimer() {
    // Stopping only kills the platform timer, so this cannot fail.
    try {
        schedule_.SetEnabled(false);
    } catch (...) {}
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    schedule_.SetHandlerAttached(static_cast<bool>(onTimer_));
}

void TTimer::SetProperty(const FormProperty& property) {
    if (property.name == "Interval") {
        if (property.value.kind != FormValue::Kind::Integer || property.value.integer < 0 ||
            property.value.integer > 0xFFFFFFFFll)
            InvalidPropertyValue();
        SetInterval(static_cast<std::uint32_t>(property.value.integer));
    } else if (property.name == "Enabled") {
        SetEnabled(property.value.AsBoolean());
    } else if (property.name == "OnTimer") {
        SetOnTimer(ResolveNotifyEvent(property));
    } else if (property.name == "DesignLeft" || property.name == "DesignTop") {
        property.value.AsInteger();
    } else {
        TComponent::SetProperty(property);
    }
}

void TTimer::Kill() { KillTimer(Handle(), kTimerId); }

bool TTimer::Start(std::uint32_t interval) { return SetTimer(Handle(), kTimerId, interval, nullptr) != 0; }

bool TTimer::HandleMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    if (message != WM_TIMER) return false;
    if (onTimer_) onTimer_(this);
    return true;
}
