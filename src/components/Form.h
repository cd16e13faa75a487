// A top-level window built from the form definition the executable carries
// under its class name: it creates, scales and lays out its controls, paints
// and routes the mouse for the windowless ones, and scrolls them when they
// reach beyond its client area.
#pragma once

#include "Control.h"
#include "FormAccessible.h"

#include <memory>
#include <string>

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// What a form needs of the application that adopts it: the icon of its
// window, and the taskbar entry, which the application's window carries.
class FormHost {
public:
    virtual HICON Icon() const = 0;  // null when the executable has none
    virtual void Minimize() = 0;
    virtual void FormVisibilityChanged(bool visible) = 0;

protected:
    ~FormHost() = default;
};

class TForm : public TWinControl, private FormReader {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    ::Color Color() const { return color_; }
    POINT ScrollOffset() const { return scroll_; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState state);

    void SetProperty(const FormProperty& property) override;

    // Set by the application that adopts the form, before the form's window is made.
    void SetHost(FormHost* host) { host_ = host; }
    // Creates the window, hidden, and its controls' windows.
    void CreateHandle(HWND owner) override;
    void Show();
    void Close();
    // True when the platform hid the form only because its owner is minimised.
    // The user gets it back with the owner, so it counts as one of the windows shown.
    bool HiddenWithOwner() const { return hiddenWithOwner_; }

    // The windowless control under a point of the client area, if any.
    TControl* ControlAtPos(POINT client) const;
    // Focuses the next control in tab order that takes the focus; with no
    // current control, the first one (the last one backwards). False when
    // there is none.
    bool SelectNext(TWinControl* current, bool forward);
    // True while the focus goes back to the control that had it before the
    // window lost activation. The user is not entering the control then.
    bool RestoringFocus() const { return restoringFocus_; }

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    // Reads the definition, the executable's resource of that name, scales
    // it to the screen, binds and checks the members, finishes loading and
    // runs OnCreate. Called by the derived class's constructor, once its
    // handler table exists.
    void InitializeForm(const std::string& className, const wchar_t* resourceName);
    // A component of a class the definition names. Raises EReadError
    // "Class <name> not found" for a class the form does not know.
    virtual std::unique_ptr<TComponent> NewComponent(const std::string& className);
    // Bind(name, member) for each member that holds a component, as each
    // component is created and once more when all are: the member takes the
    // new component of its name and class, and one still unbound at the end
    // raises EReadError "Member <class>.<name> not bound".
    virtual void BindComponents() {}
    template <class T>
    void Bind(const char* name, T*& member) const {
        if (read_ && member == nullptr) Unbound(name);
        if (!read_ && Components().back()->Name() == name) member = dynamic_cast<T*>(Components().back().get());
    }
    const TComponent* HandlerForm() const override { return this; }

private:
    void SetFormProperty(const FormProperty& property) override;
    void CreateComponent(const FormComponent& component) override;
    void SetComponentProperty(const FormComponent& component, const FormProperty& property) override;
    [[noreturn]] void Unbound(const char* name) const;

    // Calls f for each control among the owned components, in creation order; that list is the only one.
    template <class F>
    void ForEachControl(F&& f) const {
        for (const auto& component : Components())
            if (auto* control = dynamic_cast<TControl*>(component.get())) f(*control);
    }
    void ScaleToScreen();
    void Realign();
    void ScrollTo(POINT position);
    void Scroll(int bar, WPARAM request);
    void PaintControls(HDC dc);
    void RememberFocus();
    bool RestoreFocus();

    bool HandleMouse(UINT message, LPARAM lParam);
    bool HandleSetCursor(WPARAM wParam, LPARAM lParam);

    std::string className_;
    bool read_ = false;  // the definition has been read
    FormHost* host_ = nullptr;
    std::string caption_;
    ::Color color_;
    int pixelsPerInch_ = 96;
    int textHeight_ = 0;
    TNotifyEvent onCreate_;
    TWindowState windowState_ = TWindowState::wsNormal;
    TControl* captureControl_ = nullptr;
    POINT scroll_{0, 0};
    bool realigning_ = false;
    HWND focusedChild_ = nullptr;
    bool restoringFocus_ = false;
    bool followingOwner_ = false;  // while the form is hidden or shown with its owner
    bool hiddenWithOwner_ = false;
    FormAccessibility accessibility_{*this};
};
