#include "Control.h"

#include "CatchSite.h"
#include "Exceptions.h"
#include "Form.h"

#include <commctrl.h>

namespace {

const wchar_t kControlProperty[] = L"QuellmarkBrenvik.Control";
constexpr UINT_PTR kSubclassId = 1;

}  // namespace

const TFont& TControl::Font() const { return parentFont_ && parent_ != nullptr ? parent_->Font() : font_; }

void TControl::SetBounds(const Bounds& bounds) {
    if (bounds == bounds_) return;
    Bounds accepted = bounds;
    if ((bounds.width != bounds_.width || bounds.height != bounds_.height) && !CanResize(bounds.width, bounds.height)) {
        accepted.width = bounds_.width;
        accepted.height = bounds_.height;
        if (accepted == bounds_) return;
    }
    bounds_ = accepted;
    BoundsChanged();
}

void TControl::SetProperty(const FormProperty& property) {
    const std::string& name = property.name;
    Bounds bounds = bounds_;
    if (name == "Left") bounds.left = property.value.AsInteger();
    else if (name == "Top") bounds.top = property.value.AsInteger();
    else if (name == "Width") bounds.width = property.value.AsInteger();
    else if (name == "Height") bounds.height = property.value.AsInteger();
    else if (name == "Visible") visible_ = property.value.AsBoolean();
    else if (name == "Enabled") enabled_ = property.value.AsBoolean();
    else if (name == "TabOrder") tabOrder_ = property.value.AsInteger();
    else if (name == "ParentFont") parentFont_ = property.value.AsBoolean();
    else if (name == "Align") {
        const std::string& align = property.value.AsIdentifier();
        if (align == "alNone") align_ = TAlign::alNone;
        else if (align == "alBottom") align_ = TAlign::alBottom;
        else InvalidPropertyValue();
    } else if (name == "Cursor") {
        const std::string& cursor = property.value.AsIdentifier();
        if (cursor == "crDefault") cursor_ = TCursor::crDefault;
        else if (cursor == "crHandPoint") cursor_ = TCursor::crHandPoint;
        else InvalidPropertyValue();
    } else if (font_.SetProperty(property)) {
        // Setting any part of an own font means the control no longer follows its parent's.
        parentFont_ = false;
        FontChanged();
    } else {
        TComponent::SetProperty(property);
    }
    SetBounds(bounds);
}

void TControl::ScaleBy(int m, int d, int screenPpi) {
    SetBounds(ScaleBounds(bounds_, m, d, FixedHeight()));
    if (!parentFont_) {
        font_.SetHeight(ScaleFontHeight(font_.Height(), m, d, screenPpi));
        FontChanged();
    }
}

// Aligned controls keep to the visible client area; scrolling moves the rest.
RECT TControl::ClientRect() const {
    const POINT scroll = parent_ != nullptr && align_ == TAlign::alNone ? parent_->ScrollOffset() : POINT{0, 0};
    return RECT{bounds_.left - scroll.x, bounds_.top - scroll.y, bounds_.left - scroll.x + bounds_.width,
                bounds_.top - scroll.y + bounds_.height};
}

TWinControl::~TWinControl() { TWinControl::DestroyHandle(); }

void TWinControl::DestroyHandle() {
    if (!window_) return;
    if (subclassed_) RemoveWindowSubclass(window_.Get(), &SubclassProc, kSubclassId);
    subclassed_ = false;
    RemovePropW(window_.Get(), kControlProperty);
    window_.Reset();
}

TWinControl* TWinControl::FromWindow(HWND window) {
    return window != nullptr ? static_cast<TWinControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

void TWinControl::AttachWindow(HWND window) {
    window_.Reset(window);
    SetPropW(window, kControlProperty, this);
}

void TWinControl::CreateChildWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                                    HWND parent) {
    const RECT place = ClientRect();
    TakeCreatedWindow(CreateWindowExW(exStyle, className, text, style, place.left, place.top, place.right - place.left,
                                      place.bottom - place.top, parent, nullptr, GetModuleHandleW(nullptr), this));
}

void TWinControl::Subclass() {
    if (SetWindowSubclass(window_.Get(), &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        subclassed_ = true;
}

void TWinControl::Place() {
    if (!window_) return;
    const RECT place = ClientRect();
    SetWindowPos(window_.Get(), nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR data) {
    auto* control = reinterpret_cast<TWinControl*>(data);
    LRESULT result = 0;
    bool handled = false;
    // A failed handler counts as having handled the message.
    if (!CatchSite(control, [&] { handled = control->HandleMessage(message, wParam, lParam, result); })) return 0;
    return handled ? result : DefSubclassProc(window, message, wParam, lParam);
}
