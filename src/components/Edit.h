// A single-line edit box: the platform's EDIT control, subclassed for its
// change and click events and for selecting all when tabbed into.
#pragma once

#include "Control.h"

#include <string>

class TEdit : public TWinControl {
public:
    explicit TEdit(TComponent* owner) : TWinControl(owner) {}

    // The whole current text, untrimmed.
    std::string Text() const;
    void SetText(const std::string& text);
    // Sets what screen readers call the box; it must be set before the window is made.
    void SetAccessibleName(std::string name) { accessibleName_ = std::move(name); }

    void SetProperty(const FormProperty& property) override;
    void Loaded() override;
    bool FixedHeight() const override { return true; }
    void FontChanged() override;

    void CreateHandle(HWND parent) override;
    void CommandNotification(WORD code) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AdjustHeight();

    std::string text_;
    std::string accessibleName_;
    WindowHandle nameWindow_;
    TNotifyEvent onChange_;
    TNotifyEvent onClick_;
    bool pressed_ = false;
    bool focusByMouse_ = false;
};
