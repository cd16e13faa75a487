// The rules of the progress bar's Min, Max and Position, apart from the
// platform control that shows them, so that they hold with or without the
// control's window and in both of the control's range modes.
#pragma once

#include <cstdint>

class ProgressBarWindow {
public:
    virtual ~ProgressBarWindow() = default;
    virtual bool Exists() const = 0;
    // 32-bit mode: PBM_SETRANGE32; 16-bit mode: PBM_SETRANGE, min in the low half.
    virtual void SendRange(std::int32_t min, std::int32_t max) = 0;
    virtual void SendPosition(std::int32_t position) = 0;  // PBM_SETPOS, unclamped
    virtual std::int32_t ReadPosition() = 0;  // PBM_GETPOS, or PBM_DELTAPOS 0 in 16-bit mode
};

class ProgressRange {
public:
    // wideRange: the platform offered 32-bit ranges (InitCommonControlsEx
    // succeeded); otherwise every value must lie in 0..65535.
    ProgressRange(ProgressBarWindow& window, bool wideRange);

    std::int32_t Min() const { return min_; }
    std::int32_t Max() const { return max_; }
    std::int32_t Position();  // the control's position when its window exists

    // Raises EInvalidOperation "TProgressBar property out of range" when
    // Min would exceed Max, and in 16-bit mode EInvalidOperation "Value must
    // be between 0 and 65535"; nothing changes then. An unchanged value
    // sends nothing.
    void SetMin(std::int32_t value);
    void SetMax(std::int32_t value);
    // The position is sent unclamped when the window exists, and kept until then otherwise.
    void SetPosition(std::int32_t value);

    // The window was made: send the stored range, then the pending position.
    void WindowCreated();
    // The window is about to go: keep its position for the next window.
    void WindowDestroying();

private:
    void SetRange(std::int32_t min, std::int32_t max);

    ProgressBarWindow& window_;
    bool wideRange_;
    std::int32_t min_ = 0;
    std::int32_t max_ = 100;
    std::int32_t pendingPosition_ = 0;
};
