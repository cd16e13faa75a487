// QbTestDriver: runs one scenario of the end-to-end tables against the viewer under Wine and prints a line per check.
#include "Harness.h"
#include "OpenBoxes.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <random>
#include <span>
#include <utility>

void ScenarioComponents();  // Components.cpp
void ExpectAccessible(const Viewer& v, const std::function<void()>& close);  // Accessible.cpp

namespace {

using std::to_string;

constexpr RECT kMainRect{432, 69, 432 + 815, 69 + 536};
constexpr char kAt[] = " in module QuellmarkBrenvik.exe at ";
constexpr char kLoad[] = "Load size=156 cx=20981 cy=12091 hr=00000000";
constexpr size_t kMaxNestedBoxes = OpenBoxes::kMaxDepth;
constexpr LRESULT kStackBytes = 2 << 20;  // the viewer's main thread's: the linker's default reserve

std::string Home() { return "http://" + Utf8(options.host) + "/"; }
HWND Edit(const Viewer& v) { return v.Control(L"Edit"); }
HWND Host(const Viewer& v) { return v.Control(L"TWebBrowser"); }
HWND Bar(const Viewer& v) { return v.Control(PROGRESS_CLASSW); }

// The page view has the focus when a window of the control inside the host window has it, not the empty host.
bool FocusInPage(const Viewer& v) { return IsChild(Host(v), v.Focus()); }
bool FocusEdit(const Viewer& v) {
    return Click(Edit(v), {5, 5}), WaitFor([&] { return v.Focus() == Edit(v); });
}

void DismissAll(const Viewer& v) {
    for (HWND box : v.Boxes()) v.Dismiss(box);
}

std::string Selection(HWND edit) {
    DWORD from = 0, to = 0;
    SendBounded(edit, EM_GETSEL, WPARAM(&from), LPARAM(&to));
    return to_string(from) + "-" + to_string(to);
}

std::string NewLines(const LogFile& log, size_t from, const char* prefix = "") {
    const std::vector<std::string> lines = log.Lines();
    std::string joined;
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].starts_with(prefix)) joined += (joined.empty() ? "" : "; ") + lines[i];
    return joined;
}

// The calls the double allows at any time between steps: the page's window, its place and extent, keys, reloads, and
// the UI activation at the first focus.
constexpr char kUsual[] = "GetWindow; SetObjectRects; SetExtent; DoVerb verb=-4; TranslateAccelerator; Refresh; "
                          "InterfaceSupportsErrorInfo";
// The start-up's calls as far as a row's fault lets them go; the site lacks the ambient property the control asks for.
constexpr char kReleased[] = "SetClientSite site=0; Close; FinalRelease com=initialised";
const std::string kCreated = "CreateInstance hr=00000000; GetMiscStatus; SetClientSite site=1; "
                             "Ambient dispid=-5512 hr=80020003; ",
                  kJoined = kCreated + kLoad + "; GetExtent; FindConnectionPoint; Advise hr=00000000; GetExtent; ",
                  kNotActive = kJoined + "Navigate; DoVerb verb=-5; Unadvise cookie=1; " + kReleased;

// Up to the start page's Navigate with every optional argument omitted, and the first focus unless started minimised.
std::string Startup(bool focused = true) {
    std::string navigate = "Navigate url=http://" + Utf8(options.host) + "/brenvik/OpenPositions.html";
    for (const char* argument : {" flags=", " target=", " postdata=", " headers="})
        (navigate += argument) += "10:80020004";
    return kJoined + navigate + "; DoVerb verb=-5" + (focused ? "; DoVerb verb=-4; GetWindow" : "");
}

// A viewer whose double expects `calls` at start-up: the environment tells it before the driver can.
Viewer Start(const Launch& launch, const std::string& calls = Startup()) {
    SetEnvironmentVariableA("QB_DOUBLE_EXPECT", calls.c_str());
    return Viewer(launch);
}

// Ends a step once its calls have come: a call the double did not expect, or expected and missed, fails it by name.
void ExpectCalls(const Viewer& v, const std::string& step) {
    const bool running = !v.WaitExit(0);
    if (!options.withDouble) return;
    // The double's window answers once the control is made.
    if (running) WaitFor([&] { return v.Command("query refs") && !v.Command("query pending"); }), v.Command("check");
    const std::vector<std::string> lines = v.doubleLog.Lines();
    std::string failures = lines.empty() || lines.back() != "checked" ? "the double never checked" : "";
    size_t from = lines.empty() ? 0 : lines.size() - 1;  // the step's lines follow the check before its own
    while (from > 0 && lines[from - 1] != "checked") --from;
    for (size_t i = from; i + 1 < lines.size() && failures.size() < 1000; ++i)
        if (lines[i].starts_with("unexpected ") || lines[i].ends_with(", not called"))
            failures += (failures.empty() ? "" : "; ") + lines[i];
    Expect(failures.empty(), step + ": the calls the double expected, and no other", failures);
    if (running) v.Command("allow " + std::string(kUsual));
}

void Step(const Viewer& v, const std::string& name, const std::string& calls, const std::function<void()>& run) {
    v.Command("expect " + calls);
    run();
    ExpectCalls(v, name);
}

// Closes through target (or the main window) and checks the exit and teardown. Windows sends the session's end, after a
// query that the viewer must let pass; every other close is posted.
void ExpectClosed(const Viewer& v, const std::string& how, HWND target = nullptr, UINT message = WM_CLOSE,
                  WPARAM wParam = 0) {
    v.Command("expect InPlaceDeactivate; Unadvise cookie=1; " + std::string(kReleased));
    DWORD start = GetTickCount();
    target = target ? target : v.Main();
    if (message != WM_ENDSESSION) PostMessageW(target, message, wParam, 0);
    else if (Expect(SendBounded(target, WM_QUERYENDSESSION) != 0, how + ": the viewer lets the session end"))
        SendBounded(target, message, wParam);
    std::optional<DWORD> code = v.WaitExit();
    DWORD took = GetTickCount() - start;
    if (Expect(code.has_value(), how + ": the viewer ends")) ExpectEq(0, *code, how + ": exit code");
    Expect(took < 1000, how + ": the viewer ends within a second", to_string(took) + " ms");
    ExpectCalls(v, how + ": teardown");
}

// The box's text must contain `text`; 217 is the exit code of the run-time error's box, captioned "Error". A failing
// load is tried again as the page is navigated; without its event sink the control is not activated, and the join is
// tried again, but not the load that worked.
// clang-format off
struct StartupRow { const char *name, *doubleFail, *hookFault; std::string text, calls; DWORD exitCode; };
const StartupRow kStartupRows[] = {
    {"creation refused", "CreateInstance=80040154", "", "Exception EOleSysError" + std::string(kAt),
     "CreateInstance hr=80040154", 1},
    {"no in-place object", "NoInPlaceObject", "", "OLE control activation failed.", kNotActive, 1},
    {"activation fails", "DoVerb=80004005", "", kAt, kNotActive, 1},
    {"load fails", "Load=80004005", "", kAt, kCreated + "Load size=156 cx=0 cy=0 hr=80004005; "
     "Load size=156 cx=0 cy=0 hr=80004005; " + kReleased, 1},
    {"class registration refused", "", "RegisterClass", "Runtime error 217 at ", "", 217},
    {"event sink refused", "Advise=80004005", "", kAt, kCreated + kLoad + "; GetExtent; FindConnectionPoint; "
     "Advise hr=80004005; FindConnectionPoint; Advise hr=80004005; " + kReleased, 1},
    {"timer refused", "", "SetTimer", "Error reading Timer1.OnTimer: Not enough timers available.",
     kCreated + kReleased, 1},
};
enum class Shown { kNormal, kMaximised, kIconic };
// Each way the viewer is shown (then minimised and restored), then closed. minimise: the class SC_MINIMIZE goes to;
// toApplication: the close goes to the application window; windows: the viewer's ShowWindow acts as Windows' does (false:
// as Wine's, which leaves the owned window shown); box: a failing tick opens a box while minimised, restored under it.
struct LifecycleRow { const char* name; WORD show; const wchar_t* minimise; Shown shown; bool toApplication; UINT message;
                      WPARAM wParam; bool windows = true, box = false; };
constexpr LifecycleRow kLifecycleRows[] = {
    {"SW_SHOWMAXIMIZED, WM_CLOSE", SW_SHOWMAXIMIZED, nullptr, Shown::kMaximised, false, WM_CLOSE, 0, false},
    {"SW_SHOWMINNOACTIVE, SC_CLOSE", SW_SHOWMINNOACTIVE, nullptr, Shown::kIconic, false, WM_SYSCOMMAND, SC_CLOSE},
    {"SW_SHOWMINIMIZED, taskbar SC_MINIMIZE, a box, application WM_CLOSE", SW_SHOWMINIMIZED, L"TApplication",
     Shown::kNormal, true, WM_CLOSE, 0, true, true},
    {"SC_MINIMIZE, session end", SW_SHOWNORMAL, L"TForm1", Shown::kNormal, true, WM_ENDSESSION, TRUE},
    {"SC_MINIMIZE as Wine does it, WM_CLOSE", SW_SHOWNORMAL, L"TForm1", Shown::kNormal, false, WM_CLOSE, 0, false},
};
struct ProgressRow { int progress, max, expectedMax, expectedPosition; const char* box; };
constexpr ProgressRow kProgressRows[] = {
    {30, 100, 100, 30, nullptr}, {150, 200, 200, 150, nullptr},
    {250, 200, 200, 200, nullptr},  // the platform control holds the position in range
    {10, -1, 200, 200, "TProgressBar property out of range."},  // refused: the bar keeps what it had
    {0, 0, 0, 0, nullptr}, {-1, 10000, 10000, 0, nullptr},  // the last: how Windows' control ends a load
};
// "Call failed." is Wine's text for E_FAIL; the stale error object of an earlier call is not the failing call's.
constexpr std::pair<const char*, const char*> kRefreshFailures[] = {
    {"fail Refresh 80004005 Page not found.. \t", "Page not found."}, {"fail Refresh 80004005", "Call failed."},
    {"fail Refresh 8abcdef0", "OLE error 8ABCDEF0."}, {"fail Refresh 80004005 Who?", "Who?."},
    {"fail Refresh 80004005 stale Page moved", "Call failed."},
};
// Keys: \1 selects all (End, Shift+Home), \2 Home, \3 End, \b Backspace, the rest typed; box, timers: the last key's.
struct EditRow { const wchar_t* keys; const char *text, *box, *timers; };
constexpr EditRow kEditRows[] = {
    {L"\2" L"0", "05", nullptr, ""},  // the same period: the countdown goes on
    {L"\1" L"1", "1", nullptr, "KillTimer id=1; SetTimer id=1 period=60000 result=1"},
    {L"\1" L"0", "0", nullptr, "KillTimer id=1"},
    {L"\3" L"2", "02", nullptr, "KillTimer id=1; SetTimer id=1 period=120000 result=1"},
    {L"\1" L"71582", "71582", nullptr, "KillTimer id=1; SetTimer id=1 period=4294920000 result=1"},
    {L"\1" L"71583", "71583", "The refresh period must be a whole number of minutes from 0 to 71582.", ""},
    {L"\1" L"10x", "10x", "'10x' is not a valid integer value.", ""},
    {L"\b", "10", nullptr, ""},  // "10" was applied on the way to "10x"
    {L"\b\b", "", "'' is not a valid integer value.", ""},
    {L"\1 3", " 3", nullptr, "KillTimer id=1; SetTimer id=1 period=180000 result=1"},
    {L"\3 ", " 3 ", "' 3 ' is not a valid integer value.", ""},
};
// The row that the scenarios typing one text use; the assertion stops a new row before it from moving it unseen.
constexpr std::span<const EditRow> kTenX(&kEditRows[6], 1);
static_assert(std::string_view(kTenX[0].text) == "10x");
// Where the pointer is the hand, and what opens the browser (label 0 to 3): a link's address on a left click only.
enum Gesture { kClick, kDoubleClick, kRightClick, kDragOff };
struct LinkRow { const char* name; int label; Gesture gesture; bool opens; };
constexpr LinkRow kLinkRows[] = {
    {"click on Label1", 0, kClick, true}, {"click on Label2", 1, kClick, true},
    {"double click on Label2", 1, kDoubleClick, true}, {"right click on Label1", 0, kRightClick, false},
    {"press on Label2, release off it", 1, kDragOff, false}, {"click on Label3", 2, kClick, false},
    {"click on Label4", 3, kClick, false},
};
// clang-format on

void StartupRows(size_t count) {
    for (const StartupRow& row : std::span(kStartupRows, count)) {
        if (*row.hookFault && !options.injectable) continue;
        Viewer v = Start({"startup" + to_string(&row - kStartupRows), row.doubleFail, row.hookFault}, row.calls);
        auto name = [&](const std::string& check) { return row.name + (": " + check); };
        std::string caption = row.exitCode == 217 ? "Error" : "Application Error", seen;
        // A load that fails may be reported by the error display first; the start-up box must come all the same.
        bool found = false;
        std::optional<DWORD> code;
        auto dismissUntilEnd = [&] {
            if (std::optional<Box> box = v.Boxes().empty() ? std::nullopt : v.WaitBox()) {
                seen += "[" + box->caption + ": " + box->text + "] ";
                found = found || (box->caption == caption && box->text.find(row.text) != std::string::npos);
                v.Dismiss(box->window);
            }
            return (code = v.WaitExit(100)).has_value();
        };
        WaitFor(dismissUntilEnd, 30000);
        Expect(found, name("a box [" + caption + "] with [" + row.text + "]"), seen);
        if (Expect(code.has_value(), name("the viewer ends"))) ExpectEq(row.exitCode, *code, name("exit code"));
        if (!row.calls.empty()) ExpectCalls(v, row.name);
    }
}

void ExpectNormalAtDesign(const Viewer& v, const std::string& what) {
    ExpectEq(RectText(kMainRect), RectText(RectIn(v.Main(), nullptr)), what + ": main window at its designed place");
    Expect(!IsZoomed(v.Main()) && !IsIconic(v.Main()), what + ": main window in the normal state");
}

// Minimised through the window SC_MINIMIZE goes to, a box perhaps opened meanwhile, and restored from the taskbar.
void MinimiseAndRestore(const Viewer& v, HWND main, const LifecycleRow& row, std::string& name) {
    HWND app = v.App();
    const WinEvents taskbar(v.ProcessId(), EVENT_OBJECT_HIDE, EVENT_OBJECT_HIDE);  // as the taskbar hears the hides
    if (row.minimise) SendBounded(v.TopLevel(row.minimise), WM_SYSCOMMAND, SC_MINIMIZE);
    Expect(WaitFor([&] { return IsIconic(app) && IsWindowVisible(app) && IsWindowVisible(main) != row.windows; }),
           name + (row.windows ? ": minimised to the taskbar entry, no main window" : ": minimised, main window kept"));
    if (row.box) v.Command("fail Refresh 80004005 Down"), v.Tick(), Expect(v.WaitBox().has_value(), name + ": a box");
    PostMessageW(v.App(), WM_SYSCOMMAND, SC_RESTORE, 0);
    name += " then SC_RESTORE";
    Expect(WaitFor([&] { return !IsIconic(v.App()) && IsWindowVisible(v.App()) && IsWindowVisible(main); }),
           name + ": both shown");
    if (row.box) {
        Expect(!IsWindowEnabled(main), name + ": the main window disabled while the box is open");
        v.Command("fail Refresh off"), DismissAll(v);
        Expect(WaitFor([&] { return IsWindowEnabled(main) && v.Focus() == Edit(v); }, 3000),
               name + ": once the box is closed, enabled with the focus in Edit1 again");
    }
    Pump(300);  // the events wait in the driver's queue until it pumps
    ExpectEq(0, taskbar.Count(EVENT_OBJECT_HIDE, app, OBJID_WINDOW), name + ": the taskbar entry never hidden");
}

void ScenarioLifecycle() {
    for (const LifecycleRow& row : kLifecycleRows) {
        Viewer v = Start({"lifecycle" + to_string(&row - kLifecycleRows), "", "", false, row.show, row.windows},
                         Startup(row.shown != Shown::kIconic));
        std::string name = row.name;
        HWND main = row.shown != Shown::kIconic ? v.Main() : nullptr;
        WaitFor([&] { return main || (main = v.TopLevel(L"TForm1")); }, 30000);  // started minimised: never shown
        ExpectCalls(v, name + ": start-up");
        if (row.minimise) ExpectNormalAtDesign(v, name), FocusEdit(v);  // where the focus must come back to
        if (row.shown == Shown::kIconic || row.minimise) MinimiseAndRestore(v, main, row, name);
        if (row.shown == Shown::kMaximised) Expect(IsZoomed(v.Main()), name + ": main window maximised");
        else ExpectNormalAtDesign(v, name);
        // A window of the driver's takes the activation away, as another program would; then the taskbar's click.
        FocusEdit(v);
        std::unique_ptr<HWND__, decltype(&DestroyWindow)> other(
            CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, {}, {}, {}, {}),
            DestroyWindow);
        SetForegroundWindow(other.get());
        // Wait until the viewer is inactive and Wine has read its late X focus-out, which would undo the activation.
        WaitFor([&] { return GetForegroundWindow() == other.get() && !v.Active(); }, 3000), Sleep(200);
        SetForegroundWindow(v.App());
        Expect(WaitFor([&] { return v.Focus() == Edit(v); }, 3000), name + ": the taskbar gives Edit1 the focus back");
        // Focus and activation arrive in separate messages: wait for both.
        Expect(WaitFor([&] { return ClassOf(v.Active()) == L"TForm1"; }, 3000),
               name + ": and the main window is active again", Utf8(ClassOf(v.Active())));
        // Into the page, away from Edit1's caret, whose blinking would wake a loop asleep in WaitMessage.
        if (row.message == WM_ENDSESSION) PressKey(VK_TAB), WaitFor([&] { return FocusInPage(v); }, 3000);
        ExpectClosed(v, name, row.toApplication ? v.App() : v.Main(), row.message, row.wParam);
    }
}

void ExpectLayout(const Viewer& v) {
    Layout expected = ExpectedLayout(options.host);
    HWND main = v.Main();
    RECT client{};
    GetClientRect(main, &client);
    auto expectAt = [&](RECT r, HWND window, const char* name) {
        ExpectEq(RectText(r), RectText(RectIn(window, main)), name);
    };
    expectAt(expected.edit, Edit(v), "Edit1");
    expectAt(expected.browser, Host(v), "the page view");
    expectAt({0, client.bottom - expected.progressHeight, client.right, client.bottom}, Bar(v), "ProgressBar1");
    if (HWND inner = GetWindow(Host(v), GW_CHILD)) expectAt(RectIn(Host(v), main), inner, "the control fills the view");
    // Labels are drawn by the window itself: their ink tells where they are.
    SetForegroundWindow(main), RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    Picture picture(main);
    // Left to right: Label3, Label4, Label1, Label2; each region ends where the next begins.
    const int order[] = {2, 3, 0, 1};
    for (size_t k = 0; k < 4; ++k) {
        const RECT& label = expected.labels[order[k]];
        LONG end = k < 3 ? expected.labels[order[k + 1]].left - 4 : picture.width;
        RECT region{label.left - 4, 0, end, expected.browser.top}, ink = picture.InkBounds(region);
        // A label that the client area cuts off is checked in the part that shows.
        if (region.left >= picture.width) continue;
        std::string name = "Label" + to_string(order[k] + 1);
        if (!Expect(ink.right > ink.left, name + " shows its caption")) continue;
        Expect(ink.left >= label.left && ink.left <= label.left + 3, name + " starts at its place", RectText(ink));
        LONG right = std::min(label.right, LONG(picture.width));
        if (order[k] < 2)  // a link, whose face and so extent are known
            Expect(ink.top >= label.top && ink.bottom <= label.bottom && ink.right <= right && ink.right >= right - 4,
                   name + " within its caption's extent " + RectText(label), RectText(ink));
        else Expect(picture.DistinctGlyphs(region) >= 4, name + " shows letters, not boxes");
    }
}

void ExpectProgress(const Viewer& v, const ProgressRow& row) {
    std::string event = "progress " + to_string(row.progress) + " " + to_string(row.max);
    // The event's answer comes only once the box it brings is closed.
    ExpectEq(1, v.CommandDuring(event, [&] { row.box ? v.ExpectBox(row.box, event) : void(); }),
             event + ": answered S_OK");
    ExpectEq(row.expectedMax, SendBounded(Bar(v), PBM_GETRANGE, FALSE, 0), event + ": bar maximum");
    ExpectEq(row.expectedPosition, SendBounded(Bar(v), PBM_GETPOS), event + ": bar position");
}

void ExpectTickRefreshes(const Viewer& v) {
    Step(v, "a tick reloads the page once", "Refresh", [&] { v.Tick(); });
}

// Each key of a row may bring a box on the way; only the last one is the row's. Timer calls follow from the rows
// before, and a click into an invalid text brings that text's box (clickBox) again.
void EditRows(const Viewer& v, std::span<const EditRow> rows = kEditRows, const char* clickBox = nullptr,
              bool timers = true) {
    HWND edit = Edit(v);
    Click(edit, {5, 5});
    if (clickBox) v.ExpectBox(clickBox, "a click into Edit1 with its text invalid");
    WaitFor([&] { return v.Focus() == edit; }, 3000);
    for (const EditRow& row : rows) {
        std::string name = std::string("Edit1 text [") + row.text + "]";
        size_t timersFrom = 0;
        for (const wchar_t* k = row.keys; *k; ++k) {
            if (k != row.keys) Sleep(100), DismissAll(v);
            timersFrom = v.hookLog.Lines().size();
            if (*k == L'\1') PressKey(VK_END), PressKey(VK_HOME, VK_SHIFT);
            else if (*k < L' ') PressKey(*k == L'\b' ? VK_BACK : *k == L'\2' ? VK_HOME : VK_END);
            else Type(std::wstring(1, *k));
        }
        if (row.box) {
            v.ExpectBox(row.box, name);
            Expect(WaitFor([&] { return v.Focus() == edit; }), name + ": focus back in Edit1 after the box");
            std::string end = to_string(TextOf(edit).size());
            ExpectEq(end + "-" + end, Selection(edit), name + ": caret where it was, nothing selected");
        } else Sleep(200), Expect(v.Boxes().empty(), name + ": no box");
        ExpectEq(row.text, Utf8(TextOf(edit)), name + ": text as typed");
        if (options.injectable && timers) ExpectEq(row.timers, NewLines(v.hookLog, timersFrom), name + ": timer calls");
    }
}

HCURSOR CursorOver(HWND main, POINT at) {
    ClientToScreen(main, &at), SetCursorPos(at.x, at.y), Sleep(200);
    CURSORINFO info{sizeof info};
    return GetCursorInfo(&info) ? info.hCursor : nullptr;
}

POINT Centre(const RECT& r) { return {(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

void LinkRows(const Viewer& v) {
    Layout layout = ExpectedLayout(options.host);
    HWND main = v.Main();
    HCURSOR arrow = CursorOver(main, {(layout.labels[0].left + layout.edit.right) / 2, 4});
    for (const LinkRow& row : kLinkRows) {
        std::string name = row.name, address = row.label == 0 ? Utf8(options.broker) : Home();
        POINT at = Centre(layout.labels[row.label]), away{at.x, layout.browser.top + 40};
        bool link = row.label < 2;
        Expect((CursorOver(main, at) != arrow) == link, name + (link ? ": the pointer is the hand" : ": the arrow"));
        size_t before = v.shellLog.Lines().size(), calls = v.hookLog.Lines().size();
        Click(main, at, row.gesture != kRightClick, row.gesture == kDragOff ? &away : nullptr);
        if (row.gesture == kDoubleClick) Click(main, at);
        if (row.opens) WaitFor([&] { return v.shellLog.Lines().size() > before; });
        Sleep(row.opens ? 500 : 1500);
        std::vector<std::string> opened = v.shellLog.Lines();
        ExpectEq(row.opens, opened.size() - before, name + ": times the browser opens");
        if (!row.opens || opened.size() <= before) continue;
        Expect(opened.back().ends_with(" \"" + address + "\""), name + ": the address", opened.back());
        std::string call = "ShellExecuteA owner=TForm1 verb=null file=[" + address + "] parameters=null directory=null";
        if (options.injectable)
            ExpectEq(call + " show=1", NewLines(v.hookLog, calls, "ShellExecuteA"), name + ": the shell call");
    }
}

void ScenarioLayout() {
    // The start-up offers the control no extent: it keeps its saved one.
    Viewer v = Start({"layout", "", "", true});
    ExpectCalls(v, "start-up");
    ExpectNormalAtDesign(v, "at every resolution");
    ExpectLayout(v);
    Expect(FocusInPage(v), "at start the page view has the focus");
    // What a user of Wine's own control meets: the edit keeps what was typed.
    if (!options.withDouble) EditRows(v, kTenX);
    ExpectClosed(v, "layout");
}

// Failures that differ nest, to a bound that keeps the stack safe; how deep it gets differs between the two builds.
void ExpectNestedBoxes(const Viewer& v) {
    LRESULT refreshes = v.Command("query refreshes");
    for (size_t open = 0; open < kMaxNestedBoxes + 2; ++open)
        v.Command("fail Refresh 80004005 Failure " + to_string(open)), v.Tick(),
            v.WaitBox(std::min(open + 1, kMaxNestedBoxes));
    WaitFor([&] { return v.Command("query refreshes") == refreshes + LRESULT(kMaxNestedBoxes) + 2; });
    ExpectEq(kMaxNestedBoxes, v.Boxes().size(), "boxes of different failures nest no deeper than the bound");
    LRESULT stack = v.Command("query stack"), each = stack / LRESULT(kMaxNestedBoxes);
    Expect(stack > 0 && stack * 8 < kStackBytes,
           "the nested boxes take under an eighth of the stack, " + to_string(each) + " bytes each",
           to_string(stack) + " bytes");
    v.Command("fail Refresh off"), DismissAll(v);
}

void ScenarioInteraction() {
    Viewer v = Start({"interaction", "", "", true});
    HWND main = v.Main();
    ExpectCalls(v, "start-up");
    const size_t windows = v.TopLevels().size();
    const LRESULT refs = v.Command("query refs");
    if (options.injectable) ExpectEq(1, v.hookLog.Count("SetTimer id=1 period=300000"), "the timer at five minutes");

    // Keys: the page first, then Tab to Edit1 and on.
    Expect(WaitFor([&] { return FocusInPage(v); }), "at start the page view has the focus");
    // Each key message is offered (msg, key), and claimed with S_OK; the offers of keys released are passed over.
    const std::string down = "TranslateAccelerator msg=100 key=", up = "; TranslateAccelerator msg=101 key=";
    Step(v, "F5 offered and claimed", down + "74 hr=00000000" + up + "74 hr=00000001", [] { PressKey(VK_F5); });
    // Windows' control copies a selection through the OLE clipboard, which only a thread with OLE may use.
    const std::string copy =
        down + "11 hr=00000001; Copy hr=00000000; " + down + "43 hr=00000000" + up + "43 hr=00000001";
    Step(v, "Ctrl+C in the page reaches the OLE clipboard", copy + up + "11 hr=00000001",
         [] { PressKey('C', VK_CONTROL); });
    Step(v, "WM_UNICHAR is not offered, Tab is", down + "9 hr=00000001", [&] {
        PostMessageW(v.Focus(), 0x0109, 'a', 0);  // WM_UNICHAR lies past the key range
        PressKey(VK_TAB);
        Expect(WaitFor([&] { return v.Focus() == Edit(v); }), "Tab moves to Edit1");
    });
    ExpectEq("0-1", Selection(Edit(v)), "Tab into Edit1 selects its whole text");
    Step(v, "Tab into the page", "GetWindow" + up + "9 hr=00000001", [&] {
        PressKey(VK_TAB);
        Expect(WaitFor([&] { return FocusInPage(v); }), "Tab moves on into the page");
    });

    // ProgressChange and the events without a handler, some newer than the viewer, ask the control nothing.
    Step(v, "events", "", [&] {
        for (const ProgressRow& row : kProgressRows) ExpectProgress(v, row);
        for (int event : {114, 261, 281, 300, 999})
            ExpectEq(1, v.Command("event " + to_string(event)), "event " + to_string(event) + " answered S_OK");
    });
    ExpectTickRefreshes(v);
    auto mainBack = [&] { return WaitFor([&] { return IsWindowEnabled(main) && v.Active() == main; }); };
    for (const auto& [command, box] : kRefreshFailures)
        Step(v, std::string("tick with ") + command, "Refresh; InterfaceSupportsErrorInfo", [&] {
            v.Command(command), v.Tick(), v.ExpectBox(box, std::string("tick with ") + command);
            Expect(mainBack(), std::string(command) + ": main window enabled and active again");
        });
    // The timer's window is not disabled by a box: a tick that fails otherwise opens a second box over the first.
    std::optional<Box> first = (v.Command("fail Refresh 80004005 First"), v.Tick(), v.WaitBox());
    std::optional<Box> second = (v.Command("fail Refresh 80004005 Second"), v.Tick(), v.WaitBox(2));
    if (Expect(first && second && first->window != second->window, "a second box opens while one is open")) {
        Expect(!IsWindowEnabled(first->window) && !IsWindowEnabled(main), "the first box and the main window disabled");
        Expect(GetWindow(second->window, GW_OWNER) == v.App(), "the box is owned by the application window");
        v.Dismiss(second->window), v.Dismiss(first->window);
    }
    Expect(mainBack(), "after both boxes the main window is enabled and active");
    // While nobody is at the screen and each tick fails alike, the one box that says so stays the only one.
    std::optional<Box> only = (v.Tick(), v.WaitBox());
    const size_t windowsWithBox = v.TopLevels().size();
    const LRESULT refreshes = v.Command("query refreshes");
    for (int tick = 0; tick < 1200; ++tick) v.Tick();
    Expect(WaitFor([&] { return v.Command("query refreshes") == refreshes + 1200; }, 60000), "1200 ticks all reload");
    ExpectEq(1, v.Boxes().size(), "1200 ticks failing alike: one box open");
    ExpectEq(windowsWithBox, v.TopLevels().size(), "1200 ticks failing alike: top-level windows level");
    ExpectEq(refs, v.Command("query refs"), "1200 ticks failing alike: references to the control level");
    if (only) v.Dismiss(only->window);
    v.Tick();
    v.ExpectBox("Second.", "a tick failing alike once the box is closed");
    ExpectNestedBoxes(v);
    Expect(mainBack(), "after the nested boxes the main window is enabled and active");

    EditRows(v);
    LinkRows(v);
    ExpectEq(windows, v.TopLevels().size(), "top-level windows level");
    ExpectEq(refs, v.Command("query refs"), "references to the control level");
    ExpectClosed(v, "after the interaction");
}

// With two monitors, a box opens on the active window's monitor; meanwhile the application window sits at its centre.
void ScenarioMonitors() {
    Viewer v = Start({"monitors"});
    ExpectCalls(v, "start-up");
    HWND main = v.Main();
    const RECT home = RectIn(v.App(), nullptr);
    v.Command("fail Refresh 80004005 Moved");
    for (auto [at, second] : {std::pair{POINT{1800, 100}, true}, std::pair{POINT{432, 69}, false}}) {
        std::string name = "main window at " + to_string(at.x) + "," + to_string(at.y);
        SetWindowPos(main, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        SetForegroundWindow(main), WaitFor([&] { return v.Active() == main; }, 3000);
        HMONITOR monitor = MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST);
        MONITORINFO info{sizeof info};
        GetMonitorInfoW(monitor, &info);
        ExpectEq(second, monitor != MonitorFromWindow(v.App(), MONITOR_DEFAULTTONEAREST), name + ": second monitor");
        LONG x = (info.rcWork.left + info.rcWork.right) / 2, y = (info.rcWork.top + info.rcWork.bottom) / 2;
        v.Tick();
        v.ExpectBox("Moved.", name, [&](HWND box) {
            Expect(MonitorFromWindow(box, MONITOR_DEFAULTTONULL) == monitor, name + ": the box on that monitor");
            ExpectEq(RectText(second ? RECT{x, y, x, y} : home), RectText(RectIn(v.App(), nullptr)),
                     name + ": the application window meanwhile");
        });
        WaitFor([&] { return IsWindowEnabled(main); });
        ExpectEq(RectText(home), RectText(RectIn(v.App(), nullptr)), name + ": the application window afterwards");
    }
    v.Command("fail Refresh off");
    ExpectClosed(v, "monitors");
}

bool Responds(HWND window) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
}

// User and platform steps interleaved by a seed (QB_RANDOM_SEED repeats one): each box is the one its step calls for,
// and at the end the viewer answers with its windows and the control's references level.
void ScenarioRandom() {
    const char* text = std::getenv("QB_RANDOM_SEED");
    const unsigned seed = text && *text ? unsigned(std::strtoul(text, nullptr, 10)) : GetTickCount();
    std::printf("# seed %u (QB_RANDOM_SEED=%u runs it again)\n", seed, seed);
    std::mt19937 random(seed);
    auto pick = [&](size_t count) { return size_t(random() % count); };
    Viewer v = Start({"random", "", "", true, std::nullopt, true});
    HWND main = v.Main();
    ExpectCalls(v, "start-up");
    const Layout layout = ExpectedLayout(options.host);
    const size_t windows = v.TopLevels().size();
    const LRESULT refs = v.Command("query refs");
    std::vector<EditRow> periods;  // the rows that select the whole text first, and so stand alone
    std::ranges::copy_if(kEditRows, std::back_inserter(periods),
                         [](const EditRow& row) { return row.keys[0] == L'\1'; });
    ProgressRow bar{0, 0, 100, 0, nullptr};  // a refused pair leaves the bar as it was
    const char* invalidText = nullptr;  // the box Edit1's text brings, if it is not a period
    // clang-format off
    const std::pair<const char*, std::function<void(const std::string&)>> kSteps[] = {
        {"period", [&](const std::string&) {
             const EditRow& row = periods[pick(periods.size())];
             EditRows(v, std::span(&row, 1), std::exchange(invalidText, row.box), false);
         }},
        {"tick", [&](const std::string&) { ExpectTickRefreshes(v); }},
        {"failing tick", [&](const std::string& name) {
             const auto& [command, box] = kRefreshFailures[pick(std::size(kRefreshFailures))];
             const bool late = pick(2);
             v.Command(command), v.Tick();
             v.ExpectBox(box, name + ": tick with " + command, [&](HWND) {
                 if (late) v.Tick(), Sleep(300), ExpectEq(1, v.Boxes().size(), name + ": a tick failing alike, no box");
             });
             v.Command("fail Refresh off");
         }},
        {"progress", [&](const std::string&) {
             ProgressRow row = kProgressRows[pick(std::size(kProgressRows))];
             if (row.box) row.expectedMax = bar.expectedMax, row.expectedPosition = bar.expectedPosition;
             ExpectProgress(v, bar = row);
         }},
        {"resize", [&](const std::string& name) {
             SetWindowPos(main, {}, 0, 0, 760 + int(pick(400)), 300 + int(pick(400)), SWP_NOMOVE | SWP_NOZORDER);
             RECT c{};
             GetClientRect(main, &c);
             ExpectEq(RectText({0, c.bottom - layout.progressHeight, c.right, c.bottom}),
                      RectText(RectIn(Bar(v), main)), name + ": resized, the bar along the bottom");
         }},
        {"minimise", [&](const std::string& name) {
             SendBounded(pick(2) ? main : v.App(), WM_SYSCOMMAND, SC_MINIMIZE);
             Expect(WaitFor([&] { return IsIconic(v.App()) && !IsWindowVisible(main); }), name + ": minimised");
             PostMessageW(v.App(), WM_SYSCOMMAND, SC_RESTORE, 0);
             Expect(WaitFor([&] { return !IsIconic(v.App()) && IsWindowVisible(main); }), name + ": restored");
         }},
        {"session end", [&](const std::string& name) {
             Expect(SendBounded(v.App(), WM_QUERYENDSESSION) != 0, name + ": the viewer lets the session end");
             SendBounded(v.App(), WM_ENDSESSION, FALSE);
             Expect(!v.WaitExit(300) && Responds(main), name + ": the end called off, the viewer runs on");
         }},
        {"link", [&](const std::string& name) {
             const size_t label = pick(2), before = v.shellLog.Lines().size();
             Sleep(GetDoubleClickTime());  // or a click just after the last on the same label makes a double click
             Click(main, Centre(layout.labels[label]));
             Expect(WaitFor([&] { return v.shellLog.Lines().size() == before + 1; }),
                    name + ": a click on Label" + to_string(label + 1) + " opens the browser");
         }},
        {"Tab", [&](const std::string& name) {
             const HWND before = v.Focus();
             PressKey(VK_TAB);
             Expect(WaitFor([&] { return v.Focus() != before && (v.Focus() == Edit(v) || FocusInPage(v)); }, 3000),
                    name + ": Tab moves the focus on");
         }},
    };
    // clang-format on
    for (int step = 0; step < 40; ++step) {
        const std::string name = "step " + to_string(step);
        const auto& [kind, run] = kSteps[pick(std::size(kSteps))];
        std::printf("# %s: %s\n", name.c_str(), kind);
        // Wine sends typed keys to the window that X focuses, which follows an activation a moment later.
        if (kind == kSteps[0].first || kind == kSteps[8].first)
            SetForegroundWindow(main), WaitFor([&] { return v.Active() == main; }, 3000), Sleep(200);
        run(name);
        Sleep(150);
        for (HWND box : v.Boxes())
            Expect(false, name + ": no box it did not call for", v.Read(box).text), v.Dismiss(box);
    }
    Expect(Responds(main), "after the steps the viewer answers");
    ExpectEq(windows, v.TopLevels().size(), "after the steps top-level windows level");
    ExpectEq(refs, v.Command("query refs"), "after the steps references to the control level");
    ExpectClosed(v, "after the steps");
}

// clang-format off
constexpr std::pair<const char*, void (*)()> kScenarios[] = {
    {"startup", [] { StartupRows(std::size(kStartupRows)); }}, {"startup-refused", [] { StartupRows(1); }},
    {"lifecycle", ScenarioLifecycle}, {"layout", ScenarioLayout}, {"interaction", ScenarioInteraction},
    {"monitors", ScenarioMonitors}, {"components", ScenarioComponents}, {"random", ScenarioRandom},
    // The shipped build where it can differ from its twin: window tree, calls and events across the COM boundary.
    {"shipped", [] {
        Viewer v = Start({"shipped"});
        ExpectCalls(v, "start-up"), ExpectLayout(v), ExpectTickRefreshes(v), ExpectProgress(v, kProgressRows[1]);
        ExpectNestedBoxes(v), EditRows(v, kTenX), LinkRows(v), ExpectAccessible(v, [&] { ExpectClosed(v, "shipped"); });
    }},
    // What a screen reader finds; the shell takes its time over each address, as when it shows a dialog.
    {"accessible", [] {
        Viewer v = Start({"accessible", "", "SlowShell"});
        ExpectCalls(v, "start-up"), ExpectAccessible(v, [&] { ExpectClosed(v, "accessible"); });
    }},
};
// clang-format on

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 2; i < argc; ++i) {
        for (auto [name, value] : {std::pair{L"--exe", &options.exe}, std::pair{L"--work", &options.work},
                                   std::pair{L"--host", &options.host}, std::pair{L"--broker", &options.broker}})
            if (argv[i] == std::wstring(name) && i + 1 < argc) *value = argv[++i];
        options.withDouble = options.withDouble && argv[i] != std::wstring(L"--wine-control");
        options.injectable = options.injectable && argv[i] != std::wstring(L"--no-hook");
    }
    for (const auto& [name, run] : kScenarios)
        if (argc > 1 && Utf8(argv[1]) == name) return run(), FinishChecks();
    std::printf("usage: QbTestDriver SCENARIO --exe PATH --work DIR --host NAME --broker URL [OPTIONS]\n");
    return 2;
}
