// A windowless caption that the form paints, sized to its text, which can
// act as a link: a click is a left press and release both inside it.
#pragma once

#include "Control.h"

#include <string>
#include <string_view>

class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner) : TControl(owner) {}

    const std::string& Caption() const { return caption_; }
    // Sets, resizes and repaints the label only when the caption changes.
    void SetCaption(const std::string& caption);
    // What a screen reader says for it: the caption without the blanks that space it on the screen.
    std::string_view AccessibleName() const;
    // Screen readers see a label that opens an address when clicked as a link.
    const std::string& LinkAddress() const { return linkAddress_; }
    void SetLinkAddress(std::string address) { linkAddress_ = std::move(address); }

    void SetProperty(const FormProperty& property) override;
    void Loaded() override;
    void FontChanged() override;

    void Paint(HDC dc) override;
    void MouseDown(POINT point) override;
    void MouseUp(POINT point) override;
    void DoubleClick(POINT point) override;
    void CancelMode() override;
    // The click of the mouse or of a screen reader's default action.
    void Click();

private:
    void AdjustSize();
    void Invalidate() const;
    UINT TextFormat() const;

    std::string caption_;
    std::string linkAddress_;
    TNotifyEvent onClick_;
    TNotifyEvent onDoubleClick_;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    bool loading_ = true;
    bool pressed_ = false;
};
