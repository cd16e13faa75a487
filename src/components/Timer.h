// The refresh timer: a platform timer bound to a hidden window of its own,
// whose ticks call OnTimer on the main thread.
#pragma once

#include "Component.h"
#include "TimerSchedule.h"
#include "WindowHandle.h"

#include <windows.h>

#include <cstdint>

class TTimer : public TComponent, private PlatformTimer {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    std::uint32_t Interval() const { return schedule_.Interval(); }
    void SetInterval(std::uint32_t interval) { schedule_.SetInterval(interval); }
    bool Enabled() const { return schedule_.Enabled(); }
    void SetEnabled(bool enabled) { schedule_.SetEnabled(enabled); }
    void SetOnTimer(TNotifyEvent handler);

    HWND Handle() const { return window_.Get(); }
    void SetProperty(const FormProperty& property) override;

    // Every WM_TIMER is a tick, whatever id it carries.
    void AttachWindow(HWND window) { window_.Reset(window); }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    void Kill() override;
    bool Start(std::uint32_t interval) override;

    WindowHandle window_;
    TimerSchedule schedule_;
    TNotifyEvent onTimer_;
};
