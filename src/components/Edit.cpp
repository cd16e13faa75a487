#include "Edit.h"

#include "Form.h"
#include "ScopedFlag.h"
#include "WideText.h"

#include <commctrl.h>
#include <windowsx.h>

namespace {

// The edit's height follows its font: the text height plus room for the
// three-dimensional border.
constexpr int kBorderHeightsInEdit = 8;

}  // namespace

std::string TEdit::Text() const {
    if (!HandleAllocated()) return text_;
    const int length = GetWindowTextLengthW(Handle());
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(Handle(), text.data(), length + 1);
    text.resize(static_cast<size_t>(copied));
    return Narrow(text);
}

void TEdit::SetText(const std::string& text) {
    text_ = text;
    if (HandleAllocated()) SetWindowTextW(Handle(), Widen(text).c_str());
}

void TEdit::SetProperty(const FormProperty& property) {
    if (property.name == "Text") SetText(property.value.AsString());
    else if (property.name == "OnChange") onChange_ = ResolveNotifyEvent(property);
    else if (property.name == "OnClick") onClick_ = ResolveNotifyEvent(property);
    else TWinControl::SetProperty(property);
}

void TEdit::Loaded() { AdjustHeight(); }

void TEdit::FontChanged() {
    if (HandleAllocated()) SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), TRUE);
    AdjustHeight();
}

void TEdit::AdjustHeight() {
    TEXTMETRICW metrics{};
    {
        ScreenDC dc;
        SelectedObject font(dc.Get(), Font().Handle());
        GetTextMetricsW(dc.Get(), &metrics);
    }
    SetBounds(Bounds{Left(), Top(), Width(), metrics.tmHeight + kBorderHeightsInEdit * GetSystemMetrics(SM_CYBORDER)});
}

void TEdit::CreateHandle(HWND parent) {
    if (HandleAllocated()) return;
    // Screen readers name an edit box after the static text window just before
    // it in z-order. The caption beside it is painted by the form and is no
    // window, so a hidden one carries its text.
    if (!accessibleName_.empty())
        nameWindow_.TakeCreated(CreateWindowExW(0, L"STATIC", Widen(accessibleName_).c_str(), WS_CHILD, 0, 0, 0, 0,
                                                parent, nullptr, GetModuleHandleW(nullptr), nullptr));
    // The control may report changes while it is being made. Those are not the
    // user's, and they reach no control, because the window is attached only once it is made.
    CreateChildWindow(WS_EX_CLIENTEDGE, L"EDIT", Widen(text_).c_str(),
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, parent);
    Subclass();
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(Font().Handle()), FALSE);
}

void TEdit::CommandNotification(WORD code) {
    if (code == EN_CHANGE && onChange_) onChange_(this);
}

bool TEdit::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_LBUTTONDOWN: {
        pressed_ = true;
        const ScopedFlag focusByMouse(focusByMouse_);
        result = DefSubclassProc(Handle(), message, wParam, lParam);
        return true;
    }
    case WM_LBUTTONUP: {
        result = DefSubclassProc(Handle(), message, wParam, lParam);
        const bool wasPressed = pressed_;
        pressed_ = false;
        RECT client{};
        GetClientRect(Handle(), &client);
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (wasPressed && PtInRect(&client, point) && onClick_) onClick_(this);
        return true;
    }
    case WM_CANCELMODE: pressed_ = false; return false;
    case WM_SETFOCUS:
        result = DefSubclassProc(Handle(), message, wParam, lParam);
        if (!focusByMouse_ && (Parent() == nullptr || !Parent()->RestoringFocus()))
            SendMessageW(Handle(), EM_SETSEL, 0, -1);
        return true;
    case WM_KEYDOWN:
        if (wParam == VK_TAB && Parent() != nullptr) {
            Parent()->SelectNext(this, GetKeyState(VK_SHIFT) >= 0);
            return true;
        }
        return false;
    case WM_CHAR:
        // Tab moves the focus; the single-line control would only beep at it.
        return wParam == L'\t';
    default: return false;
    }
}
