// What a screen reader finds in a form. The labels have no window, so the
// form answers for them: its client area's accessible object lists the
// labels as simple elements and the controls' windows as objects of their
// own, in reading order, and tells listening readers when a label is
// invoked or moves.
#pragma once

#include <windows.h>
#include <oleacc.h>
#include <wrl/client.h>

class TForm;
class AccessibleForm;

class FormAccessibility {
public:
    explicit FormAccessibility(TForm& form);
    ~FormAccessibility();
    FormAccessibility(const FormAccessibility&) = delete;
    FormAccessibility& operator=(const FormAccessibility&) = delete;

    // WM_GETOBJECT for the client area, and the default actions readers
    // asked for, which come back as posted messages; false leaves the
    // message to the form.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Tells readers that the labels moved on the screen, because the form scrolled to offset.
    void Scrolled(POINT offset);
    // Cuts off every object handed out, before the controls go. From then on
    // calls answer CO_E_OBJNOTCONNECTED, and other processes lose the objects.
    void Disconnect() noexcept;

private:
    bool Connect() noexcept;
    void DoDefaultAction(LONG childId);

    TForm& form_;
    Microsoft::WRL::ComPtr<AccessibleForm> object_;
    POINT offset_{0, 0};
    bool disconnected_ = false;
};
