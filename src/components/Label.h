// A windowless caption that the form paints, sized to its text, which can
// act as a link: a click is a left press and release both inside it.
#pragma once

#include "Control.h"

#include <string>

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner) : TControl(owner) {}

    const std::string& Caption() const { return caption_; }
    // Only a changed caption is set, resized and repainted.
    void SetCaption(const std::string& caption);

    void SetProperty(const FormProperty& property) override;
    void Loaded() override;
    void FontChanged() override;

    void Paint(HDC dc) override;
    void MouseDown(POINT point) override;
    void MouseUp(POINT point) override;
    void DoubleClick(POINT point) override;
    void CancelMode() override;

private:
    void AdjustSize();
    void Invalidate() const;
    UINT TextFormat() const;

    std::string caption_;
    TNotifyEvent onClick_;
    TNotifyEvent onDoubleClick_;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    bool loading_ = true;
    bool pressed_ = false;
};
