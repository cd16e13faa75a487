#include "FormAccessible.h"

#include "Accessibility.h"
#include "AccessibleChildren.h"
#include "Adopt.h"
#include "Form.h"
#include "Label.h"
#include "Screen.h"

#include <atomic>
#include <new>
#include <string_view>

using Microsoft::WRL::ComPtr;

namespace {

// Posted to the form by a reader's default action, with the child id, so
// that the reader's call returns before the click runs: the shell may show a
// dialog, which must not hold the reader up.
constexpr UINT kDoDefaultAction = WM_APP + 1;
constexpr std::string_view kLinkDefaultAction = "Jump";

using TextProperty = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);
using NumberProperty = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, VARIANT*);
using Setter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR);

TLabel* LabelAt(const TForm& form, LONG id) { return dynamic_cast<TLabel*>(AccessibleChild(form, id)); }

// The reader frees the text; none comes back when memory is short.
HRESULT NewText(std::string_view utf8, BSTR* out) {
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    *out = SysAllocStringLen(nullptr, static_cast<UINT>(length));
    if (*out == nullptr) return E_OUTOFMEMORY;
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, *out, length);
    return S_OK;
}

}  // namespace

// The form's client area as a reader sees it. A question about the form
// itself goes to the platform's object for the client area; this object
// answers for the labels, and a window among the children answers for itself. It
// enumerates the children with a cursor of its own, as the platform's does.
// Nothing in it allocates, so no exception can leave a method.
class AccessibleForm final : public IAccessible, public IEnumVARIANT, public IOleWindow {
public:
    AccessibleForm(TForm& form, ComPtr<IAccessible> standard) : form_(&form), standard_(std::move(standard)) {}
    // From here on every call answers CO_E_OBJNOTCONNECTED and reaches no control.
    void Detach() {
        form_ = nullptr;
        standard_.Reset();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP get_accParent(IDispatch** parent) override;
    STDMETHODIMP get_accChildCount(LONG* count) override;
    STDMETHODIMP get_accChild(VARIANT child, IDispatch** object) override;
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return Text(&IAccessible::get_accName, child, name);
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return Text(&IAccessible::get_accValue, child, value);
    }
    STDMETHODIMP get_accDescription(VARIANT child, BSTR* description) override {
        return Text(&IAccessible::get_accDescription, child, description);
    }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return Number(&IAccessible::get_accRole, child, role, ROLE_SYSTEM_LINK, ROLE_SYSTEM_STATICTEXT);
    }
    // Labels take no focus, so a link is linked and never focusable.
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        return Number(&IAccessible::get_accState, child, state, STATE_SYSTEM_LINKED, STATE_SYSTEM_READONLY);
    }
    STDMETHODIMP get_accHelp(VARIANT child, BSTR* help) override {
        return Text(&IAccessible::get_accHelp, child, help);
    }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override;
    STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
        return Text(&IAccessible::get_accKeyboardShortcut, child, shortcut);
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override;
    STDMETHODIMP get_accSelection(VARIANT* selection) override;
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(&IAccessible::get_accDefaultAction, child, action);
    }
    STDMETHODIMP accSelect(LONG flags, VARIANT child) override;
    STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override;
    STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* end) override;
    STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* at) override;
    STDMETHODIMP accDoDefaultAction(VARIANT child) override;
    STDMETHODIMP put_accName(VARIANT child, BSTR name) override { return Set(&IAccessible::put_accName, child, name); }
    STDMETHODIMP put_accValue(VARIANT child, BSTR value) override {
        return Set(&IAccessible::put_accValue, child, value);
    }

    STDMETHODIMP Next(ULONG count, VARIANT* children, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    // Readers go through the children with AccessibleChildren, which never
    // clones, and the platform's own client object does not clone either.
    STDMETHODIMP Clone(IEnumVARIANT** copy) override;

    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

private:
    ~AccessibleForm() = default;

    // Finds the label a child id names, or none for the form itself. A window
    // among the children answers for itself, so its id never comes here.
    HRESULT Element(const VARIANT& child, const TLabel*& label) const;
    HRESULT Text(TextProperty property, VARIANT child, BSTR* out) const;
    HRESULT Number(NumberProperty property, VARIANT child, VARIANT* out, LONG ofLink, LONG ofCaption) const;
    HRESULT Set(Setter property, VARIANT child, BSTR value) const;
    // Hands a child over as a reader takes it: a label by its id, a window as its object.
    HRESULT ChildVariant(LONG id, VARIANT* out) const;

    std::atomic<ULONG> references_{1};
    TForm* form_;
    ComPtr<IAccessible> standard_;
    LONG position_ = 0;  // how many children the enumerator has passed
};

STDMETHODIMP AccessibleForm::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAccessible))
        *object = static_cast<IAccessible*>(this);
    else if (iid == __uuidof(IEnumVARIANT)) *object = static_cast<IEnumVARIANT*>(this);
    else if (iid == __uuidof(IOleWindow)) *object = static_cast<IOleWindow*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) AccessibleForm::Release() {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

STDMETHODIMP AccessibleForm::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT AccessibleForm::Element(const VARIANT& child, const TLabel*& label) const {
    label = nullptr;
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    if (child.vt != VT_I4) return E_INVALIDARG;
    if (child.lVal == CHILDID_SELF) return S_OK;
    label = LabelAt(*form_, child.lVal);
    return label != nullptr ? S_OK : E_INVALIDARG;
}

HRESULT AccessibleForm::Text(TextProperty property, VARIANT child, BSTR* out) const {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr) return FAILED(found) ? found : (standard_.Get()->*property)(child, out);
    const bool link = !label->LinkAddress().empty();
    std::string_view text;
    if (property == &IAccessible::get_accName) text = label->AccessibleName();
    else if (property == &IAccessible::get_accValue) text = label->LinkAddress();
    else if (property == &IAccessible::get_accDefaultAction && link) text = kLinkDefaultAction;
    return text.empty() ? DISP_E_MEMBERNOTFOUND : NewText(text, out);
}

HRESULT AccessibleForm::Number(NumberProperty property, VARIANT child, VARIANT* out, LONG ofLink,
                               LONG ofCaption) const {
    if (out == nullptr) return E_POINTER;
    VariantInit(out);
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr) return FAILED(found) ? found : (standard_.Get()->*property)(child, out);
    out->vt = VT_I4;
    out->lVal = label->LinkAddress().empty() ? ofCaption : ofLink;
    return S_OK;
}

// Readers no longer set names, and no label takes a value.
HRESULT AccessibleForm::Set(Setter property, VARIANT child, BSTR value) const {
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr) return FAILED(found) ? found : (standard_.Get()->*property)(child, value);
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT AccessibleForm::ChildVariant(LONG id, VARIANT* out) const {
    VariantInit(out);
    TControl* control = AccessibleChild(*form_, id);
    if (control == nullptr) return E_INVALIDARG;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        const HRESULT result = AccessibilityLibrary::Get()->ObjectFromWindow(windowed->Handle(), OBJID_WINDOW,
                                                                             IID_PPV_ARGS(&out->pdispVal));
        if (SUCCEEDED(result)) out->vt = VT_DISPATCH;
        return result;
    }
    out->vt = VT_I4;
    out->lVal = id;
    return S_OK;
}

STDMETHODIMP AccessibleForm::get_accParent(IDispatch** parent) {
    if (parent == nullptr) return E_POINTER;
    *parent = nullptr;
    return form_ != nullptr ? standard_->get_accParent(parent) : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP AccessibleForm::get_accChildCount(LONG* count) {
    if (count == nullptr) return E_POINTER;
    *count = form_ != nullptr ? AccessibleChildCount(*form_) : 0;
    return form_ != nullptr ? S_OK : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP AccessibleForm::get_accChild(VARIANT child, IDispatch** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    VARIANT found;
    const HRESULT result = child.vt == VT_I4 ? ChildVariant(child.lVal, &found) : E_INVALIDARG;
    if (FAILED(result)) return result;
    if (found.vt != VT_DISPATCH) return S_FALSE;  // a simple element: the form answers for it
    *object = found.pdispVal;
    return S_OK;
}

STDMETHODIMP AccessibleForm::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
    if (file == nullptr || topic == nullptr) return E_POINTER;
    *file = nullptr;
    *topic = 0;
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr)
        return FAILED(found) ? found : standard_->get_accHelpTopic(file, child, topic);
    return DISP_E_MEMBERNOTFOUND;
}

// Labels never have the focus and cannot be selected: the platform's object
// knows the rest.
STDMETHODIMP AccessibleForm::get_accFocus(VARIANT* focus) {
    if (focus == nullptr) return E_POINTER;
    VariantInit(focus);
    return form_ != nullptr ? standard_->get_accFocus(focus) : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP AccessibleForm::get_accSelection(VARIANT* selection) {
    if (selection == nullptr) return E_POINTER;
    VariantInit(selection);
    return form_ != nullptr ? standard_->get_accSelection(selection) : CO_E_OBJNOTCONNECTED;
}

STDMETHODIMP AccessibleForm::accSelect(LONG flags, VARIANT child) {
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr) return FAILED(found) ? found : standard_->accSelect(flags, child);
    return DISP_E_MEMBERNOTFOUND;
}

STDMETHODIMP AccessibleForm::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
    if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
    *left = *top = *width = *height = 0;
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr)
        return FAILED(found) ? found : standard_->accLocation(left, top, width, height, child);
    HWND window = form_->Handle();
    const RECT place = label->ClientRect();
    POINT corners[2] = {{place.left, place.top}, {place.right, place.bottom}};
    MapWindowPoints(window, HWND_DESKTOP, corners, 2);
    for (POINT& corner : corners) corner = LogicalToPhysical(window, corner);
    *left = corners[0].x;
    *top = corners[0].y;
    *width = corners[1].x - corners[0].x;
    *height = corners[1].y - corners[0].y;
    return S_OK;
}

// Moves among the children in the order of their ids. The platform's object
// knows where the client area itself lies among the window's parts. A simple
// element has no children, and the children have no places beside each other.
STDMETHODIMP AccessibleForm::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
    if (end == nullptr) return E_POINTER;
    VariantInit(end);
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    const LONG count = AccessibleChildCount(*form_);
    if (start.vt != VT_I4 || start.lVal < CHILDID_SELF || start.lVal > count) return E_INVALIDARG;
    const LONG from = start.lVal;
    const bool sibling = direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS;
    const bool spatial = direction >= NAVDIR_UP && direction <= NAVDIR_RIGHT;
    if (from == CHILDID_SELF && (sibling || spatial)) return standard_->accNavigate(direction, start, end);
    if (spatial) return DISP_E_MEMBERNOTFOUND;
    LONG to = 0;
    if (sibling) to = direction == NAVDIR_NEXT ? from + 1 : from - 1;
    else if ((direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) && from == CHILDID_SELF)
        to = direction == NAVDIR_FIRSTCHILD ? 1 : count;
    else return E_INVALIDARG;
    return to >= 1 && to <= count ? ChildVariant(to, end) : S_FALSE;
}

// Windows lie above what the form paints, so a child window under the point
// wins over a label.
STDMETHODIMP AccessibleForm::accHitTest(LONG x, LONG y, VARIANT* at) {
    if (at == nullptr) return E_POINTER;
    VariantInit(at);
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    HWND window = form_->Handle();
    POINT point = PhysicalToLogical(window, POINT{x, y});
    RECT client{};
    if (!ScreenToClient(window, &point) || !GetClientRect(window, &client) || !PtInRect(&client, point)) return S_FALSE;
    HWND under = ChildWindowFromPointEx(window, point, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
    if (under != nullptr && under != window) {
        const HRESULT result =
            AccessibilityLibrary::Get()->ObjectFromWindow(under, OBJID_WINDOW, IID_PPV_ARGS(&at->pdispVal));
        if (SUCCEEDED(result)) at->vt = VT_DISPATCH;
        return result;
    }
    const TControl* label = form_->ControlAtPos(point);
    at->vt = VT_I4;
    at->lVal = label != nullptr ? AccessibleChildId(*form_, *label) : CHILDID_SELF;
    return S_OK;
}

STDMETHODIMP AccessibleForm::accDoDefaultAction(VARIANT child) {
    const TLabel* label = nullptr;
    const HRESULT found = Element(child, label);
    if (FAILED(found) || label == nullptr) return FAILED(found) ? found : standard_->accDoDefaultAction(child);
    if (label->LinkAddress().empty()) return DISP_E_MEMBERNOTFOUND;
    return PostMessageW(form_->Handle(), kDoDefaultAction, static_cast<WPARAM>(child.lVal), 0)
        ? S_OK
        : HRESULT_FROM_WIN32(GetLastError());
}

STDMETHODIMP AccessibleForm::Next(ULONG count, VARIANT* children, ULONG* fetched) {
    if (fetched != nullptr) *fetched = 0;
    if (children == nullptr) return E_POINTER;
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    const LONG total = AccessibleChildCount(*form_);
    ULONG taken = 0;
    for (; taken < count && position_ < total; ++taken, ++position_) {
        const HRESULT result = ChildVariant(position_ + 1, &children[taken]);
        if (FAILED(result)) {
            position_ -= static_cast<LONG>(taken);
            while (taken > 0) VariantClear(&children[--taken]);
            return result;
        }
    }
    if (fetched != nullptr) *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

STDMETHODIMP AccessibleForm::Skip(ULONG count) {
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    const LONG total = AccessibleChildCount(*form_);
    const ULONG left = static_cast<ULONG>(total - std::min(position_, total));
    position_ += static_cast<LONG>(std::min(count, left));
    return count <= left ? S_OK : S_FALSE;
}

STDMETHODIMP AccessibleForm::Reset() {
    if (form_ == nullptr) return CO_E_OBJNOTCONNECTED;
    position_ = 0;
    return S_OK;
}

STDMETHODIMP AccessibleForm::Clone(IEnumVARIANT** copy) {
    if (copy == nullptr) return E_POINTER;
    *copy = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP AccessibleForm::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = form_ != nullptr ? form_->Handle() : nullptr;
    return *window != nullptr ? S_OK : CO_E_OBJNOTCONNECTED;
}

FormAccessibility::FormAccessibility(TForm& form) : form_(form) {}

FormAccessibility::~FormAccessibility() { Disconnect(); }

bool FormAccessibility::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == kDoDefaultAction) {
        DoDefaultAction(static_cast<LONG>(wParam));
        return true;
    }
    // The object id is a 32-bit value, which a 64-bit lParam may carry sign-extended or not.
    if (message != WM_GETOBJECT || static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return false;
    if (!object_ && !Connect()) return false;
    result = AccessibilityLibrary::Get()->ResultFromObject(__uuidof(IAccessible), wParam,
                                                           static_cast<IAccessible*>(object_.Get()));
    return true;
}

// Without the library, or short of memory, the platform's own object answers,
// which knows the windows if not the labels: better than none, and no reason
// to trouble the user with a message.
bool FormAccessibility::Connect() noexcept {
    const AccessibilityLibrary* library = AccessibilityLibrary::Get();
    if (disconnected_ || library == nullptr) return false;
    ComPtr<IAccessible> standard;
    if (FAILED(library->CreateStandardObject(form_.Handle(), OBJID_CLIENT, IID_PPV_ARGS(&standard)))) return false;
    auto* object = new (std::nothrow) AccessibleForm(form_, std::move(standard));
    if (object == nullptr) return false;
    object_ = Adopt(object);
    return true;
}

void FormAccessibility::DoDefaultAction(LONG childId) {
    TLabel* label = disconnected_ ? nullptr : LabelAt(form_, childId);
    if (label != nullptr && !label->LinkAddress().empty()) label->Click();
}

void FormAccessibility::Scrolled(POINT offset) {
    if (offset.x == offset_.x && offset.y == offset_.y) return;
    offset_ = offset;
    if (!form_.HandleAllocated()) return;
    for (LONG id = 1; id <= AccessibleChildCount(form_); ++id)
        if (LabelAt(form_, id) != nullptr)
            NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, form_.Handle(), OBJID_CLIENT, id);
}

// The object is held while the runtime lets go of what other processes held,
// which may be every reference but this one.
void FormAccessibility::Disconnect() noexcept {
    disconnected_ = true;
    if (!object_) return;
    object_->Detach();
    CoDisconnectObject(static_cast<IAccessible*>(object_.Get()), 0);
    object_.Reset();
}
