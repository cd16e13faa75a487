// The process-wide application object: its hidden window, which carries the
// title and the taskbar entry and owns the main window, the message loop, and
// the modal message box every error box goes through.
#pragma once

#include "Component.h"
#include "Form.h"
#include "OpenBoxes.h"
#include "WindowHandle.h"

#include <windows.h>

#include <memory>
#include <string>

class Exception;

class TApplication : public TComponent, public FormHost {
public:
    // Registers the "TApplication" class and creates the hidden window.
    // Raises EOutOfResources "Error creating window class".
    TApplication(HINSTANCE instance, int startupShowCommand);
    ~TApplication() override;

    HICON Icon() const override { return icon_; }
    HWND Handle() const { return window_.Get(); }

    std::string Title() const;
    void SetTitle(const std::string& title);

    // Builds the form (owned by the application) and, for the first one,
    // creates its window at once and makes it the main window.
    template <class Form>
    Form& CreateForm() {
        auto form = std::make_unique<Form>(this);
        Form& created = *form;
        AdoptForm(std::move(form));
        return created;
    }

    // Shows the main window as the start-up show command asks and runs the
    // loop until the main window closes or the session ends.
    void Run();

    void Minimize() override;
    void Restore();
    void FormVisibilityChanged(bool visible) override;

    // The error display's box: the message with a full stop by the usual
    // rule, captioned with the title, stop icon. Nothing is shown when a box
    // with the same text is open, or when boxes are nested too deep already.
    void ShowException(const Exception& error);
    // A box owned by the application window while the program's other
    // windows are disabled.
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

    // The last shutdown step that belongs to the application: hide owned
    // pop-ups and destroy the forms, before the runtime goes down.
    void DestroyForms();

    void AttachWindow(HWND window) { window_.Reset(window); }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    void AdoptForm(std::unique_ptr<TForm> form);
    void ProcessMessage();
    bool OfferKey(MSG& message);
    void Idle();

    HINSTANCE instance_;
    HICON icon_;
    int startupShowCommand_;
    WindowHandle window_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    TComponent* mouseControl_ = nullptr;
    OpenBoxes openBoxes_;
};

// The one application object, which exists from before start-up until the
// very end of the exit sequence.
TApplication& Application();
void SetApplication(TApplication* application);
