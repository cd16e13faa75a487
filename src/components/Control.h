// Visual components: TControl, the windowless base the labels use, and
// TWinControl, a control that owns a child window of the form.
#pragma once

#include "Component.h"
#include "Font.h"
#include "MessageTarget.h"
#include "Scaling.h"

#include <windows.h>

class TForm;

enum class TAlign { alNone, alBottom };
enum class TCursor { crDefault, crHandPoint };

class TControl : public TComponent {
public:
    explicit TControl(TComponent* owner) : TComponent(owner) {}

    TForm* Parent() const { return parent_; }
    void SetParent(TForm* parent) { parent_ = parent; }

    const Bounds& BoundsRect() const { return bounds_; }
    void SetBounds(const Bounds& bounds);
    int Left() const { return bounds_.left; }
    int Top() const { return bounds_.top; }
    int Width() const { return bounds_.width; }
    int Height() const { return bounds_.height; }

    bool Visible() const { return visible_; }
    bool Enabled() const { return enabled_; }
    TAlign Align() const { return align_; }
    TCursor Cursor() const { return cursor_; }
    int TabOrder() const { return tabOrder_; }

    // Returns the control's own font, or the parent's while ParentFont is true.
    const TFont& Font() const;
    TFont& OwnFont() { return font_; }

    void SetProperty(const FormProperty& property) override;

    // Adapts position, size and an own font to the screen by m/d.
    virtual void ScaleBy(int m, int d, int screenPpi);
    // True for a class whose font fixes its height, which scaling then keeps.
    virtual bool FixedHeight() const { return false; }
    virtual void FontChanged() {}

    virtual bool Windowed() const { return false; }
    // The form draws a windowless control by calling this with dc set to the control's place.
    virtual void Paint(HDC) {}
    // The form passes mouse input to windowless controls, in the control's own coordinates.
    virtual void MouseDown(POINT) {}
    virtual void MouseUp(POINT) {}
    virtual void DoubleClick(POINT) {}
    virtual void CancelMode() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}

    // Returns where the control shows now in its form's client area.
    RECT ClientRect() const;

protected:
    virtual void BoundsChanged() {}
    // A control may refuse a new size; it then keeps its old one.
    virtual bool CanResize(int, int) { return true; }

private:
    TForm* parent_ = nullptr;
    Bounds bounds_;
    bool visible_ = true;
    bool enabled_ = true;
    TAlign align_ = TAlign::alNone;
    TCursor cursor_ = TCursor::crDefault;
    int tabOrder_ = -1;
    TFont font_;
    bool parentFont_ = true;
};

class TWinControl : public TControl, public MessageTarget {
public:
    explicit TWinControl(TComponent* owner) : TControl(owner), MessageTarget(this) {}
    ~TWinControl() override;

    bool Windowed() const override { return true; }
    // True when the Tab key stops at the control.
    virtual bool TabStop() const { return true; }

    // Makes the control's window inside the parent form's window.
    virtual void CreateHandle(HWND parent) = 0;
    virtual void DestroyHandle();
    // Moves the window to where the control's bounds and the scrolling say.
    void Place();
    // Offers the control a key before the program translates it; returning true claims the key.
    virtual bool OfferKey(MSG&) { return false; }
    // The form passes back a notification (WM_COMMAND) that the control's window sent to it.
    virtual void CommandNotification(WORD) {}

    // The control object that a window of the program belongs to, if any.
    static TWinControl* FromWindow(HWND window) {
        return dynamic_cast<TWinControl*>(MessageTarget::FromWindow(window));
    }

protected:
    void BoundsChanged() override { Place(); }
    // Creates a child window of parent where the control shows and takes it.
    // Raises EOutOfResources "Error creating window".
    void CreateChildWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, HWND parent);
};

// A key offer is sent as a message whose number is this base plus the key message's.
constexpr UINT kKeyOfferBase = 0xBC00;
// The key messages that are offered: WM_KEYDOWN to 0x0108. The headers'
// WM_KEYLAST is 0x0109 for Windows XP and later, which takes WM_UNICHAR in.
constexpr UINT kOfferedKeyFirst = WM_KEYDOWN;
constexpr UINT kOfferedKeyLast = 0x0108;
