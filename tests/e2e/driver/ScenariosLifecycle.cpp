// Start and end of the viewer: closing in order, the start-up show
// commands, the key offer to the browser, and Wine's own browser control.
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <cstdlib>

namespace {

// A hexadecimal field of a log line, such as "msg=0100"; -1 when missing.
long long HexField(const std::string& line, const std::string& name) {
    size_t at = line.find(name);
    if (at == std::string::npos) return -1;
    return std::strtoll(line.c_str() + at + name.size(), nullptr, 16);
}

constexpr RECT kMainRect{432, 69, 432 + 815, 69 + 536};

void ExpectExit(Checker& check, AppProcess& app, DWORD expected, const std::string& how) {
    auto code = app.WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after " + how)) check.Equal(expected, *code, "exit code after " + how);
}

// The order that teardown must keep: the browser object is gone before
// COM is uninitialised, so its last release still sees COM initialised.
void CheckTeardownLog(Checker& check, DoubleLog& log, const std::string& how) {
    const char* order[] = {"InPlaceDeactivate", "Unadvise", "SetClientSite site=0", "Close",
                           "FinalRelease com=initialised"};
    size_t from = 0;
    for (const char* step : order) {
        auto at = log.Find(step, from);
        if (!check.Expect(at.has_value(), std::string("double log has '") + step + "' in order after " + how,
                          "the step", log.Text()))
            return;
        from = *at + 1;
    }
}

struct CloseWay {
    const char* name;
    bool toApplication;
    UINT message;
    WPARAM wParam;
};

constexpr CloseWay kCloseWays[] = {
    {"WM_CLOSE to the main window", false, WM_CLOSE, 0},
    {"SC_CLOSE to the main window", false, WM_SYSCOMMAND, SC_CLOSE},
    {"WM_CLOSE to the application window", true, WM_CLOSE, 0},
};

}  // namespace

void ScenarioClose(Context& context) {
    Checker& check = context.Check();
    int run = 0;
    for (const CloseWay& way : kCloseWays) {
        auto app = context.Start(context.LaunchFor("close" + std::to_string(run++)));
        if (!app) return;
        HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
        if (!check.Expect(main != nullptr, std::string("main window shown before ") + way.name)) continue;
        HWND target = way.toApplication ? app->ApplicationWindow() : main;
        PostMessageW(target, way.message, way.wParam, 0);
        ExpectExit(check, *app, 0, way.name);
        if (context.Opts().withDouble) CheckTeardownLog(check, context.Log(), way.name);
    }
}

namespace {

struct ShowCase {
    const char* name;
    WORD command;
    bool maximised;
};

constexpr ShowCase kShowCases[] = {
    {"SW_SHOWMAXIMIZED", SW_SHOWMAXIMIZED, true},
    {"SW_SHOWMINIMIZED", SW_SHOWMINIMIZED, false},
    {"SW_SHOWNORMAL", SW_SHOWNORMAL, false},
};

}  // namespace

void ScenarioShowCommands(Context& context) {
    Checker& check = context.Check();
    for (const ShowCase& show : kShowCases) {
        Launch launch = context.LaunchFor(std::string("show-") + show.name);
        launch.showCommand = show.command;
        auto app = context.Start(launch);
        if (!app) return;
        HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
        if (!check.Expect(main != nullptr, std::string("main window shown after ") + show.name)) continue;
        Sleep(300);
        check.Equal(show.maximised, IsZoomed(main) != FALSE, std::string("main window maximised after ") + show.name);
        check.Expect(!IsIconic(main), std::string("main window not minimised after ") + show.name);
        if (show.maximised) {
            RECT work{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            RECT client = ClientRectOf(main);
            check.Expect(Width(client) >= Width(work) - 16, "maximised main window spans the work area",
                         std::to_string(Width(work)), std::to_string(Width(client)));
        } else {
            check.Equal(RectText(kMainRect), RectText(ScreenRectOf(main)),
                        std::string("main window at its designed place after ") + show.name);
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
        ExpectExit(check, *app, 0, std::string("WM_CLOSE after ") + show.name);
    }

    // Minimised without activation: only the application is minimised, and
    // restoring it shows the main window in its normal state.
    Launch launch = context.LaunchFor("show-minnoactive");
    launch.showCommand = SW_SHOWMINNOACTIVE;
    auto app = context.Start(launch);
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, false);
    HWND application = app->ApplicationWindow();
    if (!check.Expect(main && application, "main and application windows created after SW_SHOWMINNOACTIVE")) return;
    bool iconic = WaitUntil([&] { return IsIconic(application) != FALSE; }, 5000);
    Sleep(500);
    check.Expect(iconic, "application window minimised after SW_SHOWMINNOACTIVE");
    check.Expect(!IsWindowVisible(main), "main window hidden after SW_SHOWMINNOACTIVE");
    PostMessageW(application, WM_SYSCOMMAND, SC_RESTORE, 0);
    bool shown = WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 5000);
    if (check.Expect(shown, "SC_RESTORE to the application window shows the main window")) {
        Sleep(300);
        check.Expect(!IsIconic(main) && !IsZoomed(main), "restored main window in the normal state");
        check.Expect(!IsIconic(application), "application window no longer minimised");
        check.Equal(RectText(kMainRect), RectText(ScreenRectOf(main)), "restored main window at its designed place");
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    ExpectExit(check, *app, 0, "WM_CLOSE after the restore");
}

namespace {

void CheckKeyOffer(Checker& check, DoubleLog& log, size_t from, const std::string& how) {
    bool offered = WaitUntil([&] { return log.Find("TranslateAccelerator", from).has_value(); }, 5000);
    if (!check.Expect(offered, how + " offered to the browser's TranslateAccelerator", "a TranslateAccelerator line",
                      log.Text()))
        return;
    std::string line = log.Lines()[*log.Find("TranslateAccelerator", from)];
    check.Equal(WM_KEYDOWN, HexField(line, "msg="), how + ": the offer carries WM_KEYDOWN: " + line);
    check.Equal(VK_F5, HexField(line, "key="), how + ": the offer carries VK_F5: " + line);
}

}  // namespace

void ScenarioKeyOffer(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("key-offer"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window shown")) return;
    HWND host = FindDescendant(main, L"TWebBrowser");
    HWND page = host ? FindDescendant(host, L"QbBrowserDoublePage") : nullptr;
    if (!check.Expect(page != nullptr, "the browser's own window exists inside WebBrowser1")) return;
    // Posted to the browser's own window, which belongs to no control of the
    // viewer: the offer must go to its nearest ancestor that does.
    LPARAM keyData = 1 | (LPARAM(MapVirtualKeyW(VK_F5, MAPVK_VK_TO_VSC)) << 16);
    PostMessageW(page, WM_KEYDOWN, VK_F5, keyData);
    CheckKeyOffer(check, context.Log(), 0, "posted F5");

    check.Equal(0, static_cast<long long>(FindMessageBoxes(app->Id()).size()), "no message box after the key");
    PostMessageW(main, WM_CLOSE, 0, 0);
    ExpectExit(check, *app, 0, "WM_CLOSE");
}

void ScenarioWineBrowser(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("wine-browser"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    check.Expect(main != nullptr, "main window shown with Wine's browser control");
    // A box from a failing control would come within moments of the window.
    MessageBoxInfo box = WaitMessageBox(app->Id(), 3000);
    check.Expect(box.window == nullptr, "no message box", "none", box.window ? Visible(box.text) : "");
    if (main) {
        HWND host = FindDescendant(main, L"TWebBrowser");
        check.Expect(host && !ChildrenOf(host).empty(), "WebBrowser1 hosts a window of the browser control");
        PostMessageW(main, WM_CLOSE, 0, 0);
        ExpectExit(check, *app, 0, "WM_CLOSE");
    }
}
