// The soak: 1000 reload ticks and 5000 progress events, every 10th of them
// failing in turn, each error box read and closed; the viewer must run on,
// keep its handles and objects level, and end with nothing left of the
// browser control before COM goes.
#include "ErrorTexts.h"
#include "MessageBoxes.h"
#include "ResourceCounts.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <cstdio>

namespace {

constexpr int kTicks = 1000;
constexpr int kProgressEvents = 5000;
constexpr int kCalls = kTicks + kProgressEvents;
constexpr int kFailureEvery = 10;
// Calls between two ticks among those that do not fail: the 400 failing
// ticks and these 600 make the 1000.
constexpr int kTickSpacing = 9;
// The early sample comes after boxes of every kind have been shown, so that
// what the platform makes once for the first box is counted in it.
constexpr int kEarlySampleCall = 300;
// Handles and objects the platform may make on the way, such as a cached
// font or bitmap of a message box or a new thread of a COM service: a few,
// not one per call or per box, which would be hundreds here.
constexpr long long kTolerance = 8;
constexpr DWORD kCallTimeoutMs = 5000;

enum class Failure { descriptionRefresh, plainRefresh, negativeMax, count };

std::wstring Trimmed(std::wstring text) {
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    return text;
}

// Descriptions with what the viewer trims off their ends: blanks, control
// characters and full stops; and one ending in ")", which gets no full stop.
std::wstring Description(int call) {
    wchar_t text[96];
    switch (call / (kFailureEvery * int(Failure::count)) % 4) {
    case 0: swprintf(text, 96, L"Soak reload %d refused", call); break;
    case 1: swprintf(text, 96, L"Soak reload %d refused...", call); break;
    case 2: swprintf(text, 96, L"Soak reload %d refused \t. \r\n", call); break;
    default: swprintf(text, 96, L"Soak reload refused (call %d)", call); break;
    }
    return text;
}

std::optional<LRESULT> Command(HWND control, const std::string& command) {
    COPYDATASTRUCT data{};
    data.dwData = 1;
    data.cbData = DWORD(command.size());
    data.lpData = const_cast<char*>(command.data());
    LRESULT answer = 0;
    if (!SendBounded(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), kCallTimeoutMs, &answer))
        return std::nullopt;
    return answer;
}

HWND FindBox(DWORD processId) {
    for (HWND window : TopLevelWindowsOf(processId))
        if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) return window;
    return nullptr;
}

// A quicker look than WaitMessageBox's, which would take minutes over 600
// boxes: caption and text only, polled closely.
struct QuickBox {
    HWND window = nullptr;
    std::wstring caption, text;
};

QuickBox WaitBox(DWORD processId) {
    QuickBox box;
    WaitUntil([&] { return (box.window = FindBox(processId)) != nullptr; }, kBoxTimeoutMs, 2);
    if (!box.window) return box;
    // The box may be shown before its text control is filled in.
    WaitUntil([&] {
        HWND text = GetDlgItem(box.window, 0xFFFF);
        box.text = text ? TextOf(text) : L"";
        return !box.text.empty();
    }, 2000, 2);
    box.caption = TextOf(box.window);
    return box;
}

bool Dismiss(HWND box) {
    HWND button = GetDlgItem(box, IDOK);
    if (!button) return false;
    PostMessageW(button, BM_CLICK, 0, 0);
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000, 2);
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

class Soak {
public:
    Soak(Context& context, AppProcess& app, HWND control, HWND timer)
        : check_(context.Check()), app_(app), control_(control), timer_(timer) {}

    void Run() {
        int normal = 0;
        for (int call = 0; call < kCalls && app_.Running() && failed_ < 20; ++call) {
            if (call == kEarlySampleCall) Sample("early");
            if (call % kFailureEvery == kFailureEvery - 1)
                Fail(call, Failure(call / kFailureEvery % int(Failure::count)));
            else if (normal++ % kTickSpacing == 0)
                Tick(call);
            else
                Progress(call, false);
        }
        Sample("end");
        check_.Equal(kTicks, ticks_, "ticks posted");
        check_.Equal(kProgressEvents, progressEvents_, "progress events fired");
        check_.Equal(kCalls / kFailureEvery, boxes_, "error boxes shown and read");
        check_.Expect(failed_ == 0, "every call of the soak behaved", "0 failures", std::to_string(failed_));
    }

    ResourceCounts EarlySample() const { return early_; }
    ResourceCounts EndSample() const { return end_; }

private:
    void Miss(const std::string& what, const std::string& detail) {
        ++failed_;
        check_.Fail(what, detail);
    }

    bool WaitRefreshes(int expected) {
        LRESULT got = -1;
        bool reached = WaitUntil([&] {
            got = Command(control_, "query refreshes").value_or(-1);
            return got == expected;
        }, kCallTimeoutMs, 1);
        if (!reached) Miss("Refresh reached the double", "expected " + std::to_string(expected) + ", got " +
                                                              std::to_string(got));
        return reached;
    }

    void Tick(int call) {
        ++ticks_;
        PostMessageW(timer_, WM_TIMER, 1, 0);
        if (!WaitRefreshes(ticks_)) check_.Note("at call " + std::to_string(call));
    }

    void Progress(int call, bool negative) {
        ++progressEvents_;
        int progressMax = negative ? -1 - call % 1000 : 100 + call % 900;
        int progress = call % (negative ? 100 : progressMax + 1);
        std::string command = "progress " + std::to_string(progress) + " " + std::to_string(progressMax);
        if (negative) {
            // The box opens inside the event, so the command only returns
            // once the box is closed.
            SendDoubleCommand(app_.Id(), command, 0);
            return;
        }
        if (Command(control_, command).value_or(0) != 1) Miss("ProgressChange delivered", command);
    }

    void Fail(int call, Failure kind) {
        std::wstring expected;
        switch (kind) {
        case Failure::descriptionRefresh: {
            std::wstring description = Description(call);
            Command(control_, "failonce Refresh 80004005 " + ToUtf8(description));
            expected = WithFullStop(Trimmed(description));
            Tick(call);
            break;
        }
        case Failure::plainRefresh:
            Command(control_, "failonce Refresh 80004005");
            expected = WithFullStop(OleErrorText(E_FAIL));
            Tick(call);
            break;
        default:
            expected = L"TProgressBar property out of range.";
            Progress(call, true);
            break;
        }
        QuickBox box = WaitBox(app_.Id());
        std::string at = " at call " + std::to_string(call);
        if (!box.window) {
            Miss("error box" + at, "none came");
            return;
        }
        ++boxes_;
        if (box.caption != L"Quellmark Brenvik" || box.text != expected)
            Miss("error box" + at, "expected " + Visible(expected) + ", got " + Visible(box.caption) + ": " +
                                       Visible(box.text));
        // Icon and owner once per kind; the texts above for every box.
        if (call / kFailureEvery < int(Failure::count)) {
            std::vector<MessageBoxInfo> full = FindMessageBoxes(app_.Id());
            check_.Expect(full.size() == 1 && full[0].icon == L"stop" && full[0].owner == app_.ApplicationWindow(),
                          "first box of its kind: one box, stop icon, owned by the application window" + at);
        }
        if (!Dismiss(box.window)) Miss("error box closes" + at, "still open");
    }

    void Sample(const char* when) {
        ResourceCounts counts = SampleResources(app_.Id());
        check_.Note(std::string(when) + " sample: " + counts.Text());
        (std::string(when) == "early" ? early_ : end_) = counts;
    }

    Checker& check_;
    AppProcess& app_;
    HWND control_;
    HWND timer_;
    int ticks_ = 0;
    int progressEvents_ = 0;
    int boxes_ = 0;
    int failed_ = 0;
    ResourceCounts early_, end_;
};

void CheckLevel(Checker& check, const char* what, long long early, long long end) {
    if (early < 0 || end < 0) {
        check.Note(std::string(what) + ": not reported by the platform");
        return;
    }
    check.Expect(end <= early + kTolerance, std::string(what) + " level over the soak",
                 "at most " + std::to_string(early + kTolerance), std::to_string(end));
}

}  // namespace

void ScenarioSoak(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("soak"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    HWND control = DoubleControlWindow(app->Id());
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    if (!check.Expect(main && control && timer, "main window, double and timer window found")) return;
    LRESULT refsBefore = Command(control, "query refs").value_or(-1);
    DWORD start = GetTickCount();
    Soak soak(context, *app, control, timer);
    soak.Run();
    check.Note("soak took " + std::to_string((GetTickCount() - start) / 1000) + " s");
    check.Expect(app->Running(), "viewer alive after the soak");
    check.Equal(refsBefore, Command(control, "query refs").value_or(-1), "browser references after the soak");
    CheckLevel(check, "handles", soak.EarlySample().handles, soak.EndSample().handles);
    CheckLevel(check, "GDI objects", soak.EarlySample().gdiObjects, soak.EndSample().gdiObjects);
    CheckLevel(check, "USER objects", soak.EarlySample().userObjects, soak.EndSample().userObjects);
    CheckLevel(check, "windows", soak.EarlySample().windows, soak.EndSample().windows);

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
    std::vector<std::string> lines = context.Log().Lines();
    check.Equal(600, CountLines(lines, "Refresh hr=00000000"), "reloads that succeeded, in the double's log");
    check.Equal(400, CountLines(lines, "Refresh hr=80004005"), "reloads that failed, in the double's log");
    check.Equal(kProgressEvents, CountLines(lines, "Fired dispid=108 hr=00000000"),
                "progress events answered S_OK, in the double's log");
    check.Expect(context.Log().Find("FinalRelease com=initialised").has_value(),
                 "no browser reference left before CoUninitialize", "FinalRelease com=initialised",
                 std::to_string(lines.size()) + " lines, last " + (lines.empty() ? "" : lines.back()));
    check.Expect(!context.Log().Find("Shutdown refs=").has_value(), "no browser object alive at exit");
}
