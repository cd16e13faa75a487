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

// The viewer's thread needs this gap to tell one gesture's events apart; it is within the double-click time.
constexpr DWORD kInputGapMs = 30;

void Send(std::vector<INPUT> inputs) {
    for (INPUT& input : inputs) SendInput(1, &input, sizeof(INPUT)), Sleep(kInputGapMs);
}

INPUT KeyInput(WORD key, bool up) {
    return {INPUT_KEYBOARD, {.ki = {key, WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)), DWORD(up ? KEYEVENTF_KEYUP : 0)}}};
}

// A button, or a move to a point in the window's client area; absolute coordinates run from 0 to 65535 on the screen.
INPUT MouseInput(DWORD flags, HWND window = nullptr, POINT at = {}) {
    if (window) ClientToScreen(window, &at), flags |= MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return {INPUT_MOUSE,
            {{LONG((at.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN)),
              LONG((at.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN)), 0, flags}}};
}

// Loads the hook into the suspended viewer, so that it is in place before any of the viewer's own code runs.
bool Inject(HANDLE process) {
    std::wstring dll = options.exe.substr(0, options.exe.find_last_of(L'\\') + 1) + L"QbHook.dll";
    size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process, remote, dll.c_str(), bytes, nullptr)) return false;
    auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
    DWORD loaded = 0;
    bool ended = thread && WaitForSingleObject(thread, 20000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &loaded);
    return thread && CloseHandle(thread), ended && loaded != 0;
}

}  // namespace

bool Expect(bool ok, const std::string& what, const std::string& detail) {
    std::printf("%s - %s%s%s\n", ok ? "ok" : "not ok", what.c_str(), ok || detail.empty() ? "" : ": ",
                ok ? "" : detail.c_str());
    std::fflush(stdout);
    return ++(ok ? passed : failed), ok;
}

bool ExpectEq(long long expected, long long got, const std::string& what) {
    return Expect(expected == got, what, "expected " + std::to_string(expected) + ", got " + std::to_string(got));
}

bool ExpectEq(const std::string& expected, const std::string& got, const std::string& what) {
    return Expect(expected == got, what, "expected [" + expected + "], got [" + got + "]");
}

int FinishChecks() { return std::printf("%d passed, %d failed\n", passed, failed), failed == 0 && passed > 0 ? 0 : 1; }

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
        std::to_string(r.bottom - r.top);
}

// Not every wait pumps: while the driver pumps, Wine reads its X focus events, and those race the activation rows.
void Pump(DWORD ms, const std::function<bool()>& done) {
    WaitFor([&] { return DispatchWaiting(), done && done(); }, ms);
}

WinEvents::WinEvents(DWORD processId, DWORD first, DWORD last) {
    auto hear = [](HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
        heard.emplace_back(event, window, object, child);
    };
    hook_ = SetWinEventHook(first, last, nullptr, hear, processId, 0, WINEVENT_OUTOFCONTEXT), heard.clear();
}

long long WinEvents::Count(DWORD event, HWND window, LONG object, LONG child) const {
    return std::count(heard.begin(), heard.end(), std::tuple{event, window, object, child});
}

void WinEvents::Clear() const { heard.clear(); }

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
    for (wchar_t c : text)
        if (SHORT scan = VkKeyScanW(c); scan != -1) PressKey(LOBYTE(scan), HIBYTE(scan) & 1 ? VK_SHIFT : 0);
}

std::vector<std::string> LogFile::Lines() const {
    std::vector<std::string> lines;
    std::ifstream file(Utf8(path).c_str());
    for (std::string line; std::getline(file, line);) lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
    return lines;
}

size_t LogFile::Count(const std::string& prefix) const {
    return std::ranges::count_if(Lines(), [&](const std::string& line) { return line.starts_with(prefix); });
}

Viewer::Viewer(const Launch& launch) {
    // Tags and fault names are ASCII. The viewer inherits the driver's environment, where an empty value unsets.
    auto wide = [](const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); };
    const std::wstring logs = options.work + L"\\" + wide(launch.tag);
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"QB_DOUBLE_LOG", doubleLog.path = logs + L".double"},
        {L"QB_HOOK_LOG", hookLog.path = logs + L".hook"},
        {L"QB_RECORDER_LOG", shellLog.path = logs + L".shell"},
        {L"QB_DOUBLE_FAIL", wide(launch.doubleFail)},
        {L"QB_HOOK_FAULT", wide(launch.hookFault)},
        {L"QB_HOOK_WINDOWS_SHOW", launch.windowsShow ? L"1" : L""}};
    for (const auto& [name, value] : variables) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
    for (const LogFile* log : {&doubleLog, &hookLog, &shellLog}) DeleteFileW(log->path.c_str());
    STARTUPINFOW startup{.cb = sizeof startup, .dwFlags = DWORD(launch.show ? STARTF_USESHOWWINDOW : 0)};
    startup.wShowWindow = launch.show.value_or(0);
    bool hook = (launch.hook || launch.windowsShow || !launch.hookFault.empty()) && options.injectable;
    std::wstring commandLine = L"\"" + options.exe + L"\"";
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(options.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, hook ? CREATE_SUSPENDED : 0,
                        nullptr, nullptr, &startup, &info)) {
        Expect(false, "viewer starts (" + launch.tag + ")", "CreateProcess error " + std::to_string(GetLastError()));
        return;
    }
    process_ = info.hProcess, processId_ = info.dwProcessId, threadId_ = info.dwThreadId;
    if (hook) Expect(Inject(process_), "hook loaded into the viewer (" + launch.tag + ")"), ResumeThread(info.hThread);
    CloseHandle(info.hThread);
}

Viewer::~Viewer() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        Expect(false, "row left no viewer running");
        TerminateProcess(process_, 255), WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

HWND Viewer::Main() const {
    HWND main = nullptr;
    // A viewer that never started, or has already ended, has no main window to wait for.
    auto found = [&] { return (main = TopLevel(L"TForm1", true)) || WaitForSingleObject(process_, 0) != WAIT_TIMEOUT; };
    return WaitFor(found, 30000), main;
}

GUITHREADINFO Viewer::ThreadInfo() const {
    GUITHREADINFO info{sizeof info};
    return GetGUIThreadInfo(threadId_, &info), info;
}

std::vector<HWND> Viewer::Boxes() const {
    std::vector<HWND> boxes = TopLevels();
    std::erase_if(boxes, [](HWND window) { return ClassOf(window) != L"#32770" || !IsWindowVisible(window); });
    return boxes;
}

std::optional<Box> Viewer::WaitBox(size_t count) const {
    if (!WaitFor([&] { return Boxes().size() >= count; })) return std::nullopt;
    // On some systems the box is shown before its text control is filled in.
    Sleep(150);
    return Read(Boxes().front());  // EnumWindows lists the topmost window first
}

bool Viewer::Dismiss(HWND box) const {
    // The click is posted, not sent: the box's modal loop runs inside one of the viewer's handlers, and a sent click
    // would wait for whatever that handler does next.
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
    std::function<DWORD()> call = [&] { return DWORD(Command(command)); };
    auto send = [](void* context) -> DWORD { return (*static_cast<decltype(call)*>(context))(); };
    HANDLE thread = CreateThread(nullptr, 0, send, &call, 0, nullptr);
    meanwhile();
    DWORD answer = 0;  // stays STILL_ACTIVE if the command has not come back
    WaitForSingleObject(thread, 15000), GetExitCodeThread(thread, &answer), CloseHandle(thread);
    return answer;
}

std::optional<DWORD> Viewer::WaitExit(DWORD timeoutMs) const {
    DWORD code = 0;
    bool ended = WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0 && GetExitCodeProcess(process_, &code);
    return ended ? std::optional(code) : std::nullopt;
}
