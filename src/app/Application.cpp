#include "Application.h"

#include "CatchSite.h"
#include "Exceptions.h"
#include "Form.h"
#include "MessageTarget.h"
#include "MessageText.h"
#include "OpenBoxes.h"
#include "ResourceIds.h"
#include "WideText.h"

#include <vector>

namespace {

const wchar_t kApplicationClass[] = L"TApplication";
constexpr int kTitleBufferSize = 256;
constexpr UINT kErrorBoxFlags = MB_OK | MB_ICONSTOP;
// Posted to the application window once it has been activated.
constexpr UINT kActivateMainForm = WM_APP;

TApplication* application = nullptr;

struct DisabledWindows {
    std::vector<HWND> windows;
    std::exception_ptr failure;  // ends the walk, and is raised once EnumThreadWindows has returned
};

// A form hidden with its minimised owner comes back when the taskbar restores
// the owner, also while a box is open, and must not take input under the box.
bool ShownToTheUser(HWND window) {
    const auto* form = dynamic_cast<const TForm*>(TWinControl::FromWindow(window));
    return IsWindowVisible(window) || (form != nullptr && form->HiddenWithOwner());
}

BOOL CALLBACK DisableWindow(HWND window, LPARAM data) noexcept {
    auto& disabled = *reinterpret_cast<DisabledWindows*>(data);
    if (!ShownToTheUser(window) || !IsWindowEnabled(window)) return TRUE;
    try {
        disabled.windows.push_back(window);
    } catch (...) {
        disabled.failure = std::current_exception();
        return FALSE;
    }
    EnableWindow(window, FALSE);
    return TRUE;
}

}  // namespace

TApplication& Application() { return *application; }

void SetApplication(TApplication* instance) { application = instance; }

TApplication::TApplication(HINSTANCE instance, int startupShowCommand)
    : TComponent(nullptr), MessageTarget(this), instance_(instance),
      icon_(LoadIconW(instance, QB_RESOURCE_NAME(QB_MAIN_ICON))), startupShowCommand_(startupShowCommand) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &MessageTarget::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon_;
    windowClass.lpszClassName = kApplicationClass;
    // The class is registered once per process, so a class of this name that
    // exists already is not ours, and it is refused like any failed registration.
    if (RegisterClassW(&windowClass) == 0) throw EOutOfResources("Error creating window class");

    const int centreX = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int centreY = GetSystemMetrics(SM_CYSCREEN) / 2;
    CreateOwnedWindow(0, kApplicationClass, L"", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                      RECT{centreX, centreY, centreX, centreY}, nullptr, instance);
    if (icon_ != nullptr) SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
}

TApplication::~TApplication() { DestroyForms(); }

std::string TApplication::Title() const {
    wchar_t buffer[kTitleBufferSize] = {};
    const int length = GetWindowTextW(Handle(), buffer, kTitleBufferSize);
    return Narrow(std::wstring_view(buffer, static_cast<size_t>(length)));
}

void TApplication::SetTitle(const std::string& title) {
    if (Title() != title) SetWindowTextW(Handle(), Widen(title).c_str());
}

void TApplication::AdoptForm(std::unique_ptr<TForm> form) {
    TForm& adopted = InsertComponent(std::move(form));
    adopted.SetHost(this);
    if (mainForm_ == nullptr) {
        adopted.CreateHandle(Handle());
        mainForm_ = &adopted;
    }
}

void TApplication::Run() {
    if (mainForm_ == nullptr) return;
    if (startupShowCommand_ == SW_SHOWMAXIMIZED) mainForm_->SetWindowState(TWindowState::wsMaximized);
    else if (startupShowCommand_ == SW_SHOWMINNOACTIVE) mainForm_->SetWindowState(TWindowState::wsMinimized);

    if (mainForm_->WindowState() == TWindowState::wsMinimized) Minimize();
    else mainForm_->Show();

    while (!terminated_) CatchSite(this, [this] { ProcessMessage(); });
}

// Handles one message a pass. When none is waiting, it notes the control under
// the mouse and sleeps until a message comes, so that the loop never spins.
void TApplication::ProcessMessage() {
    MSG message{};
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        Idle();
        WaitMessage();
        return;
    }
    if (message.message == WM_QUIT) {
        terminated_ = true;
        return;
    }
    if (message.message >= kOfferedKeyFirst && message.message <= kOfferedKeyLast && OfferKey(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// Offers the key first to the capturing window if it is one of the program's,
// else to the key's window or its nearest ancestor that belongs to a control.
bool TApplication::OfferKey(MSG& message) {
    HWND target = nullptr;
    if (HWND capture = GetCapture()) {
        if (reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(capture, GWLP_HINSTANCE)) == instance_) target = capture;
    } else {
        target = message.hwnd;
        for (HWND window = message.hwnd; window != nullptr; window = GetParent(window))
            if (TWinControl::FromWindow(window) != nullptr) {
                target = window;
                break;
            }
    }
    return target != nullptr &&
        SendMessageW(target, kKeyOfferBase + message.message, message.wParam, message.lParam) != 0;
}

void TApplication::Idle() {
    TComponent* under = nullptr;
    POINT point{};
    if (mainForm_ != nullptr && mainForm_->HandleAllocated() && GetCursorPos(&point) &&
        WindowFromPoint(point) == mainForm_->Handle()) {
        ScreenToClient(mainForm_->Handle(), &point);
        under = mainForm_->ControlAtPos(point);
    }
    if (under == mouseControl_) return;
    if (auto* left = dynamic_cast<TControl*>(mouseControl_)) left->MouseLeave();
    mouseControl_ = under;
    if (auto* entered = dynamic_cast<TControl*>(under)) entered->MouseEnter();
}

void TApplication::Minimize() {
    if (IsIconic(Handle())) return;
    ShowWindow(Handle(), SW_MINIMIZE);
}

void TApplication::Restore() {
    if (!IsIconic(Handle())) return;
    ShowWindow(Handle(), SW_RESTORE);
    if (mainForm_ != nullptr && mainForm_->WindowState() == TWindowState::wsMinimized &&
        !IsWindowVisible(mainForm_->Handle())) {
        mainForm_->SetWindowState(TWindowState::wsNormal);
        mainForm_->Show();
    }
}

void TApplication::FormVisibilityChanged(bool visible) {
    // The window is shown and hidden with the form but never moved, sized or
    // activated, because it is the window the taskbar lists.
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | (visible ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TApplication::ShowException(const Exception& error) {
    const std::string text = WithFullStop(error.Message());
    if (!openBoxes_.Admits(text)) return;
    const OpenBoxes::Open open(openBoxes_, text);
    MessageBox(Widen(text), Widen(Title()), kErrorBoxFlags);
}

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND active = GetActiveWindow();

    // Open the box where the user works: on the active window's monitor.
    RECT home{};
    GetWindowRect(Handle(), &home);
    bool moved = false;
    if (active != nullptr) {
        HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
        if (activeMonitor != MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST)) {
            MONITORINFO info{sizeof info, {}, {}, 0};
            GetMonitorInfoW(activeMonitor, &info);
            const RECT& area = info.rcWork;
            SetWindowPos(Handle(), nullptr, (area.left + area.right) / 2, (area.top + area.bottom) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            moved = true;
        }
    }

    DisabledWindows disabled;
    EnumThreadWindows(GetCurrentThreadId(), &DisableWindow, reinterpret_cast<LPARAM>(&disabled));
    const int answer = disabled.failure ? 0 : ::MessageBoxW(Handle(), text.c_str(), caption.c_str(), flags);

    if (moved) SetWindowPos(Handle(), nullptr, home.left, home.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (HWND window : disabled.windows) EnableWindow(window, TRUE);
    SetActiveWindow(active);
    if (disabled.failure) std::rethrow_exception(disabled.failure);
    return answer;
}

void TApplication::DestroyForms() {
    if (HandleAllocated()) ShowOwnedPopups(Handle(), FALSE);
    mainForm_ = nullptr;
    mouseControl_ = nullptr;
    DestroyComponents();
}

bool TApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    switch (message) {
    case WM_ACTIVATE:
        // The taskbar entry and Alt+Tab activate this hidden window, but the
        // user means the main window. The activation is passed on once this one is over.
        if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(Handle(), kActivateMainForm, 0, 0);
        break;
    case kActivateMainForm:
        // The main window is not activated if an error box, which disables it,
        // or anything else has taken the activation meanwhile.
        if (mainForm_ != nullptr && mainForm_->HandleAllocated() && GetActiveWindow() == Handle() &&
            IsWindowVisible(mainForm_->Handle()) && IsWindowEnabled(mainForm_->Handle()))
            SetActiveWindow(mainForm_->Handle());
        return true;
    case WM_CLOSE:
        if (mainForm_ != nullptr) mainForm_->Close();
        return true;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE: Minimize(); return true;
        case SC_RESTORE: Restore(); return true;
        default: break;
        }
        break;
    case WM_ENDSESSION:
        if (wParam != FALSE) {
            terminated_ = true;
            // Sent, never posted: handled inside PeekMessage or WaitMessage,
            // after which the loop would sleep on in WaitMessage with nothing
            // queued. A posted message wakes it to see the flag.
            PostMessageW(Handle(), WM_NULL, 0, 0);
        }
        return true;
    default: break;
    }
    return false;
}
