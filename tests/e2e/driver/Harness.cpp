// The shared helpers of the end-to-end rows.
#include "Harness.h"

#include <cstdio>
#include <fstream>

Options options;

namespace {

int passed = 0, failed = 0;

// Between the events of one gesture: long enough for the viewer's thread to
// see them apart, well inside the double-click time.
constexpr DWORD kInputGapMs = 30;
constexpr DWORD kSendTimeoutMs = 5000;

void Send(std::vector<INPUT> inputs) {
    for (INPUT& input : inputs) {
        SendInput(1, &input, sizeof(INPUT));
        Sleep(kInputGapMs);
    }
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = WORD(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT MouseInput(DWORD flags, POINT screen = {}) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    input.mi.dx = LONG((screen.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = LONG((screen.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN));
    return input;
}

INPUT MoveTo(POINT screen) { return MouseInput(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen); }

// The viewer inherits the driver's environment; an empty value unsets.
void SetVariables(const Launch& launch, const Viewer& viewer) {
    const std::pair<const wchar_t*, std::wstring> variables[] = {
        {L"QB_DOUBLE_LOG", viewer.doubleLog.path}, {L"QB_DOUBLE_FAIL", Wide(launch.doubleFail)},
        {L"QB_HOOK_LOG", viewer.hookLog.path},     {L"QB_HOOK_FAULT", Wide(launch.hookFault)},
        {L"QB_RECORDER_LOG", viewer.shellLog.path},
    };
    for (const auto& [name, value] : variables) SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
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

std::wstring Wide(const std::string& text) {
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(size > 0 ? size : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), int(text.size()), wide.data(), size);
    return wide;
}

std::string RectText(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(25);
    }
    return true;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    GetClassNameW(window, name, 128);
    return name;
}

std::wstring TextOf(HWND window) {
    wchar_t text[1100] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1100, LPARAM(text), SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
    return text;
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND ChildOf(HWND parent, const wchar_t* className, int index) {
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassOf(child) == className && index-- == 0) return child;
    return nullptr;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return LRESULT(result);
}

void Click(HWND window, POINT client, bool left) {
    ClientToScreen(window, &client);
    Send({MoveTo(client), MouseInput(left ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN),
          MouseInput(left ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP)});
}

void Drag(HWND from, POINT fromClient, POINT toScreen) {
    ClientToScreen(from, &fromClient);
    Send({MoveTo(fromClient), MouseInput(MOUSEEVENTF_LEFTDOWN), MoveTo(toScreen), MouseInput(MOUSEEVENTF_LEFTUP)});
}

void PressKey(WORD key, bool shift) {
    std::vector<INPUT> inputs;
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, false));
    inputs.push_back(KeyInput(key, false));
    inputs.push_back(KeyInput(key, true));
    if (shift) inputs.push_back(KeyInput(VK_SHIFT, true));
    Send(inputs);
}

void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        SHORT scan = VkKeyScanW(c);
        if (scan != -1) PressKey(LOBYTE(scan), (HIBYTE(scan) & 1) != 0);
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

std::optional<size_t> LogFile::Find(const std::string& prefix, size_t from) const {
    std::vector<std::string> lines = Lines();
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return i;
    return std::nullopt;
}

Viewer::Viewer(const Launch& launch) {
    auto logPath = [&](const char* kind) { return options.work + L"\\" + Wide(launch.tag) + L"." + Wide(kind); };
    doubleLog.path = logPath("double");
    hookLog.path = logPath("hook");
    shellLog.path = logPath("shell");
    for (const LogFile* log : {&doubleLog, &hookLog, &shellLog}) DeleteFileW(log->path.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (launch.show) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *launch.show;
    }
    bool hook = (launch.hook || !launch.hookFault.empty()) && options.injectable;
    std::wstring commandLine = L"\"" + options.exe + L"\"";
    SetVariables(launch, *this);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(options.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        hook ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info)) {
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
    struct Search {
        DWORD id;
        std::vector<HWND> found;
    } search{processId_, {}};
    EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto* s = reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->id) s->found.push_back(window);
            return TRUE;
        },
        LPARAM(&search));
    return search.found;
}

HWND Viewer::TopLevel(const wchar_t* className) const {
    for (HWND window : TopLevels())
        if (ClassOf(window) == className) return window;
    return nullptr;
}

HWND Viewer::Main() const {
    HWND main = nullptr;
    WaitFor([&] {
        for (HWND window : TopLevels())
            if (ClassOf(window) == L"TForm1" && IsWindowVisible(window)) main = window;
        return main != nullptr || !Started() || WaitForSingleObject(process_, 0) == WAIT_OBJECT_0;
    }, 30000);
    return main;
}

GUITHREADINFO Viewer::ThreadInfo() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(threadId_, &info);
    return info;
}

void Viewer::Tick() const { PostMessageW(Timer(), WM_TIMER, 1, 0); }

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
    return Box{box, GetWindow(box, GW_OWNER), Utf8(TextOf(box)), Utf8(TextOf(GetDlgItem(box, kTextControlId)))};
}

bool Viewer::Dismiss(const Box& box) const {
    // Posted: the box's modal loop runs inside a handler of the viewer, and
    // a sent click would wait for whatever that handler does next.
    PostMessageW(GetDlgItem(box.window, IDOK), BM_CLICK, 0, 0);
    return WaitFor([&] { return !IsWindow(box.window) || !IsWindowVisible(box.window); });
}

void Viewer::ExpectBox(const std::string& text, const std::string& what) const {
    std::optional<Box> box = WaitBox();
    if (!Expect(box.has_value(), what + ": a box opens")) return;
    ExpectEq(text, box->text, what + ": box text");
    ExpectEq("Quellmark Brenvik", box->caption, what + ": box caption");
    Expect(Dismiss(*box), what + ": box closes");
}

LRESULT Viewer::Command(const std::string& command) const {
    HWND control = FindWindowW(L"QbBrowserDoubleControl", (L"QbBrowserDouble " + std::to_wstring(processId_)).c_str());
    COPYDATASTRUCT data{1, DWORD(command.size()), const_cast<char*>(command.data())};
    DWORD_PTR answer = 0;
    if (control) SendMessageTimeoutW(control, WM_COPYDATA, 0, LPARAM(&data), SMTO_ABORTIFHUNG, 12000, &answer);
    return LRESULT(answer);
}

LRESULT Viewer::CommandDuring(const std::string& command, const std::function<void()>& meanwhile) const {
    struct Call {
        const Viewer* viewer;
        std::string command;
        LRESULT answer;
    } call{this, command, 0};
    HANDLE thread = CreateThread(nullptr, 0, [](void* context) -> DWORD {
        auto* c = static_cast<Call*>(context);
        c->answer = c->viewer->Command(c->command);
        return 0;
    }, &call, 0, nullptr);
    meanwhile();
    WaitForSingleObject(thread, 15000);
    CloseHandle(thread);
    return call.answer;
}

std::optional<DWORD> Viewer::WaitExit(DWORD timeoutMs) const {
    DWORD code = 0;
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_, &code))
        return std::nullopt;
    return code;
}

std::optional<DWORD> Viewer::CloseAndWait(HWND target, UINT message, WPARAM wParam) const {
    PostMessageW(target, message, wParam, 0);
    return WaitExit();
}

void ExpectTeardown(const Viewer& viewer, const std::string& how) {
    const char* order[] = {"InPlaceDeactivate", "Unadvise", "SetClientSite site=0", "Close",
                           "FinalRelease com=initialised"};
    size_t from = 0;
    for (const char* step : order) {
        std::optional<size_t> at = viewer.doubleLog.Find(step, from);
        if (!Expect(at.has_value(), how + ": '" + std::string(step) + "' in teardown order")) return;
        from = *at + 1;
    }
}
