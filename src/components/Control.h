// Visual components: TControl, the windowless base the labels use, and
// TWinControl, a control that owns a child window of the form.
#pragma once

#include "Component.h"
#include "Font.h"
#include "Scaling.h"
#include "WindowHandle.h"

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

    // The control's own font, or the parent's while ParentFont holds.
    const TFont& Font() const;
    TFont& OwnFont() { return font_; }

    void SetProperty(const FormProperty& property) override;

    // Adapts position, size and an own font to the screen by m/d.
    virtual void ScaleBy(int m, int d, int screenPpi);
    // A class that fixes its height (by its font) keeps it when scaled.
    virtual bool FixedHeight() const { return false; }
    virtual void FontChanged() {}

    virtual bool Windowed() const { return false; }
    // Windowless controls are drawn by the form, at their place on dc.
    virtual void Paint(HDC) {}
    // Mouse input of windowless controls, in the control's own coordinates.
    virtual void MouseDown(POINT) {}
    virtual void MouseUp(POINT) {}
    virtual void DoubleClick(POINT) {}
    virtual void CancelMode() {}
    virtual void MouseEnter() {}
    virtual void MouseLeave() {}

    // Where the control shows now in its form's client area.
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

class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* owner) : TControl(owner) {}
    ~TWinControl() override;

    HWND Handle() const { return window_.Get(); }
    bool HandleAllocated() const { return static_cast<bool>(window_); }
    bool Windowed() const override { return true; }
    // Whether Tab stops at the control.
    virtual bool TabStop() const { return true; }

    // Makes the control's window inside the parent form's window.
    virtual void CreateHandle(HWND parent) = 0;
    virtual void DestroyHandle();
    // Moves the window to where the control's bounds and the scrolling say.
    void Place();
    // The offer of a key before the program's own translation; true claims it.
    virtual bool OfferKey(MSG&) { return false; }
    // A notification (WM_COMMAND) its window sent the parent, passed back.
    virtual void CommandNotification(WORD) {}

    // The control object that a window of the program belongs to, if any.
    static TWinControl* FromWindow(HWND window);

    // The window, from its WM_NCCREATE on, and every message to it.
    void AttachWindow(HWND window);
    virtual bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

protected:
    void BoundsChanged() override { Place(); }
    // Raises EOutOfResources "Error creating window" for no window.
    void TakeCreatedWindow(HWND created) {
        window_.TakeCreated(created);
        AttachWindow(created);
    }
    // Creates a child window of parent where the control shows and takes it.
    // Raises EOutOfResources "Error creating window".
    void CreateChildWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style, HWND parent);
    // For platform controls: every message passes HandleMessage first, inside
    // a catch site, then on to the platform's own procedure unless handled.
    void Subclass();

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    WindowHandle window_;
    bool subclassed_ = false;
};

// Key offers travel as this message number above the key message.
constexpr UINT kKeyOfferBase = 0xBC00;
// The key messages that are offered: WM_KEYDOWN to 0x0108. The headers'
// WM_KEYLAST is 0x0109 for Windows XP and later, which takes WM_UNICHAR in.
constexpr UINT kOfferedKeyFirst = WM_KEYDOWN;
constexpr UINT kOfferedKeyLast = 0x0108;
