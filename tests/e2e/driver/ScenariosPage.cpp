// The page view: the one navigation to the start page, and the progress bar
// that follows the browser's ProgressChange events.
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <commctrl.h>

namespace {

// How the double logs an omitted optional argument: VT_ERROR (10) carrying
// DISP_E_PARAMNOTFOUND.
constexpr char kOmitted[] = "10:80020004";

struct BarState {
    long long low = -1, high = -1, position = -1;
};

std::string BarText(const BarState& state) {
    return std::to_string(state.low) + ".." + std::to_string(state.high) + " at " + std::to_string(state.position);
}

BarState ReadBar(HWND bar) {
    // PBM_GETRANGE answers the low end for TRUE and the high end for FALSE;
    // without a PBRANGE pointer nothing needs marshalling between processes.
    LRESULT low = -1, high = -1, position = -1;
    SendBounded(bar, PBM_GETRANGE, TRUE, 0, 2000, &low);
    SendBounded(bar, PBM_GETRANGE, FALSE, 0, 2000, &high);
    SendBounded(bar, PBM_GETPOS, 0, 0, 2000, &position);
    return {static_cast<int>(low), static_cast<int>(high), static_cast<int>(position)};
}

struct ProgressCase {
    int progress;
    int progressMax;
    BarState expected;
    const char* why;
};

// In order: each row starts from the bar the previous rows left. A
// position outside the range is held inside it by the platform control.
constexpr ProgressCase kProgressCases[] = {
    {500, 1000, {0, 1000, 500}, "half of a new range"},
    {900, 1000, {0, 1000, 900}, "same range, position only"},
    {50, 100, {0, 100, 50}, "range changed before the position"},
    {-1, 100, {0, 100, 0}, "negative progress shows an empty bar"},
    {150, 100, {0, 100, 100}, "progress above the maximum shows a full bar"},
    {0, 0, {0, 0, 0}, "empty range"},
    {40, 100, {0, 100, 40}, "a range again after the empty one"},
    {30, -1, {0, 100, 40}, "negative maximum refused, nothing changed"},
    {70, 200, {0, 200, 70}, "next pair after the refusal applied normally"},
    {2147483647, 2147483647, {0, 2147483647, 2147483647}, "the largest 32-bit pair"},
};

constexpr char kRangeMessage[] = "TProgressBar property out of range.";

}  // namespace

void ScenarioPage(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("page"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window shown")) return;
    DoubleLog& log = context.Log();

    std::string expectedNavigate = "Navigate url=http://" + ToUtf8(context.Opts().publisherHost) +
                                   "/brenvik/OpenPositions.html flags=" + kOmitted + " target=" + kOmitted +
                                   " postdata=" + kOmitted + " headers=" + kOmitted;
    auto navigate = log.Find("Navigate ");
    if (check.Expect(navigate.has_value(), "start page requested", "a Navigate line", log.Text()))
        check.Equal(expectedNavigate, log.Lines()[*navigate], "Navigate URL and its four omitted arguments");
    auto navigates = SendDoubleCommand(app->Id(), "query navigates", 2000);
    check.Equal(1, navigates.value_or(-1), "Navigate calls after start-up");

    HWND bar = FindDescendant(main, L"msctls_progress32");
    if (!check.Expect(bar != nullptr, "ProgressBar1 exists")) return;
    check.Equal(BarText({0, 100, 0}), BarText(ReadBar(bar)), "bar before any progress event");

    for (const ProgressCase& item : kProgressCases) {
        std::string pair = "ProgressChange(" + std::to_string(item.progress) + ", " + std::to_string(item.progressMax) + ")";
        size_t linesBefore = log.Lines().size();
        std::string command = "progress " + std::to_string(item.progress) + " " + std::to_string(item.progressMax);
        bool refused = item.progressMax < 0;
        // A refused range opens a box inside the event call, which then
        // returns only when the box is closed.
        auto answer = SendDoubleCommand(app->Id(), command, refused ? 500 : 3000);
        if (refused) {
            MessageBoxInfo box = WaitMessageBox(app->Id(), kBoxTimeoutMs);
            if (check.Expect(box.window != nullptr, "error box after " + pair)) {
                check.Equal(kRangeMessage, ToUtf8(box.text), "error box text after " + pair);
                check.Equal("Quellmark Brenvik", ToUtf8(box.caption), "error box caption after " + pair);
                check.Equal("stop", ToUtf8(box.icon), "error box icon after " + pair);
                check.Equal(BarText(item.expected), BarText(ReadBar(bar)), "bar while the box is open: " + std::string(item.why));
                check.Expect(DismissMessageBox(box.window), "error box closes with OK");
                // The box's modal loop returns a moment after it hides.
                check.Expect(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 5000),
                             "main window enabled again after " + pair);
            }
            // The browser never sees the failure: its event call succeeded.
            bool fired = WaitUntil([&] { return log.Find("Fired dispid=108", linesBefore).has_value(); }, 3000);
            if (check.Expect(fired, "event call returned after " + pair, "a Fired line", log.Text()))
                check.Equal("Fired dispid=108 hr=00000000", log.Lines()[*log.Find("Fired dispid=108", linesBefore)],
                            "event call answered S_OK despite the refusal");
        } else {
            check.Equal(1, answer.value_or(-1), "double fired " + pair);
            auto box = FindMessageBoxes(app->Id());
            check.Equal(0, static_cast<long long>(box.size()), "no error box after " + pair);
        }
        check.Equal(BarText(item.expected), BarText(ReadBar(bar)), "bar after " + pair + ": " + item.why);
    }

    // A reload goes through Refresh, never through a second Navigate.
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    if (check.Expect(timer != nullptr, "timer window exists")) {
        PostMessageW(timer, WM_TIMER, 1, 0);
        WaitUntil([&] { return SendDoubleCommand(app->Id(), "query refreshes", 2000).value_or(0) >= 1; }, 5000);
        check.Equal(1, SendDoubleCommand(app->Id(), "query refreshes", 2000).value_or(-1), "Refresh calls after a tick");
    }
    check.Equal(1, SendDoubleCommand(app->Id(), "query navigates", 2000).value_or(-1), "Navigate calls at the end");
    size_t navigateLines = 0;
    for (const std::string& line : log.Lines()) navigateLines += line.compare(0, 9, "Navigate ") == 0;
    check.Equal(1, static_cast<long long>(navigateLines), "Navigate lines in the double's log at the end");

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
