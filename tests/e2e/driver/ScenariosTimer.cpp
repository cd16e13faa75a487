// The refresh timer: every tick of its hidden window reloads the page once,
// a failed reload is shown and the timer ticks on, also while a box is
// open; and one real countdown after the period is typed into Edit1.
#include "ErrorTexts.h"
#include "ExpectedLayout.h"
#include "MessageBoxes.h"
#include "Scenario.h"
#include "ShellRecords.h"
#include "Text.h"
#include "UserInput.h"
#include "ViewerEdit.h"
#include "WindowQuery.h"

namespace {

// Long enough for a tick that was going to reload or fail to have done so.
constexpr DWORD kSettleMs = 700;

class Reloads {
public:
    Reloads(Checker& check, AppProcess& app, DoubleLog& log, HWND timer)
        : check_(check), app_(app), log_(log), timer_(timer) {}
    long long Count() { return SendDoubleCommand(app_.Id(), "query refreshes", 2000).value_or(-1); }
    bool WaitCount(long long expected, DWORD timeoutMs) {
        return WaitUntil([&] { return Count() == expected; }, timeoutMs, 100);
    }
    void Tick() { PostMessageW(timer_, WM_TIMER, 1, 0); }
    // One tick that must reload exactly once, succeed and show nothing.
    void CleanTick(const std::string& when) {
        long long before = Count();
        Tick();
        bool reloaded = WaitCount(before + 1, 5000);
        Sleep(kSettleMs);
        check_.Equal(before + 1, Count(), "one Refresh per tick " + when);
        if (reloaded) check_.Equal("Refresh hr=00000000", LastRefresh(), "the tick's Refresh succeeded " + when);
        check_.Equal(0, static_cast<long long>(FindMessageBoxes(app_.Id()).size()), "no box after the tick " + when);
    }

private:
    std::string LastRefresh() const {
        std::string last;
        for (const std::string& line : log_.Lines())
            if (line.compare(0, 8, "Refresh ") == 0) last = line;
        return last;
    }

    Checker& check_;
    AppProcess& app_;
    DoubleLog& log_;
    HWND timer_;
};

struct RefreshFailure {
    const char* command;
    HRESULT code;              // for the platform's text when there is no description
    const wchar_t* described;  // the box's text when the failure carries a description
};

// The description loses trailing blanks, control characters and full stops;
// the error display then adds one full stop after anything above ".".
constexpr RefreshFailure kRefreshFailures[] = {
    {"failonce Refresh 80070005 Access is denied. ", 0, L"Access is denied."},
    {"failonce Refresh 80004005 Try again...", 0, L"Try again."},
    {"failonce Refresh 80004005 Stop!", 0, L"Stop!"},
    {"failonce Refresh 80004005", E_FAIL, nullptr},
    {"failonce Refresh 80070005", E_ACCESSDENIED, nullptr},
    {"failonce Refresh 80004005 ", E_FAIL, nullptr},
    {"failonce Refresh 80041234", HRESULT(0x80041234), nullptr},
};

// The box hides at once; its modal loop returns, and the main window is
// enabled again, a moment later. The viewer may not answer the double's
// commands in between.
bool WaitBoxGone(AppProcess& app) {
    return WaitUntil([&] { return IsWindowEnabled(app.MainWindow()) != FALSE; }, 5000, 100);
}

MessageBoxInfo NewBox(DWORD processId, HWND other, DWORD timeoutMs) {
    MessageBoxInfo found;
    WaitUntil([&] {
        for (const MessageBoxInfo& box : FindMessageBoxes(processId))
            if (box.window != other) {
                found = box;
                return true;
            }
        return false;
    }, timeoutMs, 100);
    return found;
}

void CheckFailedTick(Checker& check, AppProcess& app, Reloads& reloads, const RefreshFailure& failure) {
    std::string what = std::string("'") + failure.command + "'";
    check.Equal(1, SendDoubleCommand(app.Id(), failure.command, 2000).value_or(-1), "double takes " + what);
    std::wstring expected = failure.described ? failure.described : WithFullStop(OleErrorText(failure.code));
    long long before = reloads.Count();
    reloads.Tick();
    MessageBoxInfo box = WaitMessageBox(app.Id(), kBoxTimeoutMs);
    if (check.Expect(box.window != nullptr, "error box after a tick with " + what)) {
        if (!failure.described) check.Note("the platform's text for " + Hex8(failure.code) + ": " + Visible(expected));
        check.Equal(Visible(expected), Visible(box.text), "box text after " + what);
        check.Equal("Quellmark Brenvik", ToUtf8(box.caption), "box caption after " + what);
        check.Equal("stop", ToUtf8(box.icon), "box icon after " + what);
        check.Expect(DismissMessageBox(box.window), "box closes with OK after " + what);
        check.Expect(WaitBoxGone(app), "main window enabled again after " + what);
    }
    check.Equal(before + 1, reloads.Count(), "one Refresh for the failing tick with " + what);
    reloads.CleanTick("after " + what);
}

}  // namespace

void ScenarioTimer(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("timer"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    if (!check.Expect(main && timer, "main window and timer window exist")) return;
    Reloads reloads(check, *app, context.Log(), timer);
    check.Equal(0, reloads.Count(), "no Refresh before the first tick");
    for (int tick = 1; tick <= 3; ++tick) reloads.CleanTick("#" + std::to_string(tick));

    for (const RefreshFailure& failure : kRefreshFailures) CheckFailedTick(check, *app, reloads, failure);

    // The timer's hidden window is not disabled under a box, so the box's
    // own message loop runs the next tick, and its failure opens a second box.
    check.Equal(1, SendDoubleCommand(app->Id(), "fail Refresh 80070005 Access is denied. ", 2000).value_or(-1),
                "double takes a lasting failure");
    long long before = reloads.Count();
    reloads.Tick();
    MessageBoxInfo first = WaitMessageBox(app->Id(), kBoxTimeoutMs);
    if (check.Expect(first.window != nullptr, "first box after the failing tick")) {
        reloads.Tick();
        bool reloaded = reloads.WaitCount(before + 2, 5000);
        check.Expect(reloaded, "a tick reloads while the first box is open", std::to_string(before + 2),
                     std::to_string(reloads.Count()));
        MessageBoxInfo second = NewBox(app->Id(), first.window, kBoxTimeoutMs);
        if (check.Expect(second.window != nullptr, "a second box opens over the first")) {
            check.Equal("\"Access is denied.\"", Visible(second.text), "second box text");
            check.Expect(!IsWindowEnabled(first.window), "first box disabled while the second is open");
            check.Expect(DismissMessageBox(second.window), "second box closes with OK");
        }
        check.Equal(1, SendDoubleCommand(app->Id(), "fail Refresh off", 2000).value_or(-1), "double ends the failure");
        check.Expect(DismissMessageBox(first.window), "first box closes with OK");
        check.Expect(WaitBoxGone(*app), "main window enabled again after both boxes");
    }
    reloads.CleanTick("after both boxes");

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}

namespace {

constexpr DWORD kMinuteMs = 60000;
// The platform timer's tolerance on this side and that of the minute.
constexpr DWORD kEarlyMs = 5000;
constexpr DWORD kLateMs = 5000;
// When "01" is made out of "1": a restart then would move the reload this
// far past the minute.
constexpr DWORD kSamePeriodAtMs = 20000;
// When Label2 is clicked: a click that touched the countdown would move
// the reload this far past the minute.
constexpr DWORD kLinkClickAtMs = 40000;

}  // namespace

void ScenarioCountdown(Context& context) {
    Checker& check = context.Check();
    ShellRecords records(context.Opts().workDir + L"\\recorder-countdown.log");
    Launch launch = context.LaunchFor("countdown");
    launch.environment[L"QB_RECORDER_LOG"] = records.Path();
    auto app = context.Start(launch);
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    HWND edit = main ? FindEdit1(main) : nullptr;
    if (!check.Expect(main && timer && edit, "main window, timer window and Edit1 exist")) return;
    Reloads reloads(check, *app, context.Log(), timer);
    if (!check.Expect(FocusByClick(main, edit, app->ThreadId()), "a click gives Edit1 the focus")) return;

    TypeOver(edit, L"1");
    if (!check.Expect(WaitEditText(edit, L"1", 3000), "Edit1 shows the typed 1", "\"1\"", Visible(TextOf(edit)))) return;
    DWORD typed = GetTickCount();
    bool sameDone = false;
    bool clickDone = false;
    DWORD firstSeen = 0;
    while (GetTickCount() - typed < kMinuteMs + kLateMs + 2000) {
        if (!sameDone && GetTickCount() - typed >= kSamePeriodAtMs) {
            // The same period again: 01 minutes leaves the countdown running.
            PressKey(VK_HOME);
            TypeText(L"0");
            check.Expect(WaitEditText(edit, L"01", 3000), "Edit1 shows 01", "\"01\"", Visible(TextOf(edit)));
            sameDone = true;
        }
        if (!clickDone && GetTickCount() - typed >= kLinkClickAtMs) {
            const Box& label = ComputeLayout(ScreenPpi(), context.Opts().publisherHost).labels[1].box;
            Click(ScreenPoint(main, POINT{label.left + label.width / 2, label.top + label.height / 2}));
            clickDone = true;
        }
        if (reloads.Count() > 0) {
            firstSeen = GetTickCount() - typed;
            break;
        }
        Sleep(250);
    }
    check.Equal(0, static_cast<long long>(FindMessageBoxes(app->Id()).size()), "no box while typing 1 and 01 or after the click");
    check.Note("first Refresh " + std::to_string(firstSeen) + " ms after the 1 was typed");
    check.Expect(firstSeen >= kMinuteMs - kEarlyMs, "no Refresh in the first 55 s after typing 1",
                 ">= " + std::to_string(kMinuteMs - kEarlyMs) + " ms", std::to_string(firstSeen) + " ms");
    check.Expect(firstSeen > 0 && firstSeen <= kMinuteMs + kLateMs,
                 "a Refresh about a minute after typing 1, not moved by typing 01 or by a click on Label2",
                 "<= " + std::to_string(kMinuteMs + kLateMs) + " ms", std::to_string(firstSeen) + " ms");
    Sleep(kSettleMs);
    check.Equal(1, reloads.Count(), "exactly one Refresh in that minute");
    check.Equal(1, static_cast<long long>(records.Addresses().size()), "the click on Label2 during the minute reached the shell");

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
