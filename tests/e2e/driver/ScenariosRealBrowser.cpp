// The viewer with Wine's own browser control against a local web server:
// the start page's request reaches the server once, a reload tick is shown
// as the control's failure, and the viewer closes normally.
#include "ErrorTexts.h"
#include "Files.h"
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <commctrl.h>

#include <sstream>
#include <vector>

namespace {

// The server that real-browser.sh starts writes one line per request:
// "<seconds> <method> <path>".
std::vector<std::string> Requests(const std::wstring& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(path).value_or(""));
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) lines.push_back(line.substr(line.find(' ') + 1));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text = "[";
    for (size_t i = 0; i < lines.size(); ++i) text += (i ? ", " : "") + lines[i];
    return text + "]";
}

constexpr char kStartRequest[] = "GET /brenvik/OpenPositions.html";
// Time for a request the control might still make, such as a second one.
constexpr DWORD kQuietMs = 3000;

}  // namespace

void ScenarioRealBrowser(Context& context) {
    Checker& check = context.Check();
    std::wstring requestLog = context.Opts().workDir + L"\\http-requests.log";
    if (!check.Expect(ReadWholeFile(requestLog).has_value(), "the page server runs", "its request log",
                      "no " + ToUtf8(requestLog)))
        return;
    check.Equal("[]", Joined(Requests(requestLog)), "no request before the viewer starts");
    auto app = context.Start(context.LaunchFor("real-browser"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window shown with Wine's browser control")) return;

    bool requested = WaitUntil([&] { return !Requests(requestLog).empty(); }, 10000, 100);
    check.Expect(requested, "the start page's request reaches the server");
    Sleep(kQuietMs);
    check.Equal(Joined({kStartRequest}), Joined(Requests(requestLog)), "requests at start-up");
    auto boxes = FindMessageBoxes(app->Id());
    check.Equal(0, static_cast<long long>(boxes.size()), "no box at start-up");

    // Wine's control hosted without its HTML engine answers Refresh with
    // E_FAIL: it holds no document, though it sent the request.
    HWND timer = FindTopLevel(app->Id(), L"TPUtilWindow");
    if (check.Expect(timer != nullptr, "timer window exists")) {
        PostMessageW(timer, WM_TIMER, 1, 0);
        MessageBoxInfo box = WaitMessageBox(app->Id(), kBoxTimeoutMs);
        if (check.Expect(box.window != nullptr, "error box after a tick")) {
            check.Note("the box after a tick says " + Visible(box.text));
            check.Equal(Visible(WithFullStop(OleErrorText(E_FAIL))), Visible(box.text), "box text after a tick");
            check.Equal("Quellmark Brenvik", ToUtf8(box.caption), "box caption after a tick");
            check.Equal("stop", ToUtf8(box.icon), "box icon after a tick");
            check.Expect(DismissMessageBox(box.window), "box closes with OK");
        }
        check.Expect(app->Running(), "viewer runs on after the failed reload");
        Sleep(kQuietMs);
        check.Equal(Joined({kStartRequest}), Joined(Requests(requestLog)), "requests after the tick");
    }

    // Whatever progress the control reported, the bar holds it in range.
    if (HWND bar = FindDescendant(main, L"msctls_progress32")) {
        LRESULT low = 0, high = 0, position = 0;
        SendBounded(bar, PBM_GETRANGE, TRUE, 0, 2000, &low);
        SendBounded(bar, PBM_GETRANGE, FALSE, 0, 2000, &high);
        SendBounded(bar, PBM_GETPOS, 0, 0, 2000, &position);
        check.Note("bar after the load: " + std::to_string(int(low)) + ".." + std::to_string(int(high)) + " at " +
                   std::to_string(int(position)));
        check.Expect(int(low) <= int(position) && int(position) <= int(high), "bar position within its range");
    }

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
