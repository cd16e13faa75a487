// A top-level window built from the form definition the executable carries
// under its class name: it creates, scales and lays out its controls, paints
// and routes the mouse for the windowless ones, and scrolls them when they
// reach beyond its client area.
#pragma once

#include "Control.h"

#include <string>
#include <vector>

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

class TForm : public TWinControl, private FormReader {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    const std::string& Caption() const { return caption_; }
    ::Color Color() const { return color_; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    POINT ScrollOffset() const { return scroll_; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);

    void SetProperty(const FormProperty& property) override;

    // The window exists from here on, hidden; its controls' windows too.
    void CreateHandle(HWND owner) override;
    void Show();
    void Hide();
    void Close();

    // The windowless control under a point of the client area, if any.
    TControl* ControlAtPos(POINT client) const;
    // Focuses the next control in tab order that takes the focus; with no
    // current control, the first one (the last one backwards). False when
    // there is none.
    bool SelectNext(TWinControl* current, bool forward);
    // True while the focus goes back to the control that had it before the
    // window lost activation: that is no entering of the control.
    bool RestoringFocus() const { return restoringFocus_; }

protected:
    // Reads the definition named after the window class, scales it to the
    // screen, finishes loading and runs OnCreate. Called by the derived
    // class's constructor, once its handler table exists.
    void InitializeForm(const std::string& className);
    // Binds a created component to the derived class's member of its name.
    virtual void BindComponent(TComponent&) {}

private:
    void SetFormProperty(const FormProperty& property) override;
    void CreateComponent(const FormComponent& component) override;
    void SetComponentProperty(const FormComponent& component, const FormProperty& property) override;

    void ScaleToScreen();
    void Realign();
    void ScrollTo(POINT position);
    void Scroll(int bar, WPARAM request);
    void PaintControls(HDC dc);
    void RememberFocus();
    bool RestoreFocus();

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleFormMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool HandleMouse(UINT message, LPARAM lParam);
    bool HandleSetCursor(WPARAM wParam, LPARAM lParam);

    std::string className_;
    std::string caption_;
    ::Color color_;
    int pixelsPerInch_ = 96;
    int textHeight_ = 0;
    TNotifyEvent onCreate_;
    TWindowState windowState_ = TWindowState::wsNormal;
    std::vector<TControl*> controls_;
    TComponent* loading_ = nullptr;
    TControl* captureControl_ = nullptr;
    POINT scroll_{0, 0};
    bool realigning_ = false;
    HWND focusedChild_ = nullptr;
    bool restoringFocus_ = false;
};
