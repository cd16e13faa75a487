// The progress bar's Min, Max and Position rules.
#include "ProgressRange.h"

#include "Exceptions.h"

#include <string>

namespace {

constexpr std::int32_t kNarrowMin = 0;
constexpr std::int32_t kNarrowMax = 65535;

bool InNarrowRange(std::int32_t value) { return value >= kNarrowMin && value <= kNarrowMax; }

[[noreturn]] void RaiseNarrowRange() {
    throw EInvalidOperation("Value must be between " + std::to_string(kNarrowMin) + " and " +
                            std::to_string(kNarrowMax));
}

}  // namespace

ProgressRange::ProgressRange(ProgressBarWindow& window, bool wideRange) : window_(window), wideRange_(wideRange) {}

std::int32_t ProgressRange::Position() { return window_.Exists() ? window_.ReadPosition() : pendingPosition_; }

void ProgressRange::SetMin(std::int32_t value) { SetRange(value, max_); }

void ProgressRange::SetMax(std::int32_t value) { SetRange(min_, value); }

void ProgressRange::SetRange(std::int32_t min, std::int32_t max) {
    if (min > max) { throw EInvalidOperation("TProgressBar property out of range"); }
    if (!wideRange_ && (!InNarrowRange(min) || !InNarrowRange(max))) { RaiseNarrowRange(); }
    if (min == min_ && max == max_) { return; }
    if (window_.Exists()) { window_.SendRange(min, max); }
    min_ = min;
    max_ = max;
}

void ProgressRange::SetPosition(std::int32_t value) {
    if (!wideRange_ && !InNarrowRange(value)) { RaiseNarrowRange(); }
    // Sent unclamped: the platform control keeps its position within range.
    if (window_.Exists()) {
        window_.SendPosition(value);
    } else {
        pendingPosition_ = value;
    }
}

void ProgressRange::WindowCreated() {
    // The range goes first so that the control does not clamp the position
    // to its default range.
    window_.SendRange(min_, max_);
    SetPosition(pendingPosition_);
}

void ProgressRange::WindowDestroying() { pendingPosition_ = window_.ReadPosition(); }
