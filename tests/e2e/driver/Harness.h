// What every end-to-end row uses: verdicts, the viewer as a process with its windows, its boxes and the logs of the
// double and the hook, real input, and the main window's expected geometry and a capture of what it shows.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// One line per check, "ok - what" or "not ok - what: detail"; the count at the end is the driver's verdict.
bool Expect(bool ok, const std::string& what, const std::string& detail = {});
bool ExpectEq(long long expected, long long got, const std::string& what);
bool ExpectEq(const std::string& expected, const std::string& got, const std::string& what);
int FinishChecks();

std::string Utf8(const std::wstring& text);
std::string RectText(const RECT& rect);  // "left,top widthxheight"

struct Options {
    std::wstring exe, work, host, broker;
    bool withDouble = true;  // false: Wine's own browser control
    bool injectable = true;  // the driver can load the hook into the viewer
};
extern Options options;

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
// Runs this thread's messages until done, or for at most ms: Wine shows a window's new pixels on the screen, and hands
// over the events of an out-of-context WinEvent hook, only then.
void Pump(
    DWORD ms, const std::function<bool()>& done = [] { return false; });
std::wstring ClassOf(HWND window);
std::wstring TextOf(HWND window);
RECT RectIn(HWND window, HWND reference);  // in the client coordinates of reference
LRESULT SendBounded(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// The WinEvents from first to last that the viewer's process raises, heard out of context as a screen reader or the
// taskbar hears them. They reach the driver only while it pumps (Pump); one recorder at a time.
class WinEvents {
public:
    WinEvents(DWORD processId, DWORD first, DWORD last);
    WinEvents(const WinEvents&) = delete;
    ~WinEvents();
    long long Count(DWORD event, HWND window, LONG object, LONG child = CHILDID_SELF) const;
    void Clear() const;

private:
    HWINEVENTHOOK hook_;
};

// Real input; points in the window's client coordinates.
void Click(HWND window, POINT at, bool left = true, const POINT* releaseAt = nullptr);
void PressKey(WORD virtualKey, WORD modifier = 0);  // modifier: VK_SHIFT, VK_CONTROL held meanwhile
void Type(const std::wstring& text);

// A file that another process appends lines to: the double's, the hook's and the shell recorder's logs.
struct LogFile {
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

    std::vector<HWND> TopLevels() const;
    HWND TopLevel(const wchar_t* className, bool visibleOnly = false) const;  // the process's first
    DWORD ProcessId() const { return processId_; }
    HWND App() const { return TopLevel(L"TApplication"); }
    HWND Main() const;  // waits until it is visible
    HWND Control(const wchar_t* className) const;
    HWND Focus() const { return ThreadInfo().hwndFocus; }
    HWND Active() const { return ThreadInfo().hwndActive; }
    void Tick() const { PostMessageW(TopLevel(L"TPUtilWindow"), WM_TIMER, 1, 0); }  // the timer's, as posted

    std::vector<HWND> Boxes() const;
    Box Read(HWND box) const;
    std::optional<Box> WaitBox(size_t count = 1) const;  // the newest once count are open
    bool Dismiss(HWND box) const;
    // Dismisses a box that must come, and checks what it says.
    void ExpectBox(const std::string& text, const std::string& what, const std::function<void(HWND)>& open = {}) const;

    LRESULT Command(const std::string& command) const;  // to the double
    // For a command whose handling opens a box: meanwhile runs on this thread.
    LRESULT CommandDuring(const std::string& command, const std::function<void()>& meanwhile) const;
    std::optional<DWORD> WaitExit(DWORD timeoutMs = 15000) const;

    LogFile doubleLog, hookLog, shellLog;

private:
    GUITHREADINFO ThreadInfo() const;
    HANDLE process_ = nullptr;
    DWORD processId_ = 0, threadId_ = 0;
};

// In the main window's client coordinates, at this screen's resolution.
struct Layout {
    RECT edit{}, browser{};
    // Label1 to Label4: the links' captions' extents; of the others, whose face may vary, start and first letters.
    RECT labels[4]{};
    int progressHeight = 17;
};
Layout ExpectedLayout(const std::wstring& host);

// The main window's client area as the screen shows it.
struct Picture {
    explicit Picture(HWND window);
    bool Ink(int x, int y) const;  // differs from the background at the top left corner
    RECT InkBounds(const RECT& region) const;
    size_t DistinctGlyphs(const RECT& region) const;
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
};
