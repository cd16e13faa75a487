#include "Label.h"

#include "AccessibleChildren.h"
#include "Form.h"
#include "WideText.h"

void TLabel::SetCaption(const std::string& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    AdjustSize();
    Invalidate();
}

std::string_view TLabel::AccessibleName() const {
    const size_t first = caption_.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return std::string_view(caption_).substr(first, caption_.find_last_not_of(' ') - first + 1);
}

void TLabel::SetProperty(const FormProperty& property) {
    if (property.name == "Caption") SetCaption(property.value.AsString());
    else if (property.name == "AutoSize") autoSize_ = property.value.AsBoolean();
    else if (property.name == "ShowAccelChar") showAccelChar_ = property.value.AsBoolean();
    else if (property.name == "OnClick") onClick_ = ResolveNotifyEvent(property);
    else if (property.name == "OnDblClick") onDoubleClick_ = ResolveNotifyEvent(property);
    else TControl::SetProperty(property);
}

void TLabel::Loaded() {
    loading_ = false;
    AdjustSize();
}

void TLabel::FontChanged() {
    AdjustSize();
    Invalidate();
}

UINT TLabel::TextFormat() const { return DT_LEFT | DT_EXPANDTABS | (showAccelChar_ ? 0 : DT_NOPREFIX); }

// Sizing waits for the end of loading, when the font and the screen's scale
// are final; the left edge stays where it is.
void TLabel::AdjustSize() {
    if (loading_ || !autoSize_) return;
    RECT extent{0, 0, 0, 0};
    {
        ScreenDC dc;
        const std::wstring text = Widen(caption_);
        SelectedObject font(dc.Get(), Font().HandleFor(text));
        DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent, TextFormat() | DT_CALCRECT);
    }
    Invalidate();
    SetBounds(Bounds{Left(), Top(), extent.right - extent.left, extent.bottom - extent.top});
    Invalidate();
}

void TLabel::Invalidate() const {
    if (Parent() == nullptr || Parent()->Handle() == nullptr) return;
    const RECT place = ClientRect();
    InvalidateRect(Parent()->Handle(), &place, TRUE);
}

void TLabel::Paint(HDC dc) {
    RECT place = ClientRect();
    const COLORREF background = ColorToRgb(Parent() != nullptr ? Parent()->Color() : clWindow);
    SetBkColor(dc, background);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &place, nullptr, 0, nullptr);
    const std::wstring text = Widen(caption_);
    SelectedObject font(dc, Font().HandleFor(text));
    SetTextColor(dc, ColorToRgb(Font().TextColor()));
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &place, TextFormat());
}

void TLabel::MouseDown(POINT) { pressed_ = true; }

void TLabel::MouseUp(POINT point) {
    const bool wasPressed = pressed_;
    pressed_ = false;
    const bool inside = point.x >= 0 && point.y >= 0 && point.x < Width() && point.y < Height();
    if (wasPressed && inside) Click();
}

// Readers hear of the click before it runs, as they do for a click of the mouse.
void TLabel::Click() {
    if (!onClick_) return;
    if (Parent() != nullptr) NotifyInvoked(*Parent(), *this);
    onClick_(this);
}

// The second press of a double click starts no click, so its release is not one either.
void TLabel::DoubleClick(POINT) {
    if (onDoubleClick_) onDoubleClick_(this);
}

void TLabel::CancelMode() { pressed_ = false; }
