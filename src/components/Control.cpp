#include "Control.h"

#include "Exceptions.h"
#include "Form.h"

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

// Aligned controls stay in the visible client area; scrolling moves only the others.
RECT TControl::ClientRect() const {
    const POINT scroll = parent_ != nullptr && align_ == TAlign::alNone ? parent_->ScrollOffset() : POINT{0, 0};
    return RECT{bounds_.left - scroll.x, bounds_.top - scroll.y, bounds_.left - scroll.x + bounds_.width,
                bounds_.top - scroll.y + bounds_.height};
}

TWinControl::~TWinControl() { TWinControl::DestroyHandle(); }

void TWinControl::DestroyHandle() { DestroyOwnedWindow(); }

void TWinControl::CreateChildWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                                    HWND parent) {
    CreateOwnedWindow(exStyle, className, text, style, ClientRect(), parent, GetModuleHandleW(nullptr));
}

void TWinControl::Place() {
    if (!HandleAllocated()) return;
    const RECT place = ClientRect();
    SetWindowPos(Handle(), nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
