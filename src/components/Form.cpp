#include "Form.h"

#include "CatchSite.h"
#include "Cursors.h"
#include "Exceptions.h"
#include "ScopedFlag.h"
#include "Screen.h"
#include "WideText.h"
#include "WindowClass.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

namespace {

constexpr int kScrollLine = 8;  // pixels per click on a scroll-bar arrow

std::string ReadFormResource(const std::string& className, const wchar_t* resourceName) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC resource = FindResourceW(module, resourceName, RT_RCDATA);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr) throw EResNotFound("Resource " + className + " not found");
    return std::string(static_cast<const char*>(data), SizeofResource(module, resource));
}

}  // namespace

TForm::TForm(TComponent* owner) : TWinControl(owner), color_(clWindow) { SetBounds(Bounds{0, 0, 320, 240}); }

void TForm::Unbound(const char* name) const { throw EReadError("Member " + className_ + "." + name + " not bound"); }

// The controls go first, each taking its window down; then the form's window goes, and until then it reaches only
// the controls still there.
TForm::~TForm() {
    captureControl_ = nullptr;
    accessibility_.Disconnect();
    DestroyComponents();
    TWinControl::DestroyHandle();
}

void TForm::InitializeForm(const std::string& className, const wchar_t* resourceName) {
    className_ = className;
    const FormDefinition definition = ParseFormDefinition(ReadFormResource(className, resourceName));
    ReadFormDefinition(definition, *this);
    read_ = true;
    BindComponents();
    ScaleToScreen();
    for (const auto& component : Components()) component->Loaded();
    Loaded();
    // A failing creation handler is reported, and the window is completed all the same.
    if (onCreate_) CatchSite(this, [this] { onCreate_(this); });
}

void TForm::SetFormProperty(const FormProperty& property) { SetProperty(property); }

std::unique_ptr<TComponent> TForm::NewComponent(const std::string& className) {
    throw EReadError("Class " + className + " not found");
}

void TForm::CreateComponent(const FormComponent& component) {
    std::unique_ptr<TComponent> created = NewComponent(component.className);
    created->SetName(component.name);
    TComponent& inserted = InsertComponent(std::move(created));
    if (auto* control = dynamic_cast<TControl*>(&inserted)) control->SetParent(this);
    BindComponents();
}

// The properties that follow a component in the definition are the last one's.
void TForm::SetComponentProperty(const FormComponent&, const FormProperty& property) {
    Components().back()->SetProperty(property);
}

void TForm::SetProperty(const FormProperty& property) {
    const std::string& name = property.name;
    if (name == "Caption") {
        caption_ = property.value.AsString();
        if (HandleAllocated()) SetWindowTextW(Handle(), Widen(caption_).c_str());
    } else if (name == "Color") {
        const auto color = ColorFromName(property.value.AsIdentifier());
        if (!color) InvalidPropertyValue();
        color_ = *color;
    } else if (name == "OldCreateOrder") {
        property.value.AsBoolean();
    } else if (name == "OnCreate") {
        onCreate_ = ResolveNotifyEvent(property);
    } else if (name == "PixelsPerInch") {
        pixelsPerInch_ = property.value.AsInteger();
    } else if (name == "TextHeight") {
        textHeight_ = property.value.AsInteger();
    } else {
        TWinControl::SetProperty(property);
    }
}

// Positions and fonts were laid out at PixelsPerInch; the text height of
// "0" in the window font on this screen says by how much to scale them. The
// window's own place and outer size stay as designed.
void TForm::ScaleToScreen() {
    if (pixelsPerInch_ == 0 || textHeight_ <= 0) return;
    const int screenPpi = ScreenPixelsPerInch();
    const FontAttributes loaded = OwnFont().Attributes();
    OwnFont().SetAttributes(AdaptWindowFont(loaded, loaded.height, pixelsPerInch_, screenPpi));
    pixelsPerInch_ = screenPpi;

    SIZE zero{};
    {
        ScreenDC dc;
        SelectedObject font(dc.Get(), Font().Handle());
        GetTextExtentPoint32W(dc.Get(), L"0", 1, &zero);
    }
    if (zero.cy == textHeight_) return;
    ForEachControl([&](TControl& control) { control.ScaleBy(zero.cy, textHeight_, screenPpi); });
}

void TForm::CreateHandle(HWND owner) {
    if (HandleAllocated()) return;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring className = Widen(className_);
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.hInstance = instance;
    windowClass.hIcon = host_ != nullptr ? host_->Icon() : nullptr;
    if (windowClass.hIcon == nullptr) windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className.c_str();
    EnsureWindowClass(windowClass);
    const Bounds& outer = BoundsRect();
    CreateOwnedWindow(0, className.c_str(), Widen(caption_).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                      RECT{outer.left, outer.top, outer.left + outer.width, outer.top + outer.height}, owner, instance);
    ForEachControl([this](TControl& control) {
        if (auto* windowed = dynamic_cast<TWinControl*>(&control)) windowed->CreateHandle(Handle());
    });
    Realign();
}

void TForm::SetWindowState(TWindowState state) {
    windowState_ = state;
    if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
    ShowWindow(Handle(),
               state == TWindowState::wsMaximized       ? SW_MAXIMIZE
                   : state == TWindowState::wsMinimized ? SW_MINIMIZE
                                                        : SW_RESTORE);
}

void TForm::Show() {
    ShowWindow(Handle(), windowState_ == TWindowState::wsMaximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
}

// Closing the main window ends the application; the window itself goes with
// the exit sequence.
void TForm::Close() { PostQuitMessage(0); }

// The control created last lies on top, so it wins.
TControl* TForm::ControlAtPos(POINT client) const {
    TControl* found = nullptr;
    ForEachControl([&](TControl& control) {
        const RECT place = control.ClientRect();
        if (!control.Windowed() && control.Visible() && control.Enabled() && PtInRect(&place, client)) found = &control;
    });
    return found;
}

bool TForm::SelectNext(TWinControl* current, bool forward) {
    std::vector<TWinControl*> stops;
    ForEachControl([&](TControl& control) {
        auto* windowed = dynamic_cast<TWinControl*>(&control);
        if (windowed != nullptr && windowed->HandleAllocated() && windowed->TabStop()) stops.push_back(windowed);
    });
    if (stops.empty()) return false;
    std::stable_sort(stops.begin(), stops.end(),
                     [](const TWinControl* a, const TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    auto at = std::find(stops.begin(), stops.end(), current);
    size_t index = at != stops.end() ? static_cast<size_t>(at - stops.begin()) : forward ? stops.size() - 1 : 0;
    index = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    SetFocus(stops[index]->Handle());
    return true;
}

void TForm::RememberFocus() {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(Handle(), focus)) focusedChild_ = focus;
}

bool TForm::RestoreFocus() {
    if (focusedChild_ == nullptr || !IsWindow(focusedChild_) || !IsChild(Handle(), focusedChild_)) return false;
    const ScopedFlag restoring(restoringFocus_);
    SetFocus(focusedChild_);
    return true;
}

// The bottom-aligned bar spans the client width at its foot; every other
// control keeps its place. The scroll ranges cover the unaligned controls
// plus the aligned ones' extents, and showing one bar can call for the
// other, so the sums are made again until the client area settles.
void TForm::Realign() {
    if (!HandleAllocated() || realigning_) return;
    const ScopedFlag realigning(realigning_);
    for (int pass = 0; pass < 3; ++pass) {
        RECT client{};
        GetClientRect(Handle(), &client);
        int rangeX = 0;
        int rangeY = 0;
        int alignedHeight = 0;
        ForEachControl([&](const TControl& control) {
            if (!control.Visible()) return;
            if (control.Align() == TAlign::alBottom) {
                alignedHeight += control.Height();
            } else {
                rangeX = std::max(rangeX, control.Left() + control.Width());
                rangeY = std::max(rangeY, control.Top() + control.Height());
            }
        });
        rangeY += alignedHeight;
        scroll_.x = std::clamp<LONG>(scroll_.x, 0, std::max<LONG>(0, rangeX - client.right));
        scroll_.y = std::clamp<LONG>(scroll_.y, 0, std::max<LONG>(0, rangeY - client.bottom));
        auto setBar = [this](int bar, int range, LONG page, int position) {
            ShowScrollBar(Handle(), bar, range > page);
            const int last = std::max(range - 1, 0);
            SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, last, UINT(page), position, 0};
            SetScrollInfo(Handle(), bar, &info, TRUE);
        };
        setBar(SB_HORZ, rangeX, client.right, scroll_.x);
        setBar(SB_VERT, rangeY, client.bottom, scroll_.y);

        RECT settled{};
        GetClientRect(Handle(), &settled);
        int bottom = settled.bottom;
        ForEachControl([&](TControl& control) {
            if (!control.Visible() || control.Align() != TAlign::alBottom) return;
            bottom -= control.Height();
            control.SetBounds(Bounds{0, bottom, static_cast<int>(settled.right), control.Height()});
        });
        if (settled.right == client.right && settled.bottom == client.bottom) break;
    }
    ScrollTo(scroll_);
}

void TForm::ScrollTo(POINT position) {
    scroll_ = position;
    ForEachControl([](TControl& control) {
        if (auto* windowed = dynamic_cast<TWinControl*>(&control); windowed && windowed->HandleAllocated())
            windowed->Place();
    });
    InvalidateRect(Handle(), nullptr, TRUE);
    accessibility_.Scrolled(scroll_);
}

void TForm::Scroll(int bar, WPARAM request) {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Handle(), bar, &info);
    int position = info.nPos;
    switch (LOWORD(request)) {
    case SB_LINEUP: position -= kScrollLine; break;
    case SB_LINEDOWN: position += kScrollLine; break;
    case SB_PAGEUP: position -= static_cast<int>(info.nPage); break;
    case SB_PAGEDOWN: position += static_cast<int>(info.nPage); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = info.nTrackPos; break;
    case SB_TOP: position = info.nMin; break;
    case SB_BOTTOM: position = info.nMax; break;
    default: return;
    }
    const int last = std::max(info.nMin, info.nMax - static_cast<int>(info.nPage) + 1);
    position = std::clamp(position, info.nMin, last);
    SetScrollPos(Handle(), bar, position, TRUE);
    POINT offset = scroll_;
    (bar == SB_HORZ ? offset.x : offset.y) = position;
    ScrollTo(offset);
}

void TForm::PaintControls(HDC dc) {
    ForEachControl([dc](TControl& control) {
        if (!control.Windowed() && control.Visible()) control.Paint(dc);
    });
}

bool TForm::HandleMouse(UINT message, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    auto local = [](TControl* control, POINT client) {
        const RECT place = control->ClientRect();
        return POINT{client.x - place.left, client.y - place.top};
    };
    switch (message) {
    case WM_LBUTTONDOWN:
        if (TControl* control = ControlAtPos(point)) {
            captureControl_ = control;
            SetCapture(Handle());
            control->MouseDown(local(control, point));
        }
        return true;
    case WM_LBUTTONDBLCLK:
        if (TControl* control = ControlAtPos(point)) control->DoubleClick(local(control, point));
        return true;
    case WM_LBUTTONUP:
        if (TControl* control = captureControl_) {
            // The press is forgotten first, so that the end of the capture does not cancel it.
            captureControl_ = nullptr;
            if (GetCapture() == Handle()) ReleaseCapture();
            control->MouseUp(local(control, point));
        }
        return true;
    default: return false;
    }
}

bool TForm::HandleSetCursor(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) != Handle() || LOWORD(lParam) != HTCLIENT) return false;
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(Handle(), &point);
    const TControl* control = ControlAtPos(point);
    SetCursor(CursorFor(control != nullptr ? control->Cursor() : TCursor::crDefault));
    return true;
}

bool TForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (accessibility_.HandleMessage(message, wParam, lParam, result)) return true;
    switch (message) {
    case WM_PAINT: {
        const PaintSession paint(Handle());
        PaintControls(paint.Get());
        return true;
    }
    case WM_PRINTCLIENT: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client{};
        GetClientRect(Handle(), &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
        PaintControls(dc);
        return true;
    }
    case WM_SIZE: Realign(); return true;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam == 0) Scroll(message == WM_HSCROLL ? SB_HORZ : SB_VERT, wParam);
        return true;
    case WM_SETCURSOR: result = TRUE; return HandleSetCursor(wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: HandleMouse(message, lParam); return true;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        // Disabling the window (under an error box) sends WM_CANCELMODE and
        // then takes the focus away before any deactivation says where it was.
        if (message == WM_CANCELMODE) RememberFocus();
        if (captureControl_ != nullptr && reinterpret_cast<HWND>(lParam) != Handle()) {
            captureControl_->CancelMode();
            captureControl_ = nullptr;
        }
        if (message == WM_CANCELMODE && GetCapture() == Handle()) ReleaseCapture();
        break;
    case WM_COMMAND:
        if (TWinControl* control = FromWindow(reinterpret_cast<HWND>(lParam)))
            control->CommandNotification(HIWORD(wParam));
        return true;
    case WM_ACTIVATE:
        // A plain window forgets its focused control when it loses activation
        // and takes the focus itself when it gains it. The user should be back
        // where they were, after an error box or another program; the first
        // time, the focus goes to the first control in tab order.
        if (LOWORD(wParam) == WA_INACTIVE) {
            RememberFocus();
        } else if (HIWORD(wParam) == 0 && (RestoreFocus() || SelectNext(nullptr, true))) {
            return true;
        }
        break;
    case WM_SYSCOLORCHANGE:
        // Only top-level windows hear of new system colours; the common
        // controls among the children learn of them from their parent.
        for (HWND child = GetWindow(Handle(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
            SendMessageW(child, message, wParam, lParam);
        break;
    case WM_SHOWWINDOW:
        // The platform hides the form while it minimises the owner, before or
        // after the owner is iconic, and shows it again with the restored
        // owner. The default handling does that with a plain hide or show of
        // the form, which must not reach the taskbar entry: the form is still
        // the visible form of a minimised application.
        if (lParam == SW_PARENTCLOSING || lParam == SW_PARENTOPENING) {
            {
                const ScopedFlag following(followingOwner_);
                result = DefWindowProcW(Handle(), message, wParam, lParam);
            }
            hiddenWithOwner_ = (lParam == SW_PARENTCLOSING || hiddenWithOwner_) && !IsWindowVisible(Handle());
            return true;
        }
        if (followingOwner_) break;
        hiddenWithOwner_ = false;
        if (host_ != nullptr) host_->FormVisibilityChanged(wParam != FALSE);
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_MINIMIZE && host_ != nullptr) {
            host_->Minimize();
            return true;
        }
        break;
    case WM_CLOSE: Close(); return true;
    default: break;
    }
    return false;
}
