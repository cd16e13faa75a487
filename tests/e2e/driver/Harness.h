// What every end-to-end row uses: verdicts, the viewer as a process with its windows, its boxes and the logs of the
// double and the hook, real input, and the main window's expected geometry and a capture of what it shows.
#pragma once

#include "Probe.h"

#include <optional>

// Each check prints one line, "ok - what" or "not ok - what: detail"; the count at the end is the driver's verdict.
bool Expect(bool ok, const std::string& what, const std::string& detail = {});
bool ExpectEq(long long expected, long long got, const std::string& what);
bool ExpectEq(const std::string& expected, const std::string& got, const std::string& what);
int FinishChecks();
std::string RectText(const RECT& rect);  // "left,top widthxheight"

struct Options {
    std::wstring exe, work, host, broker;
    bool withDouble = true, injectable = true;  // the double, not Wine's control; the driver can load the hook
};
extern Options options;

// Runs this thread's messages until done() holds, or for at most ms. Wine shows a window's new pixels on the screen,
// and hands over the events of an out-of-context WinEvent hook, only while the driver does this.
void Pump(DWORD ms, const std::function<bool()>& done = {});

// Records the WinEvents from first to last that the viewer's process raises, heard out of context as a screen reader
// or the taskbar hears them. They arrive only while the driver pumps, and one recorder may exist at a time.
class WinEvents {
public:
    WinEvents(DWORD processId, DWORD first, DWORD last);
    WinEvents(const WinEvents&) = delete;
    ~WinEvents() { UnhookWinEvent(hook_); }
    long long Count(DWORD event, HWND window, LONG object, LONG child = CHILDID_SELF) const;
    void Clear() const;

private:
    HWINEVENTHOOK hook_;
};

// Real input through SendInput, at points in the window's client coordinates.
void Click(HWND window, POINT at, bool left = true, const POINT* releaseAt = nullptr);
void PressKey(WORD virtualKey, WORD modifier = 0);  // the modifier (VK_SHIFT, VK_CONTROL) is held meanwhile
void Type(const std::wstring& text);

struct LogFile {  // the double's, the hook's or the shell recorder's log, which another process appends to
    std::wstring path;
    std::vector<std::string> Lines() const;
    size_t Count(const std::string& prefix) const;
};

struct Launch {
    std::string tag;  // names the logs
    std::string doubleFail;  // QB_DOUBLE_FAIL
    std::string hookFault;  // QB_HOOK_FAULT, with the hook loaded
    bool hook = false;  // load the hook that logs timers and shell calls
    std::optional<WORD> show;  // STARTF_USESHOWWINDOW
    bool windowsShow = false;  // with the hook, the viewer's ShowWindow minimises and restores as Windows' does
};

struct Box {
    HWND window = nullptr;
    std::string caption, text;
};

class Viewer {
public:
    explicit Viewer(const Launch& launch);
    Viewer(const Viewer&) = delete;
    ~Viewer();  // ends the process if a row left it running

    std::vector<HWND> TopLevels() const { return TopLevelsOf(processId_); }
    HWND TopLevel(const wchar_t* name, bool visibleOnly = false) const {
        return TopLevelOf(processId_, name, visibleOnly);
    }
    DWORD ProcessId() const { return processId_; }
    HWND App() const { return TopLevel(L"TApplication"); }
    HWND Main() const;  // waits until it is visible
    HWND Control(const wchar_t* name) const { return FindWindowExW(Main(), nullptr, name, nullptr); }  // a child
    HWND Focus() const { return ThreadInfo().hwndFocus; }
    HWND Active() const { return ThreadInfo().hwndActive; }
    void Tick() const { PostMessageW(TopLevel(L"TPUtilWindow"), WM_TIMER, 1, 0); }  // as the timer posts it

    std::vector<HWND> Boxes() const;
    Box Read(HWND box) const { return {box, Utf8(TextOf(box)), Utf8(TextOf(GetDlgItem(box, kBoxTextId)))}; }
    std::optional<Box> WaitBox(size_t count = 1) const;  // the newest box, once count boxes are open
    bool Dismiss(HWND box) const;
    // Waits for a box that must come, checks what it says and dismisses it.
    void ExpectBox(const std::string& text, const std::string& what, const std::function<void(HWND)>& open = {}) const;

    LRESULT Command(const std::string& command) const;  // to the double
    // Sends a command whose handling opens a box, and runs meanwhile on this thread until the command comes back.
    LRESULT CommandDuring(const std::string& command, const std::function<void()>& meanwhile) const;
    std::optional<DWORD> WaitExit(DWORD timeoutMs = 15000) const;

    LogFile doubleLog, hookLog, shellLog;

private:
    static constexpr int kBoxTextId = 0xFFFF;  // the control of a message box that holds its text
    GUITHREADINFO ThreadInfo() const;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0, threadId_ = 0;
};

// Where the main window's controls must be, in its client coordinates at this screen's resolution.
struct Layout {
    RECT edit{}, browser{};
    // Label1 and Label2 hold the links' caption extents; Label3 and Label4, whose face may vary, their first letters.
    RECT labels[4]{};
    int progressHeight = 17;
};
Layout ExpectedLayout(const std::wstring& host);

struct Picture {  // the main window's client area as the screen shows it
    explicit Picture(HWND window);
    bool Ink(int x, int y) const;  // the pixel differs from the background at the top left corner
    RECT InkBounds(const RECT& region) const;
    size_t DistinctGlyphs(const RECT& region) const;
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
};
