// The shared helpers of the end-to-end rows.
#include "Harness.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <tuple>

Options options;

namespace {

int passed = 0, failed = 0;
std::vector<std::tuple<DWORD, HWND, LONG, LONG>> heard;  // event, window, object, child

// Between one gesture's events: long enough for the viewer's thread to see them apart, within the double-click time.
constexpr DWORD kInputGapMs = 30;
constexpr DWORD kSendTimeoutMs = 5000;

void Send(std::vector<INPUT> inputs) {
    for (INPUT& input : inputs) {
        SendInput(1, &input, sizeof(INPUT));
        Sleep(kInputGapMs);
    }
}

INPUT KeyInput(WORD key, bool up) {
    return {INPUT_KEYBOARD, {.ki = {key, WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), DWORD(up ? KEYEVENTF_KEYUP : 0)}}};
}

// A button, or a move to a point in the window's client area: absolute coordinates run from 0 to 65535 on the screen.
INPUT MouseInput(DWORD flags, HWND window = nullptr, POINT at = {}) {
    if (window) ClientToScreen(window, &at);
    if (window) flags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return {INPUT_MOUSE,
            {{LONG((at.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN)),
              LONG((at.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN)), 0, flags}}};
}

// Loads the hook into the suspended viewer before any of its own code runs.
bool Inject(HANDLE process) {
    std::wstring dll = options.exe.substr(0, options.exe.find_last_of(L'\\') + 1) + L"QbHook.dll";
    size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process, remote, dll.c_str(), bytes, nullptr)) return false;
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    if (!thread) return false;
    DWORD loaded = 0;
    bool ended = WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &loaded);
    CloseHandle(thread);
    return ended && loaded != 0;
}

}  // namespace

bool Expect(bool ok, const std::string& what, const std::string& detail) {
    std::printf("%s - %s%s%s\n", ok ? "ok" : "not ok", what.c_str(), ok || detail.empty() ? "" : ": ",
                ok ? "" : detail.c_str());
    std::fflush(stdout);
    (ok ? passed : failed)++;
    return ok;
}

bool ExpectEq(long long expected, long long got, const std::string& what) {
    return Expect(expected == got, what, "expected " + std::to_string(expected) + ", got " + std::to_string(got));
}

bool ExpectEq(const std::string& expected, const std::string& got, const std::string& what) {
    return Expect(expected == got, what, "expected [" + expected + "], got [" + got + "]");
}

int FinishChecks() {
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
        std::to_string(r.bottom - r.top);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(25))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

// Not in every wait: Wine reads the driver's X focus events while it pumps, which races the activation rows.
void Pump(DWORD ms, const std::function<bool()>& done) {
    MSG next{};
    WaitFor(
        [&] {
            while (PeekMessageW(&next, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&next);
            return done();
        },
        ms);
}

WinEvents::WinEvents(DWORD processId, DWORD first, DWORD last)
    : hook_(SetWinEventHook(
          first, last, nullptr,
          [](HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
              heard.emplace_back(event, window, object, child);
          },
          processId, 0, WINEVENT_OUTOFCONTEXT)) {
    heard.clear();
}

WinEvents::~WinEvents() { UnhookWinEvent(hook_); }

long long WinEvents::Count(DWORD event, HWND window, LONG object, LONG child) const {
    return std::count(heard.begin(), heard.end(), std::tuple{event, window, object, child});
}

void WinEvents::Clear() const { heard.clear(); }

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1100] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 1100, LPARAM(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
    return text;
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return LRESULT(result);
}

void Click(HWND window, POINT at, bool left, const POINT* releaseAt) {
    Send({MouseInput(0, window, at), MouseInput(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN)});
    if (releaseAt) Send({MouseInput(0, window, *releaseAt)});
    Send({MouseInput(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP)});
}

void PressKey(WORD key, WORD modifier) {
    if (modifier) Send({KeyInput(modifier, false)});
    Send({KeyInput(key, false), KeyInput(key, true)});
    if (modifier) Send({KeyInput(modifier, true)});
}

void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        SHORT scan = VkKeyScanW(c);
        if (scan != -1) PressKey(LOBYTE(scan), HIBYTE(scan) & 1 ? VK_SHIFT : 0);
    }
}

std::vector<std::string> LogFile::Lines() const {
    std::vector<std::string> lines;
    std::ifstream file(Utf8(path).c_str());
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

size_t LogFile::Count(const std::string& prefix) const {
    size_t count = 0;
    for (const std::string& line : Lines()) count += line.rfind(prefix, 0) == 0;
    return count;
}

Viewer::Viewer(const Launch& launch) {
    // Tags and faults are ASCII. The viewer inherits the driver's environment; an empty value unsets.
    auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"QB_DOUBLE_LOG", doubleLog.path = options.work + L"\\" + wide(launch.tag) + L".double"},
        {L"QB_HOOK_LOG", hookLog.path = options.work + L"\\" + wide(launch.tag) + L".hook"},
        {L"QB_RECORDER_LOG", shellLog.path = options.work + L"\\" + wide(launch.tag) + L".shell"},
        {L"QB_DOUBLE_FAIL", wide(launch.doubleFail)},
        {L"QB_HOOK_FAULT", wide(launch.hookFault)},
        {L"QB_HOOK_WINDOWS_SHOW", launch.windowsShow ? L"1" : L""},
    };
    for (const auto& [name, value] : variables) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    for (const LogFile* log : {&doubleLog, &hookLog, &shellLog}) DeleteFileW(log->path.c_str());
    STARTUPINFOW startup{sizeof startup};
    startup.dwFlags = launch.show ? STARTF_USESHOWWINDOW : 0;
    startup.wShowWindow = launch.show.value_or(0);
    bool hook = (launch.hook || launch.windowsShow || !launch.hookFault.empty()) && options.injectable;
    std::wstring commandLine = L"\"" + options.exe + L"\"";
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(options.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, hook ? CREATE_SUSPENDED : 0,
                        nullptr, nullptr, &startup, &info)) {
        Expect(false, "viewer starts (" + launch.tag + ")", "CreateProcess error " + std::to_string(GetLastError()));
        return;
    }
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    if (hook) Expect(Inject(process_), "hook loaded into the viewer (" + launch.tag + ")");
    if (hook) ResumeThread(info.hThread);
    CloseHandle(info.hThread);
}

Viewer::~Viewer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        Expect(false, "row left no viewer running");
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::vector<HWND> Viewer::TopLevels() const {
    std::pair<DWORD, std::vector<HWND>> search{processId_, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<decltype(search)*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->first) s->second.push_back(window);
            return TRUE;
        },
        LPARAM(&search));
    return search.second;
}

HWND Viewer::TopLevel(const wchar_t* className, bool visibleOnly) const {
    for (HWND window : TopLevels())
        if (ClassOf(window) == className && (!visibleOnly || IsWindowVisible(window))) return window;
    return nullptr;
}

HWND Viewer::Main() const {
    HWND main = nullptr;
    // A viewer that never started or has ended has none.
    WaitFor([&] { return (main = TopLevel(L"TForm1", true)) || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT; },
            30000);
    return main;
}

HWND Viewer::Control(const wchar_t* className) const {
    for (HWND child = GetWindow(Main(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == className) return child;
    return nullptr;
}

GUITHREADINFO Viewer::ThreadInfo() const {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(threadId_, &info);
    return info;
}

std::vector<HWND> Viewer::Boxes() const {
    std::vector<HWND> boxes;
    for (HWND window : TopLevels())
        if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) boxes.push_back(window);
    return boxes;
}

std::optional<Box> Viewer::WaitBox(size_t count) const {
    if (!WaitFor([&] { return Boxes().size() >= count; })) return std::nullopt;
    // The box is shown before its text control is filled in on some systems.
    Sleep(150);
    return Read(Boxes().front());  // EnumWindows lists the topmost first
}

Box Viewer::Read(HWND box) const {
    constexpr int kTextControlId = 0xFFFF;
    return Box{box, Utf8(TextOf(box)), Utf8(TextOf(GetDlgItem(box, kTextControlId)))};
}

bool Viewer::Dismiss(HWND box) const {
    // Posted: the box's modal loop runs inside a viewer's handler; a sent click would wait for what that does next.
    PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

void Viewer::ExpectBox(const std::string& text, const std::string& what, const std::function<void(HWND)>& open) const {
    std::optional<Box> box = WaitBox();
    if (!Expect(box.has_value(), what + ": a box opens")) return;
    if (open) open(box->window);
    ExpectEq(text, box->text, what + ": box text");
    ExpectEq("Quellmark Brenvik", box->caption, what + ": box caption");
    Expect(Dismiss(box->window), what + ": box closes");
}

LRESULT Viewer::Command(const std::string& command) const {
    HWND control = FindWindowW(L"QbBrowserDoubleControl", (L"QbBrowserDouble " + std::to_wstring(processId_)).c_str());
    COPYDATASTRUCT data{1, DWORD(command.size()), const_cast<char*>(command.data())};
    DWORD_PTR answer = 0;
    if (control) SendMessageTimeoutW(control, WM_COPYDATA, 0, LPARAM(&data), SMTO_ABORTIFHUNG, 12000, &answer);
    return LRESULT(answer);
}

LRESULT Viewer::CommandDuring(const std::string& command, const std::function<void()>& meanwhile) const {
    std::pair<const Viewer*, std::string> call{this, command};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* context) -> DWORD {
            auto* c = static_cast<decltype(call)*>(context);
            return DWORD(c->first->Command(c->second));
        },
        &call, 0, nullptr);
    meanwhile();
    DWORD answer = 0;  // STILL_ACTIVE if the command has not come back
    WaitForSingleObject(thread, 15000);
    GetExitCodeThread(thread, &answer);
    CloseHandle(thread);
    return answer;
}

std::optional<DWORD> Viewer::WaitExit(DWORD timeoutMs) const {
    DWORD code = 0;
    bool ended = WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process_, &code);
    return ended ? std::optional(code) : std::nullopt;
}
