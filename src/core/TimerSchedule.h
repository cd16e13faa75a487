// When the refresh timer's platform timer runs: exactly while Interval is not
// 0, Enabled is true and a tick handler is attached. Every re-arm kills the
// platform timer first, so the countdown restarts from zero.
#pragma once

#include <cstdint>

class PlatformTimer {
public:
    virtual ~PlatformTimer() = default;
    virtual void Kill() = 0;  // harmless with no timer running
    virtual bool Start(std::uint32_t interval) = 0;  // false: the platform refused
};

class TimerSchedule {
public:
    explicit TimerSchedule(PlatformTimer& timer) : timer_(timer) {}

    std::uint32_t Interval() const { return interval_; }
    bool Enabled() const { return enabled_; }

    // Interval and Enabled re-arm only when the value changes; attaching or
    // detaching the handler always re-arms. A refused platform timer raises
    // EOutOfResources "Not enough timers available" after the new value is
    // stored and the old timer killed.
    void SetInterval(std::uint32_t interval);
    void SetEnabled(bool enabled);
    void SetHandlerAttached(bool attached);

private:
    void Rearm();

    PlatformTimer& timer_;
    std::uint32_t interval_ = 1000;
    bool enabled_ = true;
    bool handlerAttached_ = false;
};
