// QbTestDriver: runs one scenario of the end-to-end tables against the viewer
// under Wine and prints a line per check.
//   QbTestDriver.exe SCENARIO --exe PATH --work DIR --host NAME --broker URL [--wine-control] [--no-hook]
#include "Harness.h"
#include "Layout.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace {

constexpr RECT kMainRect{432, 69, 432 + 815, 69 + 536};
constexpr char kOmitted[] = "10:80020004";

void Key(wchar_t key);  // a user's key, as the edit rows name them

std::string StartPage() { return "http://" + Utf8(options.host) + "/brenvik/OpenPositions.html"; }
std::string Home() { return "http://" + Utf8(options.host) + "/"; }
std::string Broker() { return Utf8(options.broker); }

HWND Edit(const Viewer& v) { return v.Control(L"Edit"); }
HWND Host(const Viewer& v) { return v.Control(L"TWebBrowser"); }
HWND Bar(const Viewer& v) { return v.Control(PROGRESS_CLASSW); }

// The page view has the focus when a window of the browser control inside
// the program's host window has it, not the empty host itself.
bool FocusInPage(const Viewer& v) {
    HWND focus = v.Focus(), host = Host(v);
    return focus && focus != host && IsChild(host, focus);
}

std::string Selection(HWND edit) {
    DWORD from = 0, to = 0;
    SendBounded(edit, EM_GETSEL, WPARAM(&from), LPARAM(&to));
    return std::to_string(from) + "-" + std::to_string(to);
}

void ExpectClosed(const Viewer& v, HWND target, UINT message, WPARAM wParam, const std::string& how) {
    DWORD start = GetTickCount();
    std::optional<DWORD> code = v.CloseAndWait(target, message, wParam);
    if (Expect(code.has_value(), how + ": the viewer ends")) ExpectEq(0, *code, how + ": exit code");
    DWORD took = GetTickCount() - start;
    Expect(took < 1000, how + ": the viewer ends within a second", std::to_string(took) + " ms");
    if (options.withDouble) ExpectTeardown(v, how);
}

// A row's log lines that came after `from`, joined.
std::string NewLines(const LogFile& log, size_t from, const char* prefix = "") {
    std::vector<std::string> lines = log.Lines();
    std::string joined;
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) joined += (joined.empty() ? "" : "; ") + lines[i];
    return joined;
}

// ---------------------------------------------------------------- start-up

struct StartupRow {
    const char* name;
    const char* doubleFail;
    const char* hookFault;
    const char* caption;
    const char* text;  // what the first box's text must contain
    DWORD exitCode;
    bool objectMade;
};

constexpr StartupRow kStartupRows[] = {
    {"creation refused", "CreateInstance=80040154", "", "Application Error", "Exception EOleSysError in module QuellmarkBrenvik.exe at ", 1, false},
    {"no in-place object", "NoInPlaceObject", "", "Application Error", "OLE control activation failed.", 1, true},
    {"activation fails", "DoVerb=80004005", "", "Application Error", " in module QuellmarkBrenvik.exe at ", 1, true},
    {"load fails", "Load=80004005", "", "Application Error", " in module QuellmarkBrenvik.exe at ", 1, true},
    {"class registration refused", "", "RegisterClass", "Error", "Runtime error 217 at ", 217, false},
    // The control cannot be activated without its event sink, so the join is
    // tried again there, but the saved state that loaded is not loaded again.
    {"event sink refused", "Advise=80004005", "", "Application Error", " in module QuellmarkBrenvik.exe at ", 1, true},
    {"timer refused", "", "SetTimer", "Application Error", "Error reading Timer1.OnTimer: Not enough timers available.", 1, true},
};

void StartupRows(size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const StartupRow& row = kStartupRows[i];
        if (*row.hookFault && !options.injectable) continue;
        Viewer v({"startup" + std::to_string(i), row.doubleFail, row.hookFault});
        // A load that fails may be reported by the error display first; the
        // start-up failure box must come all the same.
        std::optional<DWORD> code;
        std::string seen;
        bool found = false;
        WaitFor([&] {
            if (std::optional<Box> box = v.Boxes().empty() ? std::nullopt : v.WaitBox()) {
                seen += "[" + box->caption + ": " + box->text + "] ";
                found = found || (box->caption == row.caption && box->text.find(row.text) != std::string::npos);
                v.Dismiss(*box);
            }
            return (code = v.WaitExit(100)).has_value();
        }, 30000);
        Expect(found, std::string(row.name) + ": a box [" + row.caption + "] with [" + row.text + "]", seen);
        if (Expect(code.has_value(), std::string(row.name) + ": the viewer ends")) ExpectEq(row.exitCode, *code, std::string(row.name) + ": exit code");
        Expect(v.doubleLog.Count("Load size=156 cx=20981 cy=12091 hr=00000000") <= 1, std::string(row.name) + ": the saved state is loaded once at most");
        if (row.objectMade) Expect(v.doubleLog.Count("FinalRelease com=initialised") == 1, std::string(row.name) + ": the control is released while COM runs");
    }
}

void ScenarioStartup() { StartupRows(std::size(kStartupRows)); }
void ScenarioStartupRefused() { StartupRows(1); }

// ---------------------------------------------------------------- lifecycle

struct ShowRow {
    const char* name;
    WORD command;
    bool maximised, minimised;
};

constexpr ShowRow kShowRows[] = {
    {"SW_SHOWMAXIMIZED", SW_SHOWMAXIMIZED, true, false},
    {"SW_SHOWMINNOACTIVE", SW_SHOWMINNOACTIVE, false, true},
    {"SW_SHOWMINIMIZED", SW_SHOWMINIMIZED, false, false},
};

struct CloseRow {
    const char* name;
    bool toApplication;
    UINT message;
    WPARAM wParam;
};

constexpr CloseRow kCloseRows[] = {
    {"WM_CLOSE to the main window", false, WM_CLOSE, 0},
    {"SC_CLOSE to the main window", false, WM_SYSCOMMAND, SC_CLOSE},
    {"WM_CLOSE to the application window", true, WM_CLOSE, 0},
    {"WM_ENDSESSION to the application window", true, WM_ENDSESSION, TRUE},
};

void ExpectNormalAtDesign(const Viewer& v, const std::string& what) {
    HWND main = v.Main();
    RECT rect{};
    GetWindowRect(main, &rect);
    ExpectEq(RectText(kMainRect), RectText(rect), what + ": main window at its designed place");
    Expect(!IsZoomed(main) && !IsIconic(main), what + ": main window in the normal state");
}

// A window of the driver's own takes the activation away, as another
// program would.
struct Elsewhere {
    Elsewhere() : window(CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr)) {
        SetForegroundWindow(window);
        WaitFor([&] { return GetForegroundWindow() == window; }, 3000);
    }
    ~Elsewhere() { DestroyWindow(window); }
    HWND window;
};

void ScenarioLifecycle() {
    for (const ShowRow& row : kShowRows) {
        Viewer v({std::string("show-") + row.name, "", "", false, row.command});
        if (row.minimised) {
            WaitFor([&] { return v.App() && IsIconic(v.App()); });
            bool mainShown = false;
            for (HWND window : v.TopLevels()) mainShown = mainShown || (ClassOf(window) == L"TForm1" && IsWindowVisible(window));
            Expect(IsIconic(v.App()) && !mainShown, std::string(row.name) + ": only the minimised taskbar entry");
            PostMessageW(v.App(), WM_SYSCOMMAND, SC_RESTORE, 0);
            ExpectNormalAtDesign(v, std::string(row.name) + " then SC_RESTORE");
        } else if (row.maximised) {
            Expect(IsZoomed(v.Main()), std::string(row.name) + ": main window maximised");
        } else {
            ExpectNormalAtDesign(v, row.name);
        }
        ExpectClosed(v, v.Main(), WM_CLOSE, 0, row.name);
    }
    {
        Viewer v({"minimise"});
        SendBounded(v.Main(), WM_SYSCOMMAND, SC_MINIMIZE);
        Expect(WaitFor([&] { return IsIconic(v.App()) != FALSE; }), "SC_MINIMIZE on the main window minimises the application");
        PostMessageW(v.App(), WM_SYSCOMMAND, SC_RESTORE, 0);
        WaitFor([&] { return !IsIconic(v.App()); });
        ExpectNormalAtDesign(v, "SC_RESTORE after SC_MINIMIZE");
        // Activation through the taskbar reaches the application window first.
        Click(Edit(v), {5, 5});
        WaitFor([&] { return v.Focus() == Edit(v); });
        Elsewhere other;
        SetForegroundWindow(v.App());
        Expect(WaitFor([&] { return v.Focus() == Edit(v); }, 3000), "activation from the taskbar gives the focus back to Edit1");
        ExpectEq(Utf8(L"TForm1"), Utf8(ClassOf(v.Active())), "and the main window is active again");
        ExpectClosed(v, v.Main(), WM_CLOSE, 0, "after minimise and restore");
    }
    for (const CloseRow& row : kCloseRows) {
        Viewer v({std::string("close-") + std::to_string(&row - kCloseRows)});
        HWND main = v.Main();
        ExpectClosed(v, row.toApplication ? v.App() : main, row.message, row.wParam, row.name);
    }
}

// ---------------------------------------------------------------- layout

void ExpectLayout(const Viewer& v, const std::string& what) {
    Layout expected = ExpectedLayout(options.host);
    HWND main = v.Main();
    ExpectEq(RectText(expected.edit), RectText(RectIn(Edit(v), main)), what + ": Edit1");
    ExpectEq(RectText(expected.browser), RectText(RectIn(Host(v), main)), what + ": the page view");
    RECT client{};
    GetClientRect(main, &client);
    RECT bar{0, client.bottom - expected.progressHeight, client.right, client.bottom};
    ExpectEq(RectText(bar), RectText(RectIn(Bar(v), main)), what + ": ProgressBar1 along the bottom");
    if (HWND inner = GetWindow(Host(v), GW_CHILD)) {
        RECT host{}, control{};
        GetWindowRect(Host(v), &host);
        GetWindowRect(inner, &control);
        ExpectEq(RectText(host), RectText(control), what + ": the browser control fills the page view");
    }
    // Labels are drawn by the window itself: their ink tells where they are.
    SetForegroundWindow(main);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    Picture picture(main);
    LONG strip = expected.browser.top, editLeft = expected.edit.left, editRight = expected.edit.right;
    struct LabelRow {
        const char* name;
        RECT region;     // where nothing but this label draws
        RECT extent;     // where its caption must lie, or empty when its face may vary
        LONG left;
        size_t minimumGlyphs;
    };
    const LabelRow rows[] = {
        {"Label1", {expected.label1.left - 4, 0, expected.label2.left, strip}, expected.label1, expected.label1.left, 0},
        {"Label2", {expected.label2.left - 4, 0, picture.width, strip}, expected.label2, expected.label2.left, 0},
        {"Label3", {0, 0, editLeft, strip}, {}, expected.label3Left, 8},
        {"Label4", {editRight, 0, expected.label1.left, strip}, {}, expected.label4Left, 4},
    };
    for (const LabelRow& row : rows) {
        // A label the client area cuts is checked in the part that shows.
        if (row.region.left >= picture.width) continue;
        RECT extent = row.extent;
        extent.right = std::min(extent.right, LONG(picture.width));
        RECT ink = picture.InkBounds(row.region);
        std::string name = what + ": " + row.name;
        if (!Expect(ink.right > ink.left, name + " shows its caption")) continue;
        Expect(ink.left >= row.left && ink.left <= row.left + 3, name + " starts at its place", RectText(ink));
        if (extent.right > extent.left) {
            Expect(ink.top >= extent.top && ink.bottom <= extent.bottom && ink.right <= extent.right &&
                       ink.right >= extent.right - 4, name + " within its caption's extent " + RectText(extent), RectText(ink));
        } else {
            Expect(picture.DistinctGlyphs(row.region) >= row.minimumGlyphs, name + " shows letters, not boxes");
        }
    }
}

void ScenarioLayout() {
    Viewer v({"layout"});
    HWND main = v.Main();
    ExpectNormalAtDesign(v, "at every resolution");
    ExpectLayout(v, "layout");
    if (options.withDouble) Expect(v.doubleLog.Count("SetExtent") == 0, "the control keeps the saved extent it was given");
    Expect(FocusInPage(v), "at start the page view has the focus");
    if (!options.withDouble) {
        // What a user of Wine's own control meets: the edit keeps what was typed.
        Click(Edit(v), {5, 5});
        Key(L'\1');
        Type(L"10x");
        v.ExpectBox("'10x' is not a valid integer value.", "Wine's control: 10x");
        ExpectEq("3-3", Selection(Edit(v)), "Wine's control: after the box the caret stays behind the x");
    }
    ExpectClosed(v, main, WM_CLOSE, 0, "layout");
}

// ---------------------------------------------------------------- interaction

struct ProgressRow {
    int progress, max;
    int expectedMax, expectedPosition;
    const char* box;
};

constexpr ProgressRow kProgressRows[] = {
    {30, 100, 100, 30, nullptr},
    {150, 200, 200, 150, nullptr},
    {250, 200, 200, 200, nullptr},  // the platform control holds the position in range
    {-5, 200, 200, 0, nullptr},
    {10, -1, 200, 0, "TProgressBar property out of range."},
    {0, 0, 0, 0, nullptr},
};

struct RefreshFailureRow {
    const char* command;
    const char* box;
};

constexpr RefreshFailureRow kRefreshFailureRows[] = {
    {"fail Refresh 80004005 Page not found.. \t", "Page not found."},
    {"fail Refresh 80004005", "Call failed."},  // Wine's text for E_FAIL
    {"fail Refresh 8abcdef0", "OLE error 8ABCDEF0."},
    {"fail Refresh 80004005 Who?", "Who?."},
};

// Keys as a user presses them: \1 selects the whole text (End, Shift+Home),
// \2 is Home, \3 is End, \b is Backspace; the rest are typed.
struct EditRow {
    const wchar_t* keys;
    const char* text;
    const char* box;     // the last box the keys bring, if any
    const char* timers;  // the timer calls of the last key
};

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

void Key(wchar_t key) {
    switch (key) {
    case L'\1': PressKey(VK_END); PressKey(VK_HOME, true); break;
    case L'\2': PressKey(VK_HOME); break;
    case L'\3': PressKey(VK_END); break;
    case L'\b': PressKey(VK_BACK); break;
    default: Type(std::wstring(1, key));
    }
}

// Each key of a row may bring a box on the way; only the last one is the row's.
void EditRows(const Viewer& v) {
    HWND edit = Edit(v);
    Click(edit, {5, 5});
    for (const EditRow& row : kEditRows) {
        std::string name = std::string("Edit1 text [") + row.text + "]";
        size_t timersFrom = 0;
        for (const wchar_t* k = row.keys; *k; ++k) {
            timersFrom = v.hookLog.Lines().size();
            Key(*k);
            if (!k[1]) break;
            Sleep(100);
            for (HWND open : v.Boxes()) v.Dismiss({open});
        }
        if (row.box) {
            v.ExpectBox(row.box, name);
            Expect(WaitFor([&] { return v.Focus() == edit; }), name + ": focus back in Edit1 after the box");
            size_t end = TextOf(edit).size();
            ExpectEq(std::to_string(end) + "-" + std::to_string(end), Selection(edit), name + ": caret where it was, nothing selected");
        } else {
            Sleep(200);
            Expect(v.Boxes().empty(), name + ": no box");
        }
        ExpectEq(row.text, Utf8(TextOf(edit)), name + ": text as typed");
        if (options.injectable) ExpectEq(row.timers, NewLines(v.hookLog, timersFrom), name + ": timer calls");
    }
    // A click applies the text again: an invalid one shows its box again.
    Click(edit, {5, 5});
    v.ExpectBox("' 3 ' is not a valid integer value.", "click on Edit1 with an invalid text");
}

struct LinkRow {
    const char* name;
    int label;  // 1 or 2
    enum { kClick, kDoubleClick, kRightClick, kDragOff } gesture;
    bool opens;
};

constexpr LinkRow kLinkRows[] = {
    {"click on Label1", 1, LinkRow::kClick, true},
    {"click on Label2", 2, LinkRow::kClick, true},
    {"double click on Label2", 2, LinkRow::kDoubleClick, true},
    {"right click on Label1", 1, LinkRow::kRightClick, false},
    {"press on Label2, release off it", 2, LinkRow::kDragOff, false},
};

POINT LabelCentre(const Layout& layout, int label) {
    const RECT& r = label == 1 ? layout.label1 : layout.label2;
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

HCURSOR CursorOver(HWND main, POINT client) {
    ClientToScreen(main, &client);
    SetCursorPos(client.x, client.y);
    Sleep(200);
    CURSORINFO info{sizeof info};
    GetCursorInfo(&info);
    return info.hCursor;
}

void LinkRows(const Viewer& v) {
    Layout layout = ExpectedLayout(options.host);
    HWND main = v.Main();
    for (const LinkRow& row : kLinkRows) {
        size_t before = v.shellLog.Lines().size(), calls = v.hookLog.Lines().size();
        POINT at = LabelCentre(layout, row.label);
        if (row.gesture == LinkRow::kDragOff) {
            POINT away{at.x, layout.browser.top + 40};
            ClientToScreen(main, &away);
            Drag(main, at, away);
        } else {
            Click(main, at, row.gesture != LinkRow::kRightClick);
            if (row.gesture == LinkRow::kDoubleClick) Click(main, at);
        }
        std::string address = row.label == 1 ? Broker() : Home();
        if (row.opens) WaitFor([&] { return v.shellLog.Lines().size() > before; });
        Sleep(row.opens ? 500 : 1500);
        std::vector<std::string> opened = v.shellLog.Lines();
        ExpectEq(row.opens ? 1 : 0, long(opened.size() - before), std::string(row.name) + ": times the browser opens");
        if (row.opens && opened.size() > before)
            Expect(opened.back().find(" \"" + address + "\"") != std::string::npos, std::string(row.name) + ": the address", opened.back());
        if (row.opens && options.injectable)
            ExpectEq("ShellExecuteA owner=TForm1 verb=null file=[" + address + "] parameters=null directory=null show=1",
                     NewLines(v.hookLog, calls, "ShellExecuteA"), std::string(row.name) + ": the shell call");
    }
    HCURSOR strip = CursorOver(main, {(layout.label1.left + layout.edit.right) / 2, 4});
    const struct {
        const char* name;
        POINT at;
        bool hand;
    } cursors[] = {
        {"Label1", LabelCentre(layout, 1), true},
        {"Label2", LabelCentre(layout, 2), true},
        {"Label3", {layout.label3Left + 10, 6}, false},
        {"Label4", {layout.label4Left + 6, 6}, false},
    };
    for (const auto& row : cursors)
        Expect((CursorOver(main, row.at) != strip) == row.hand, std::string("pointer over ") + row.name + (row.hand ? " is the hand" : " stays the arrow"));
}

void ScenarioInteraction() {
    Viewer v({"interaction", "", "", true});
    HWND main = v.Main();
    std::string navigate = "Navigate url=" + StartPage() + " flags=" + kOmitted + " target=" + kOmitted +
                           " postdata=" + kOmitted + " headers=" + kOmitted;
    ExpectEq(1, long(v.doubleLog.Count(navigate)), "one Navigate of the start page with omitted arguments");
    ExpectEq(1, long(v.doubleLog.Count("Load size=156 cx=20981 cy=12091")), "the saved state loaded once");
    ExpectEq(1, long(v.doubleLog.Count("Ambient dispid=-5512 hr=80020003")), "an ambient property the site lacks is not found");
    if (options.injectable) ExpectEq(1, long(v.hookLog.Count("SetTimer id=1 period=300000")), "the refresh timer armed at five minutes");

    // Keys: the page first, then Tab to Edit1 and back.
    Expect(WaitFor([&] { return FocusInPage(v); }), "at start the page view has the focus");
    PressKey(VK_F5);
    WaitFor([&] { return v.doubleLog.Count("TranslateAccelerator msg=100 key=74") > 0; }, 3000);
    ExpectEq(1, long(v.doubleLog.Count("TranslateAccelerator msg=100 key=74 hr=00000000")), "F5 offered to the control and claimed");
    PostMessageW(v.Focus(), 0x0109, 'a', 0);  // WM_UNICHAR lies past the key range
    PressKey(VK_TAB);
    Expect(WaitFor([&] { return v.Focus() == Edit(v); }), "Tab moves to Edit1");
    ExpectEq("0-1", Selection(Edit(v)), "Tab into Edit1 selects its whole text");
    ExpectEq(0, long(v.doubleLog.Count("TranslateAccelerator msg=109")), "WM_UNICHAR is not offered");
    PressKey(VK_TAB);
    Expect(WaitFor([&] { return FocusInPage(v); }), "Tab moves on into the page");

    for (const ProgressRow& row : kProgressRows) {
        std::string name = "ProgressChange " + std::to_string(row.progress) + " of " + std::to_string(row.max);
        // The event's answer waits for the box it brings.
        LRESULT answer = v.CommandDuring("progress " + std::to_string(row.progress) + " " + std::to_string(row.max),
                                         [&] { if (row.box) v.ExpectBox(row.box, name); });
        ExpectEq(1, long(answer), name + " answered S_OK");
        ExpectEq(row.expectedMax, long(SendBounded(Bar(v), PBM_GETRANGE, FALSE, 0)), name + ": bar maximum");
        ExpectEq(row.expectedPosition, long(SendBounded(Bar(v), PBM_GETPOS)), name + ": bar position");
    }

    long refreshes = long(v.Command("query refreshes"));
    v.Tick();
    Expect(WaitFor([&] { return long(v.Command("query refreshes")) == refreshes + 1; }), "a tick reloads the page once");
    for (const RefreshFailureRow& row : kRefreshFailureRows) {
        v.Command(row.command);
        v.Tick();
        v.ExpectBox(row.box, std::string("tick with ") + row.command);
        Expect(WaitFor([&] { return IsWindowEnabled(main) && v.Active() == main; }), std::string(row.command) + ": main window enabled and active again");
    }
    // The timer's window is not disabled by a box: a second tick opens a second box over the first.
    v.Tick();
    std::optional<Box> first = v.WaitBox();
    v.Tick();
    std::optional<Box> second = v.WaitBox(2);
    if (Expect(first && second && first->window != second->window, "a second box opens while one is open")) {
        Expect(!IsWindowEnabled(first->window) && !IsWindowEnabled(main), "the first box and the main window are disabled meanwhile");
        Expect(GetWindow(second->window, GW_OWNER) == v.App(), "the box is owned by the application window");
        v.Dismiss(*second);
        v.Dismiss(*first);
    }
    v.Command("fail Refresh off");
    Expect(WaitFor([&] { return IsWindowEnabled(main) && v.Active() == main; }), "after both boxes the main window is enabled and active");

    EditRows(v);
    LinkRows(v);
    ExpectEq(0, long(v.doubleLog.Count("Load")) - 1, "no second Load over the whole run");
    ExpectClosed(v, main, WM_CLOSE, 0, "after the interaction");
}

// ---------------------------------------------------------------- long runs

void ScenarioCountdown() {
    Viewer v({"countdown", "", "", true});
    Click(Edit(v), {5, 5});
    Key(L'\1');
    long before = long(v.Command("query refreshes"));
    Type(L"1");
    DWORD armed = GetTickCount();
    Expect(WaitFor([&] { return long(v.Command("query refreshes")) > before; }, 70000), "a reload comes after one minute");
    DWORD elapsed = GetTickCount() - armed;
    Expect(elapsed > 59000 && elapsed < 62000, "the first reload a minute after the keystroke", std::to_string(elapsed) + " ms");
    ExpectClosed(v, v.Main(), WM_CLOSE, 0, "after the countdown");
}

// Many seeded random steps through every input the viewer takes: only known
// boxes come, only the two addresses reach the shell, and the viewer's
// windows and the control's references are level at the end.
void ScenarioLongRun() {
    Viewer v({"long-run", "", "", true});
    HWND main = v.Main();
    Layout layout = ExpectedLayout(options.host);
    std::mt19937 random(20261207);
    size_t windows = v.TopLevels().size();
    long refs = long(v.Command("query refs"));
    const char* known[] = {"is not a valid integer value.", "minutes from 0 to 71582.", "property out of range.", "Random failure."};
    int unknown = 0, boxes = 0;
    for (int step = 0; step < 400; ++step) {
        switch (random() % 6) {
        case 0: v.Tick(); break;
        case 1: v.Command("progress " + std::to_string(int(random() % 300) - 50) + " " + std::to_string(int(random() % 300) - 20)); break;
        case 2: v.Command(random() % 2 ? "fail Refresh 80004005 Random failure" : "fail Refresh off"); break;
        case 3: Click(Edit(v), {5, 5}); Type(std::wstring(1, L"0123456789x $-"[random() % 14])); break;
        case 4: Click(main, LabelCentre(layout, 1 + int(random() % 2)), random() % 4 != 0); break;
        default: PressKey(random() % 2 ? VK_TAB : VK_BACK); break;
        }
        Sleep(20);
        for (HWND open : v.Boxes()) {
            std::string text = v.Read(open).text;
            bool ok = false;
            for (const char* k : known) ok = ok || text.find(k) != std::string::npos;
            unknown += !ok;
            boxes++;
            v.Dismiss({open});
        }
    }
    ExpectEq(0, unknown, "only known boxes among " + std::to_string(boxes));
    for (const std::string& line : v.shellLog.Lines())
        Expect(line.find(Broker()) != std::string::npos || line.find(Home()) != std::string::npos, "only the two addresses reach the shell", line);
    v.Command("fail Refresh off");
    ExpectEq(long(windows), long(v.TopLevels().size()), "top-level windows level");
    ExpectEq(refs, long(v.Command("query refs")), "references to the control level");
    ExpectClosed(v, main, WM_CLOSE, 0, "after the long run");
}

// The shipped build where it can differ from its twin: the window tree,
// the control's calls and events across the COM boundary, and teardown.
void ScenarioShipped() {
    Viewer v({"shipped"});
    ExpectLayout(v, "shipped");
    long refreshes = long(v.Command("query refreshes"));
    v.Tick();
    Expect(WaitFor([&] { return long(v.Command("query refreshes")) == refreshes + 1; }), "shipped: a tick reloads the page once");
    const ProgressRow& progress = kProgressRows[1];
    ExpectEq(1, long(v.Command("progress " + std::to_string(progress.progress) + " " + std::to_string(progress.max))), "shipped: ProgressChange answered S_OK");
    ExpectEq(progress.expectedMax, long(SendBounded(Bar(v), PBM_GETRANGE, FALSE, 0)), "shipped: bar maximum");
    ExpectEq(progress.expectedPosition, long(SendBounded(Bar(v), PBM_GETPOS)), "shipped: bar position");
    Click(Edit(v), {5, 5});
    Key(L'\1');
    Type(L"10x");
    v.ExpectBox("'10x' is not a valid integer value.", "shipped: 10x");
    Expect(WaitFor([&] { return v.Focus() == Edit(v); }), "shipped: focus back in Edit1 after the box");
    LinkRows(v);
    ExpectClosed(v, v.Main(), WM_CLOSE, 0, "shipped");
}

struct Scenario {
    const char* name;
    void (*run)();
};

constexpr Scenario kScenarios[] = {
    {"startup", ScenarioStartup},         {"startup-refused", ScenarioStartupRefused},
    {"lifecycle", ScenarioLifecycle},     {"layout", ScenarioLayout},
    {"interaction", ScenarioInteraction},
    {"countdown", ScenarioCountdown},     {"long-run", ScenarioLongRun},
    {"shipped", ScenarioShipped},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        auto value = [&] { return i + 1 < argc ? std::wstring(argv[++i]) : std::wstring(); };
        if (arg == L"--exe") options.exe = value();
        else if (arg == L"--work") options.work = value();
        else if (arg == L"--host") options.host = value();
        else if (arg == L"--broker") options.broker = value();
        else if (arg == L"--wine-control") options.withDouble = false;
        else if (arg == L"--no-hook") options.injectable = false;
    }
    for (const Scenario& scenario : kScenarios)
        if (argc > 1 && Utf8(argv[1]) == scenario.name) {
            scenario.run();
            return FinishChecks();
        }
    std::printf("usage: QbTestDriver SCENARIO --exe PATH --work DIR --host NAME --broker URL [--wine-control] [--no-hook]\n");
    return 2;
}
