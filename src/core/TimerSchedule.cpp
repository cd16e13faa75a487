// When the refresh timer's platform timer runs.
#include "TimerSchedule.h"

#include "Exceptions.h"

void TimerSchedule::SetInterval(std::uint32_t interval) {
    if (interval == interval_) return;
    interval_ = interval;
    Rearm();
}

void TimerSchedule::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    Rearm();
}

void TimerSchedule::SetHandlerAttached(bool attached) {
    handlerAttached_ = attached;
    Rearm();
}

void TimerSchedule::Rearm() {
    timer_.Kill();
    if (interval_ != 0 && enabled_ && handlerAttached_ && !timer_.Start(interval_)) {
        throw EOutOfResources("Not enough timers available");
    }
}
