// What a screen reader in another process finds through Active Accessibility: the main window's children in reading
// order, hit tests, each link's default action, the events raised, the edit's name, and the object's end.
#include "Harness.h"

#include <commctrl.h>
#include <oleacc.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <cstdio>

using Microsoft::WRL::ComPtr;

namespace {

VARIANT Child(LONG id) {
    VARIANT child{};
    return child.vt = VT_I4, child.lVal = id, child;
}

std::string Hex(HRESULT hr) {
    char text[16];
    return std::string(text, size_t(std::snprintf(text, sizeof text, "hr=%08lx", static_cast<unsigned long>(hr))));
}

std::string Id(LONG id) { return "id " + std::to_string(id); }

// A text property as the reader hears it, or the failure.
std::string Text(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, BSTR*), IAccessible* object, LONG id) {
    BSTR text = nullptr;
    HRESULT hr = (object->*property)(Child(id), &text);
    std::string read = hr == S_OK && text ? Utf8(text) : Hex(hr);
    return SysFreeString(text), read;
}

LONG Number(HRESULT (STDMETHODCALLTYPE IAccessible::*property)(VARIANT, VARIANT*), IAccessible* object, LONG id) {
    VARIANT value{};
    return (object->*property)(Child(id), &value) == S_OK && value.vt == VT_I4 ? value.lVal : -1;
}

// Names a child as a reader is handed it: "id N" for a simple element, the window's class for an object.
std::string Seen(HRESULT hr, VARIANT& child) {
    HWND window = nullptr;
    ComPtr<IAccessible> object;
    if (child.vt == VT_DISPATCH && child.pdispVal) child.pdispVal->QueryInterface(IID_PPV_ARGS(&object));
    std::string seen = child.vt == VT_I4                                         ? Id(child.lVal)
        : object && SUCCEEDED(WindowFromAccessibleObject(object.Get(), &window)) ? Utf8(ClassOf(window))
                                                                                 : Hex(hr);
    return VariantClear(&child), seen;
}

// Tells whether the process has the module loaded, or nothing where its module list cannot be read.
std::optional<bool> Loaded(DWORD process, const wchar_t* module) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, process);
    MODULEENTRY32W entry{sizeof entry};
    bool listed = false, found = false;
    for (BOOL more = Module32FirstW(snapshot, &entry); more && !found; more = Module32NextW(snapshot, &entry))
        listed = true, found = _wcsicmp(entry.szModule, module) == 0;
    return CloseHandle(snapshot), listed ? std::optional(found) : std::nullopt;
}

// The children in reading order: a label by its index in the layout, with role, state and name (none: the publisher's
// host), or a window by class.
// clang-format off
struct ChildRow { int label; const wchar_t* window; LONG role, state; const char* name; };
const ChildRow kChildren[] = {
    {2, nullptr, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, "Обновлять каждые"}, {-1, L"Edit"},
    {3, nullptr, ROLE_SYSTEM_STATICTEXT, STATE_SYSTEM_READONLY, "минут"},
    {0, nullptr, ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED, "Open Positions on Brenvik"},
    {1, nullptr, ROLE_SYSTEM_LINK, STATE_SYSTEM_LINKED, nullptr}, {-1, L"TWebBrowser"}, {-1, PROGRESS_CLASSW},
};
// clang-format on

}  // namespace

// Checks what a reader finds, then closes the viewer with close and checks that the object it holds fails cleanly.
void ExpectAccessible(const Viewer& v, const std::function<void()>& close) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND main = v.Main();
    Layout layout = ExpectedLayout(options.host);
    auto screen = [&](RECT r) { return MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2), r; };
    // Wine does not list a 32-bit process's modules to a 64-bit one.
    const std::optional<bool> loaded = Loaded(v.ProcessId(), L"oleacc.dll");
    if (loaded) Expect(!*loaded, "the accessibility library is not loaded before a reader asks");
    else std::printf("# the viewer's modules cannot be listed here: when the library loads is not checked\n");
    // The first request loads the library into the viewer. Under user-mode emulation that outlasts the wait of
    // AccessibleObjectFromWindow, and a reader then asks again.
    ComPtr<IAccessible> form;
    HRESULT hr = E_FAIL;
    WaitFor([&] { return SUCCEEDED(hr = AccessibleObjectFromWindow(main, OBJID_CLIENT, IID_PPV_ARGS(&form))); }, 30000);
    if (!Expect(SUCCEEDED(hr) && form, "the main window's client object", Hex(hr))) return close();
    if (loaded) Expect(Loaded(v.ProcessId(), L"oleacc.dll") == true, "and it is loaded once one has");
    const WinEvents events(v.ProcessId(), EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_INVOKED);
    auto heard = [&](DWORD event, LONG id) { return events.Count(event, main, OBJID_CLIENT, id); };

    // The children as AccessibleChildren enumerates them, as accNavigate walks them, and as accChild names them.
    std::string expected, enumerated, walked, named;
    VARIANT children[8]{}, next{};
    LONG count = 0, got = 0;
    hr = AccessibleChildren(form.Get(), 0, 8, children, &got);
    for (LONG i = 0; i < got; ++i) enumerated += Seen(hr, children[i]) + "; ";
    hr = form->accNavigate(NAVDIR_FIRSTCHILD, Child(CHILDID_SELF), &next);
    for (LONG id = 1; hr == S_OK && id <= 8; hr = form->accNavigate(NAVDIR_NEXT, Child(id++), &next))
        walked += Seen(hr, next) + "; ";
    Picture picture(main);
    const std::string none = Hex(DISP_E_MEMBERNOTFOUND);
    for (const ChildRow& row : kChildren) {
        LONG id = LONG(&row - kChildren + 1);
        VARIANT object{};
        HRESULT own = form->get_accChild(Child(id), &object.pdispVal);
        object.vt = VT_DISPATCH;
        named += (own == S_FALSE ? Id(id) : Seen(own, object)) + "; ";
        expected += (row.window ? Utf8(row.window) : Id(id)) + "; ";
        if (row.window) continue;
        const RECT& place = layout.labels[row.label];
        std::string what = "Label" + std::to_string(row.label + 1);
        std::string address = row.label ? "http://" + Utf8(options.host) + "/" : Utf8(options.broker);
        bool link = row.role == ROLE_SYSTEM_LINK;
        auto text = [&](auto property) { return Text(property, form.Get(), id); };
        ExpectEq(row.role, Number(&IAccessible::get_accRole, form.Get(), id), what + ": role");
        ExpectEq(row.state, Number(&IAccessible::get_accState, form.Get(), id), what + ": state");
        ExpectEq(row.name ? row.name : Utf8(options.host), text(&IAccessible::get_accName), what + ": name");
        ExpectEq(link ? address : none, text(&IAccessible::get_accValue), what + ": value");
        ExpectEq(link ? "Jump" : none, text(&IAccessible::get_accDefaultAction), what + ": default action");
        // On the screen it takes the layout's place and holds all its ink. Only a link's caption extent is known.
        LONG x = 0, y = 0, w = 0, h = 0;
        form->accLocation(&x, &y, &w, &h, Child(id));
        LONG end = row.label == 2 ? layout.edit.left
            : row.label == 3      ? layout.labels[0].left
            : row.label == 0      ? layout.labels[1].left
                                  : picture.width + 4;  // where the next child begins
        RECT at{x, y, x + w, y + h}, ink = picture.InkBounds({place.left - 4, 0, end - 4, layout.browser.top});
        RECT expectedAt = screen(place);
        if (!link) expectedAt.right = at.right, expectedAt.bottom = at.bottom;  // the face may vary: the ink tells
        ExpectEq(RectText(expectedAt), RectText(at), what + ": location");
        if (place.left < picture.width) {  // else it lies beyond the client area at this resolution
            ink = screen(ink);
            Expect(ink.left >= at.left && ink.right <= at.right && ink.top >= at.top && ink.bottom <= at.bottom,
                   what + ": its ink lies within it", RectText(ink));
            VARIANT hit{};
            ExpectEq(Id(id), Seen(form->accHitTest((x + x + w) / 2, (y + y + h) / 2, &hit), hit), what + ": hit test");
        }
        // The default action returns at once while the shell takes its time (QB_HOOK_FAULT SlowShell). One shell call
        // follows with the address, and the focus stays where it was.
        size_t calls = v.hookLog.Count("ShellExecuteA"), opened = v.shellLog.Lines().size();
        HWND focus = v.Focus();
        DWORD start = GetTickCount();
        ExpectEq(link ? Hex(S_OK) : none, Hex(form->accDoDefaultAction(Child(id))), what + ": do the default action");
        DWORD took = GetTickCount() - start;
        if (!link) continue;
        Expect(took < 1000, what + ": the default action returns at once", std::to_string(took) + " ms");
        // The focus is read while the shell call waits, before the browser it starts can take the activation.
        if (options.injectable) Pump(3000, [&] { return v.hookLog.Count("ShellExecuteA") > calls; });
        Expect(v.Focus() == focus, what + ": the focus stays");
        Pump(8000, [&] { return v.shellLog.Lines().size() > opened; });
        Pump(500);
        ExpectEq(1, v.shellLog.Lines().size() - opened, what + ": the browser opens once");
        std::string last = v.shellLog.Lines().empty() ? "" : v.shellLog.Lines().back();
        Expect(last.ends_with(" \"" + address + "\""), what + ": the address", last);
        if (options.injectable) ExpectEq(1, v.hookLog.Count("ShellExecuteA") - calls, what + ": one shell call");
        ExpectEq(1, heard(EVENT_OBJECT_INVOKED, id), what + ": invoked, as readers hear");
    }
    ExpectEq(expected, enumerated, "the children in reading order");
    ExpectEq(expected, walked, "accNavigate walks them in that order, and no further");
    ExpectEq(expected, named, "accChild names them so, labels as simple elements");
    Expect(form->get_accChildCount(&count) == S_OK && count == 7, "seven children", std::to_string(count));
    // Hit tests on a window, on bare client area, and outside it.
    VARIANT hit{};
    POINT edit{(layout.edit.left + layout.edit.right) / 2, (layout.edit.top + layout.edit.bottom) / 2},
        bare{(layout.labels[0].left + layout.edit.right) / 2, 4};
    for (POINT* p : {&edit, &bare}) ClientToScreen(main, p);
    ExpectEq("Edit", Seen(form->accHitTest(edit.x, edit.y, &hit), hit), "hit test on Edit1");
    ExpectEq("id 0", Seen(form->accHitTest(bare.x, bare.y, &hit), hit), "hit test on bare client area");
    ExpectEq(Hex(S_FALSE), Seen(form->accHitTest(bare.x, bare.y - 40, &hit), hit), "hit test outside the client area");
    // Label3's caption names the edit box, through the static window before it.
    ComPtr<IAccessible> box;
    AccessibleObjectFromWindow(v.Control(L"Edit"), OBJID_CLIENT, IID_PPV_ARGS(&box));
    ExpectEq(kChildren[0].name, box ? Text(&IAccessible::get_accName, box.Get(), CHILDID_SELF) : "", "Edit1: name");
    ExpectEq(Utf8(TextOf(v.Control(L"Edit"))), box ? Text(&IAccessible::get_accValue, box.Get(), CHILDID_SELF) : "",
             "Edit1: value");
    // A click with the mouse raises the invoked event too, and a scroll moves every label.
    const RECT& link = layout.labels[0];
    Click(main, {(link.left + link.right) / 2, (link.top + link.bottom) / 2});
    Pump(3000, [&] { return heard(EVENT_OBJECT_INVOKED, 4) > 1; });
    ExpectEq(2, heard(EVENT_OBJECT_INVOKED, 4), "a click on Label1: invoked, as readers hear");
    SetWindowPos(main, nullptr, 0, 0, 400, 536, SWP_NOMOVE | SWP_NOZORDER);
    LONG before = 0, after = 0, unused = 0;
    form->accLocation(&before, &unused, &unused, &unused, Child(1));
    events.Clear();
    SendBounded(main, WM_HSCROLL, SB_LINEDOWN);
    Pump(3000, [&] { return heard(EVENT_OBJECT_LOCATIONCHANGE, 5) > 0; });
    for (LONG id : {1, 3, 4, 5})
        ExpectEq(1, heard(EVENT_OBJECT_LOCATIONCHANGE, id), "scrolled: child " + std::to_string(id) + " moved");
    form->accLocation(&after, &unused, &unused, &unused, Child(1));
    ExpectEq(before - 8, after, "scrolled: Label3 a line to the left");
    SetWindowPos(main, nullptr, 0, 0, 815, 536, SWP_NOMOVE | SWP_NOZORDER);
    // Once the viewer has gone, a call on the held object fails, and fails soon.
    close();
    DWORD start = GetTickCount();
    hr = form->get_accChildCount(&count);
    Expect(FAILED(hr) && GetTickCount() - start < 5000, "a call after the viewer closed fails", Hex(hr));
}
