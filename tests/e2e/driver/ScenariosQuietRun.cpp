// An ordinary short run for the no-writes check: start, a few reloads, a
// link click, a new period typed in, and close. The check itself compares
// the prefix before and after, outside the driver (no-writes.sh).
#include "Scenario.h"
#include "ShellRecords.h"
#include "Text.h"
#include "UserInput.h"
#include "ViewerEdit.h"
#include "WindowQuery.h"

namespace {

constexpr int kTicks = 3;
// Label2's top left corner in the client area at 96 pixels per inch, and a
// few pixels inside it.
constexpr POINT kLabel2Point{582, 6};

}  // namespace

void ScenarioQuietRun(Context& context) {
    Checker& check = context.Check();
    Launch launch = context.LaunchFor("quiet-run");
    ShellRecords shell(context.Opts().workDir + L"\\quiet-run-shell.log");
    launch.environment[L"QB_RECORDER_LOG"] = shell.Path();
    auto app = context.Start(launch);
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    if (!check.Expect(main && timer, "main window and timer window found")) return;
    for (int i = 0; i < kTicks; ++i) PostMessageW(timer, WM_TIMER, 1, 0);
    bool reloaded = WaitUntil([&] { return SendDoubleCommand(app->Id(), "query refreshes", 2000) == kTicks; }, 5000);
    check.Expect(reloaded, "the ticks reloaded the page", std::to_string(kTicks) + " reloads", context.Log().Text());
    BringToFront(main, 2000);
    Click(ScreenPoint(main, kLabel2Point));
    std::vector<std::string> addresses = shell.Settle(1);
    check.Equal(1, static_cast<long long>(addresses.size()), "the label click reached the shell: " + ListText(addresses));
    // A period other than the five minutes it starts with, which the viewer
    // must not keep anywhere.
    HWND edit = FindEdit1(main);
    if (check.Expect(edit != nullptr, "Edit1 found")) {
        SendBounded(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"7"), 2000);
        check.Expect(WaitEditText(edit, L"7", 2000), "Edit1 holds 7");
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
