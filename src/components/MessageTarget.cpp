#include "MessageTarget.h"

#include "CatchSite.h"

#include <commctrl.h>

namespace {

const wchar_t kTargetProperty[] = L"QuellmarkBrenvik.Control";
constexpr UINT_PTR kSubclassId = 1;

}  // namespace

MessageTarget* MessageTarget::FromWindow(HWND window) {
    return window != nullptr ? static_cast<MessageTarget*>(GetPropW(window, kTargetProperty)) : nullptr;
}

// The object is attached at WM_NCCREATE, so that the messages sent while the
// window is being created reach it too.
LRESULT CALLBACK MessageTarget::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = static_cast<MessageTarget*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        if (created != nullptr) created->AttachWindow(window);
    }
    auto* target = reinterpret_cast<MessageTarget*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (target == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return target->Dispatch(window, message, wParam, lParam, &DefWindowProcW);
}

LRESULT CALLBACK MessageTarget::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) {
    return reinterpret_cast<MessageTarget*>(data)->Dispatch(window, message, wParam, lParam, &DefSubclassProc);
}

// At WM_NCDESTROY the window is as good as gone: the object lets go of it
// and hears nothing more. A handler that fails counts as having handled its
// message, which then goes nowhere else.
LRESULT MessageTarget::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                LRESULT(WINAPI* fallback)(HWND, UINT, WPARAM, LPARAM)) {
    if (message == WM_NCDESTROY) {
        StopDispatching();
        window_.Forget();
        return fallback(window, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    if (!CatchSite(sender_, [&] { handled = HandleMessage(message, wParam, lParam, result); })) return 0;
    return handled ? result : fallback(window, message, wParam, lParam);
}

void MessageTarget::AttachWindow(HWND window) {
    window_.Reset(window);
    SetPropW(window, kTargetProperty, this);
}

void MessageTarget::CreateOwnedWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text, DWORD style,
                                      const RECT& place, HWND parent, HINSTANCE instance) {
    window_.TakeCreated(CreateWindowExW(exStyle, className, text, style, place.left, place.top,
                                        place.right - place.left, place.bottom - place.top, parent, nullptr, instance,
                                        this));
    AttachWindow(Handle());
}

void MessageTarget::Subclass() {
    if (SetWindowSubclass(Handle(), &SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) subclassed_ = true;
}

void MessageTarget::DestroyOwnedWindow() {
    StopDispatching();
    window_.Reset();
}

void MessageTarget::StopDispatching() {
    HWND window = Handle();
    if (window == nullptr) return;
    if (subclassed_) RemoveWindowSubclass(window, &SubclassProc, kSubclassId);
    subclassed_ = false;
    RemovePropW(window, kTargetProperty);
    if (GetWindowLongPtrW(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}
