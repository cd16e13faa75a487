// The process-wide application object: its hidden window, which carries the
// title and the taskbar entry and owns the main window, the message loop, and
// the modal message box every error box goes through.
#pragma once

#include "Component.h"
#include "Form.h"
#include "MessageTarget.h"
#include "OpenBoxes.h"

#include <windows.h>

#include <memory>
#include <string>

class Exception;

class TApplication : public TComponent, public FormHost, public MessageTarget {
public:
    // Registers the "TApplication" class and creates the hidden window.
    // Raises EOutOfResources "Error creating window class".
    TApplication(HINSTANCE instance, int startupShowCommand);
    ~TApplication() override;

    HICON Icon() const override { return icon_; }

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

    // Shows the error display's box: the message with a full stop by the usual
    // rule, captioned with the title, with the stop icon. Nothing is shown when a box
    // with the same text is open, or when boxes are nested too deep already.
    void ShowException(const Exception& error);
    // Shows a box owned by the application window, with the program's other
    // windows disabled while it is open.
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

    // Hides the owned pop-ups and destroys the forms, the last step of the
    // shutdown that belongs to the application; it runs before OLE goes.
    void DestroyForms();

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void AdoptForm(std::unique_ptr<TForm> form);
    void ProcessMessage();
    bool OfferKey(MSG& message);
    void Idle();

    HINSTANCE instance_;
    HICON icon_;
    int startupShowCommand_;
    TForm* mainForm_ = nullptr;
    bool terminated_ = false;
    TComponent* mouseControl_ = nullptr;
    OpenBoxes openBoxes_;
};

// The one application object, which exists from before start-up until the
// very end of the exit sequence.
TApplication& Application();
void SetApplication(TApplication* application);
