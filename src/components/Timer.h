// The refresh timer: a platform timer bound to a hidden window of its own,
// whose ticks call OnTimer on the main thread.
#pragma once

#include "Component.h"
#include "MessageTarget.h"
#include "TimerSchedule.h"

#include <windows.h>

#include <cstdint>

class TTimer : public TComponent, public MessageTarget, private PlatformTimer {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    std::uint32_t Interval() const { return schedule_.Interval(); }
    void SetInterval(std::uint32_t interval) { schedule_.SetInterval(interval); }
    bool Enabled() const { return schedule_.Enabled(); }
    void SetEnabled(bool enabled) { schedule_.SetEnabled(enabled); }
    void SetOnTimer(TNotifyEvent handler);

    void SetProperty(const FormProperty& property) override;

    // Counts every WM_TIMER as a tick, whatever id it carries.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void Kill() override;
    bool Start(std::uint32_t interval) override;

    TimerSchedule schedule_;
    TNotifyEvent onTimer_;
};
