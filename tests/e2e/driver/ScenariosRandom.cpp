// The random-input run: clicks, keys, pastes of random and very long texts
// into Edit1, resizes, minimise and restore, ticks and progress events, for
// a bounded time from a printed seed. The viewer must never die, every box
// it shows must be one it is meant to show, and the shell must see only the
// two link addresses.
//   QB_RANDOM_SECONDS  how long (default 90)
//   QB_RANDOM_SEED     the seed (default below); the run prints the one used
#include "ErrorTexts.h"
#include "MessageBoxes.h"
#include "Scenario.h"
#include "ShellRecords.h"
#include "Text.h"
#include "UserInput.h"
#include "ViewerEdit.h"
#include "WindowQuery.h"

#include <cstdlib>
#include <cstring>
#include <iterator>
#include <random>

namespace {

constexpr unsigned kDefaultSeed = 20261206;
constexpr DWORD kDefaultSeconds = 90;
constexpr wchar_t kCaption[] = L"Quellmark Brenvik";
constexpr wchar_t kRangeText[] = L"The refresh period must be a whole number of minutes from 0 to 71582.";
constexpr wchar_t kProgressText[] = L"TProgressBar property out of range.";
constexpr wchar_t kRefreshDescription[] = L"Random reload refused";
// Where the link labels sit in the main window's client area at 96 pixels
// per inch, a few pixels inside their top left corners.
constexpr POINT kLabel1Point{350, 8};
constexpr POINT kLabel2Point{582, 6};
// Keys that cannot close the window or open its system menu: no Alt, no F10.
constexpr WORD kKeys[] = {VK_BACK, VK_DELETE, VK_LEFT, VK_RIGHT, VK_HOME, VK_END,
                          VK_TAB,  VK_RETURN, VK_ESCAPE, VK_SPACE, VK_F5};
constexpr size_t kSeenTexts = 64;
constexpr wchar_t kTypable[] = L"0123456789+-$xXabcfz ";

DWORD FromEnvironment(const wchar_t* name, DWORD fallback) {
    wchar_t value[32] = {};
    DWORD length = GetEnvironmentVariableW(name, value, 32);
    return length > 0 && length < 32 ? DWORD(std::wcstoul(value, nullptr, 10)) : fallback;
}

enum class Action { click, key, setText, paste, resize, minimiseRestore, tick, progress, label, count };

class RandomRun {
public:
    RandomRun(Context& context, AppProcess& app, unsigned seed)
        : check_(context.Check()), app_(app), random_(seed) {
        main_ = app.MainWindow();
        application_ = app.ApplicationWindow();
        edit_ = FindEdit1(main_);
        timer_ = FindTopLevel(app.Id(), L"TPUtilWindow");
        idle_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, app.Id());
    }
    RandomRun(const RandomRun&) = delete;
    RandomRun& operator=(const RandomRun&) = delete;
    ~RandomRun() {
        if (idle_) CloseHandle(idle_);
    }

    bool Ready() const { return main_ && application_ && edit_ && timer_; }

    void Run(DWORD seconds) {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < seconds * 1000 && app_.Running() && wrongBoxes_ < 10) {
            Act(Action(Below(int(Action::count))));
            ++actions_;
            Settle();
            HandleBoxes();
        }
        HandleBoxes();
        check_.Note(std::to_string(actions_) + " actions, " + std::to_string(boxes_) + " boxes read, " +
                    std::to_string(labelClicks_) + " label clicks");
        check_.Expect(app_.Running(), "viewer alive through the random run");
        check_.Expect(wrongBoxes_ == 0, "every box was one the viewer is meant to show", "0 others",
                      std::to_string(wrongBoxes_));
        check_.Expect(boxes_ > 0, "the run made the viewer show boxes", "some", "0");
    }

    int LabelClicks() const { return labelClicks_; }

private:
    int Below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }

    std::wstring RandomText() {
        int kind = Below(6);
        size_t length = kind == 0 ? size_t(2000 + Below(30000)) : size_t(Below(12));
        std::wstring text;
        for (size_t i = 0; i < length; ++i) {
            if (kind == 1) text += wchar_t(L'0' + Below(10));
            else if (kind == 2) text += kTypable[Below(int(std::size(kTypable)) - 1)];
            else text += wchar_t(0x20 + Below(0x5F));
        }
        return text;
    }

    bool Showing() const { return IsWindowVisible(main_) && !IsIconic(main_) && !IsIconic(application_); }

    // A point of the main window's client area that the main window itself
    // or one of its children has under it, not a box or another window.
    std::optional<POINT> PointOnMain(POINT client) {
        POINT screen = ScreenPoint(main_, client);
        HWND hit = WindowFromPoint(screen);
        if (!hit || GetAncestor(hit, GA_ROOT) != main_) return std::nullopt;
        return screen;
    }

    void Act(Action action) {
        switch (action) {
        case Action::click: {
            if (!Showing()) break;
            RECT client = ClientRectOf(main_);
            if (Width(client) <= 0 || Height(client) <= 0) break;
            auto point = PointOnMain({Below(Width(client)), Below(Height(client))});
            if (!point) break;
            BringToFront(main_, 500);
            if (Chance(15)) DoubleClick(*point);
            else Click(*point, !Chance(10));
            break;
        }
        case Action::key:
            if (!Showing()) break;
            BringToFront(main_, 500);
            if (Chance(60)) TypeText(std::wstring(1, kTypable[Below(int(std::size(kTypable)) - 1)]));
            else PressKey(kKeys[Below(int(std::size(kKeys)))]);
            break;
        case Action::setText: {
            std::wstring text = RandomText();
            // Bounded: the change may open a box, and the send returns only
            // once the box is closed.
            SendBounded(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), 300);
            break;
        }
        case Action::paste:
            if (SetClipboard(RandomText())) PostMessageW(edit_, WM_PASTE, 0, 0);
            break;
        case Action::resize: {
            int width = Below(1400), height = Below(900);
            SetWindowPos(main_, nullptr, Below(300), Below(200), width, height,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
            break;
        }
        case Action::minimiseRestore:
            PostMessageW(application_, WM_SYSCOMMAND, IsIconic(application_) ? SC_RESTORE : SC_MINIMIZE, 0);
            Sleep(100);
            break;
        case Action::tick:
            if (Chance(30)) {
                std::string description = Chance(50) ? " " + ToUtf8(kRefreshDescription) : "";
                SendDoubleCommand(app_.Id(), "failonce Refresh 80004005" + description, 2000);
            }
            PostMessageW(timer_, WM_TIMER, 1, 0);
            break;
        case Action::progress: {
            int progressMax = Chance(20) ? -1 - Below(1000) : Below(100000);
            // Sent from a thread of its own, since a refused maximum opens a box.
            SendDoubleCommand(app_.Id(), "progress " + std::to_string(Below(200000) - 1000) + " " +
                                             std::to_string(progressMax), 300);
            break;
        }
        case Action::label: {
            if (!Showing() || !Chance(30)) break;
            auto point = PointOnMain(Chance(50) ? kLabel1Point : kLabel2Point);
            if (!point) break;
            BringToFront(main_, 500);
            Click(*point);
            ++labelClicks_;
            break;
        }
        case Action::count: break;
        }
    }

    bool SetClipboard(const std::wstring& text) {
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
        bool set = false;
        if (memory) {
            if (void* data = GlobalLock(memory)) {
                memcpy(data, text.c_str(), bytes);
                GlobalUnlock(memory);
                set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
            }
            if (!set) GlobalFree(memory);
        }
        CloseClipboard();
        return set;
    }

    // What the box may say: the texts the error display composes for the
    // failures this run can cause. The invalid-number text must quote the
    // edit's whole text as it stands while the box is open.
    bool Known(const std::wstring& text) {
        if (text == kRangeText || text == kProgressText) return true;
        if (text == WithFullStop(OleErrorText(E_FAIL)) || text == WithFullStop(kRefreshDescription)) return true;
        const std::wstring tail = L"' is not a valid integer value.";
        if (text.size() >= tail.size() + 1 && text[0] == L'\'' &&
            text.compare(text.size() - tail.size(), tail.size(), tail) == 0)
        {
            std::wstring quoted = text.substr(1, text.size() - 1 - tail.size());
            std::wstring current = TextOf(edit_);
            if (quoted == current) return true;
            // A change queued behind the one that opened the box may have
            // altered the text since; it must then be a text seen earlier.
            for (const std::wstring& seen : seenTexts_)
                if (quoted == seen) return true;
            check_.Note("quoted " + std::to_string(quoted.size()) + " characters, Edit1 holds " +
                        std::to_string(current.size()));
            return false;
        }
        return false;
    }

    // Until the viewer waits for input again, so that the next action does
    // not meet a change still under way; and the edit's text as it then is.
    void Settle() {
        if (idle_) WaitForInputIdle(idle_, 2000);
        Sleep(10);
        seenTexts_.push_back(TextOf(edit_));
        if (seenTexts_.size() > kSeenTexts) seenTexts_.erase(seenTexts_.begin());
    }

    void HandleBoxes() {
        for (int round = 0; round < 20; ++round) {
            std::vector<HWND> boxes;
            for (HWND window : TopLevelWindowsOf(app_.Id()))
                if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) boxes.push_back(window);
            if (boxes.empty()) return;
            for (HWND box : boxes) {
                // The topmost box first: one under it is disabled until it goes.
                if (!IsWindowEnabled(box)) continue;
                std::wstring text;
                WaitUntil([&] {
                    HWND control = GetDlgItem(box, 0xFFFF);
                    text = control ? TextOf(control) : L"";
                    return !text.empty() || !IsWindow(box);
                }, 1000, 5);
                if (!IsWindow(box)) continue;
                std::wstring caption = TextOf(box);
                ++boxes_;
                if (caption != kCaption || !Known(text)) {
                    ++wrongBoxes_;
                    check_.Fail("box the viewer may show", Visible(caption) + ": " +
                                                               Visible(text.size() > 300 ? text.substr(0, 300) + L"..."
                                                                                         : text));
                }
                DismissMessageBox(box);
            }
            Settle();
        }
    }

    Checker& check_;
    AppProcess& app_;
    std::mt19937 random_;
    HANDLE idle_ = nullptr;
    std::vector<std::wstring> seenTexts_;
    HWND main_ = nullptr, application_ = nullptr, edit_ = nullptr, timer_ = nullptr;
    int actions_ = 0, boxes_ = 0, wrongBoxes_ = 0, labelClicks_ = 0;
};

std::string BrokerAddress() {
    wchar_t value[512] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_E2E_BROKER_ADDRESS", value, 512);
    if (length > 0 && length < 512) return ToUtf8(value);
    return "http://brenvik.example/ru/conditions/?partner_id=1234";
}

}  // namespace

void ScenarioRandomInput(Context& context) {
    Checker& check = context.Check();
    unsigned seed = FromEnvironment(L"QB_RANDOM_SEED", kDefaultSeed);
    DWORD seconds = FromEnvironment(L"QB_RANDOM_SECONDS", kDefaultSeconds);
    check.Note("seed " + std::to_string(seed) + " (QB_RANDOM_SEED), " + std::to_string(seconds) +
               " s (QB_RANDOM_SECONDS)");
    Launch launch = context.LaunchFor("random-input");
    ShellRecords shell(context.Opts().workDir + L"\\random-input-shell.log");
    launch.environment[L"QB_RECORDER_LOG"] = shell.Path();
    auto app = context.Start(launch);
    if (!app) return;
    if (!check.Expect(app->WaitMainWindow(kStartTimeoutMs, true) != nullptr, "main window shown")) return;
    RandomRun run(context, *app, seed);
    if (!check.Expect(run.Ready(), "main window, application window, Edit1 and timer window found")) return;
    run.Run(seconds);

    // Recorders still starting from the last clicks are waited for.
    std::vector<std::string> addresses = shell.Settle(0);
    const std::string publisher = "http://" + ToUtf8(context.Opts().publisherHost) + "/";
    const std::string broker = BrokerAddress();
    size_t others = 0;
    for (const std::string& address : addresses)
        if (address != publisher && address != broker) ++others;
    check.Note(std::to_string(addresses.size()) + " addresses reached the shell");
    check.Expect(others == 0, "only the two link addresses reached the shell", publisher + " or " + broker,
                 ListText(addresses));
    check.Expect(run.LabelClicks() == 0 || !addresses.empty(), "label clicks reached the shell", "some addresses",
                 "none after " + std::to_string(run.LabelClicks()) + " clicks");

    if (!app->Running()) return;
    if (IsIconic(app->ApplicationWindow())) PostMessageW(app->ApplicationWindow(), WM_SYSCOMMAND, SC_RESTORE, 0);
    PostMessageW(app->MainWindow(), WM_CLOSE, 0, 0);
    std::optional<DWORD> code;
    // A box that the last actions opened is closed on the way out.
    WaitUntil([&] {
        for (const MessageBoxInfo& box : FindMessageBoxes(app->Id())) DismissMessageBox(box.window);
        return (code = app->WaitExit(100)).has_value();
    }, kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
    check.Expect(context.Log().Find("FinalRelease com=initialised").has_value(),
                 "no browser reference left before CoUninitialize");
}
