// The progress bar along the bottom of the form: the platform's
// msctls_progress32, with range and position kept while it has no window.
#pragma once

#include "Control.h"
#include "ProgressRange.h"

#include <cstdint>

class TProgressBar : public TWinControl, private ProgressBarWindow {
public:
    explicit TProgressBar(TComponent* owner);
    ~TProgressBar() override;

    std::int32_t Min() const { return range_.Min(); }
    std::int32_t Max() const { return range_.Max(); }
    std::int32_t Position() { return range_.Position(); }
    void SetMax(std::int32_t value) { range_.SetMax(value); }
    void SetPosition(std::int32_t value) { range_.SetPosition(value); }

    bool TabStop() const override { return false; }
    void CreateHandle(HWND parent) override;
    void DestroyHandle() override;

private:
    bool Exists() const override { return HandleAllocated(); }
    void SendRange(std::int32_t min, std::int32_t max) override;
    void SendPosition(std::int32_t position) override;
    std::int32_t ReadPosition() override;

    bool wideRange_;
    ProgressRange range_;
};
