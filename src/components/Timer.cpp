#include "Timer.h"

#include "ErrorDisplay.h"
#include "Exceptions.h"
#include "WindowClass.h"

namespace {

const wchar_t kUtilWindowClass[] = L"TPUtilWindow";
constexpr UINT_PTR kTimerId = 1;

void RegisterUtilWindowClass(HINSTANCE instance, WNDPROC procedure)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kUtilWindowClass;
    EnsureWindowClass(windowClass);
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), schedule_(*this)
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterUtilWindowClass(instance, &WindowProc);
    window_.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kUtilWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  instance, nullptr));
    if (!window_) throw EOutOfResources("Error creating window");
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer()
{
    // Stopping only kills the platform timer, so this cannot fail.
    try {
        schedule_.SetEnabled(false);
    } catch (...) {
    }
    SetWindowLongPtrW(window_.Get(), GWLP_USERDATA, 0);
}

void TTimer::SetOnTimer(TNotifyEvent handler)
{
    onTimer_ = std::move(handler);
    schedule_.SetHandlerAttached(static_cast<bool>(onTimer_));
}

void TTimer::SetProperty(const FormProperty& property)
{
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

void TTimer::Kill()
{
    KillTimer(window_.Get(), kTimerId);
}

bool TTimer::Start(std::uint32_t interval)
{
    return SetTimer(window_.Get(), kTimerId, interval, nullptr) != 0;
}

// Every WM_TIMER is a tick, whatever id it carries.
LRESULT CALLBACK TTimer::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_TIMER && timer != nullptr) {
        CatchSite(timer, [timer] {
            if (timer->onTimer_) timer->onTimer_(timer);
        });
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
