// Component rules checked in the driver's own process on the probe forms of Components.rc: definitions that do not
// fit, the timer's first tick, a failing layout, new system colours, a form destroyed while its window hears messages.
#include "CatchSite.h"
#include "Exceptions.h"
#include "Form.h"
#include "Harness.h"
#include "Label.h"
#include "Timer.h"

#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <utility>

namespace {

std::vector<std::string> events;  // what the probes, the timer and the failure handler saw, in order

// A windowless control that records when it paints, fails once on request when moved, and runs a callback as it goes.
class TProbe : public TControl {
public:
    using TControl::TControl;
    ~TProbe() override { whileGoing(); }
    void Paint(HDC) override { events.push_back(Name() + " painted"); }
    void BoundsChanged() override {
        if (std::exchange(failMove, false)) throw EOutOfResources("planted");
    }
    bool failMove = false;
    std::function<void()> whileGoing = [] {};  // stands for the messages a form hears while a child window is destroyed
};

// A platform window, subclassed, that records when it hears of its destruction.
class TWinProbe : public TWinControl {
public:
    using TWinControl::TWinControl;
    void CreateHandle(HWND parent) override { CreateChildWindow(0, L"STATIC", L"", WS_CHILD, parent), Subclass(); }
    bool HandleMessage(UINT message, WPARAM, LPARAM, LRESULT&) override {
        if (message == WM_DESTROY) events.push_back("probe destroyed");
        return false;
    }
};

class TProbeForm : public TForm {
public:
    explicit TProbeForm(const wchar_t* definition) : TForm(nullptr) { InitializeForm("TProbeForm", definition); }
    TProbe *Probe1 = nullptr, *Probe2 = nullptr;
    TNotifyEvent FindNotifyMethod(const std::string& name) const override {
        return name == "ProbeTick" ? [](TComponent*) { events.push_back("tick"); } : TNotifyEvent{};
    }

protected:
    std::unique_ptr<TComponent> NewComponent(const std::string& name) override {
        if (name == "TLabel") return std::make_unique<TLabel>(this);
        if (name == "TTimer") return std::make_unique<TTimer>(this);
        return name == "TProbe" ? std::make_unique<TProbe>(this) : TForm::NewComponent(name);
    }
    void BindComponents() override { Bind("Probe1", Probe1), Bind("Probe2", Probe2); }
};

long long CountSince(size_t from, const std::string& event) {
    return std::count(events.begin() + std::ptrdiff_t(from), events.end(), event);
}

}  // namespace

void ScenarioComponents() {
    SetFailureHandler([](TComponent*, std::exception_ptr) noexcept { events.push_back("failure"); });
    // A definition that leaves a member unbound, or names a handler the form lacks, fails to load and says which.
    for (auto [definition, error] : {std::pair{L"TPROBEUNBOUND", "Member TProbeForm.Probe2 not bound"},
                                     {L"TPROBEHANDLER", "Error reading ProbeForm.OnCreate: Method None not found"}}) {
        std::string read;
        try {
            TProbeForm unread(definition);
        } catch (const Exception& failure) { read = failure.Message(); }
        ExpectEq(error, read, Utf8(definition) + " fails to load");
    }
    const DWORD armed = GetTickCount();
    auto form = std::make_unique<TProbeForm>(L"TPROBEFORM");
    form->CreateHandle(nullptr), form->Show();
    HWND window = form->Handle();

    // The first tick comes an interval (200 ms) after the handler armed the timer, not the class's default second.
    Pump(3000, [] { return CountSince(0, "tick") > 0; });
    const DWORD ticked = GetTickCount() - armed;
    Expect(ticked >= 190 && ticked < 800, "the first tick an interval after arming", std::to_string(ticked) + " ms");

    // A layout that fails leaves the form able to lay out again.
    size_t from = events.size();
    form->Probe2->failMove = true;
    for (int height : {250, 300}) SetWindowPos(window, nullptr, 0, 0, 300, height, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    GetClientRect(window, &client);
    ExpectEq(1, CountSince(from, "failure"), "a failing layout reaches the failure handler once");
    ExpectEq(client.bottom - form->Probe2->Height(), form->Probe2->Top(), "after a failed layout, the next lays out");

    // New system colours, set where they take effect: the window and a label in them repaint, one in blue does not.
    const int indices[] = {COLOR_WINDOW, COLOR_WINDOWTEXT};
    const COLORREF fresh[] = {0xC0FFFF, 0x008000}, old[] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT)};
    SetSysColors(2, indices, fresh);
    SendMessageW(window, WM_THEMECHANGED, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump(500);
    Picture picture(window);
    auto has = [&](LONG top, DWORD rgb) {  // a DIB pixel is 0xRRGGBB; the labels are rows 40 and 60, 13 high
        auto row = picture.pixels.begin() + top * picture.width;
        return std::any_of(row, row + 13 * picture.width, [&](DWORD pixel) { return (pixel & 0xFFFFFF) == rgb; });
    };
    ExpectEq(0xFFFFC0, picture.pixels[0] & 0xFFFFFF, "the window paints in the new clWindow");
    Expect(has(40, 0x008000), "a label in clWindowText paints in the new one");
    Expect(has(60, 0x0000FF), "a label in clBlue stays so");
    SetSysColors(2, indices, old);

    // A window its object destroys sends the object nothing on the way; one the platform destroys is let go of.
    for (bool byObject : {true, false}) {
        TWinProbe probe(nullptr);
        probe.CreateHandle(window);
        from = events.size();
        byObject ? probe.DestroyHandle() : void(DestroyWindow(probe.Handle()));
        const std::string how = byObject ? "a window its object destroys" : "a window the platform destroys";
        ExpectEq(byObject ? 0 : 1, CountSince(from, "probe destroyed"), how + ": WM_DESTROY reaches the object");
        Expect(!probe.HandleAllocated(), how + ": the object holds no handle after");
    }

    // While the controls go, the form paints only those still there.
    form->Probe2->whileGoing = [window] {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageW(window, WM_PRINTCLIENT, WPARAM(dc), PRF_CLIENT), DeleteDC(dc);
    };
    // A reader in this process holds the form's object: it lists the two labels, and is cut off when the form goes.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Microsoft::WRL::ComPtr<IAccessible> held;
    LONG count = 0;
    AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_PPV_ARGS(&held));
    ExpectEq(2, held ? (held->get_accChildCount(&count), count) : -1, "the form's object lists its two labels");
    from = events.size();
    form.reset();
    ExpectEq(CO_E_OBJNOTCONNECTED, held ? held->get_accChildCount(&count) : 0, "held after the form went: cut off");
    ExpectEq(0, CountSince(from, "Probe2 painted"), "a control going is not painted");
    ExpectEq(1, CountSince(from, "Probe1 painted"), "one still there is");
    ExpectEq(0, CountSince(from, "failure"), "teardown fails nowhere");
}
