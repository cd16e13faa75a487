// Start-up faults induced from outside the viewer: its application window's
// class already taken and SetTimer refused, both by QbStartupFaults.dll
// loaded into the suspended viewer before its own code runs, and the browser
// control's IPersistStreamInit::Load failing through the double.
#include "ErrorTexts.h"
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <cwctype>
#include <optional>

namespace {

// The viewer started suspended with the fault DLL loaded by a thread of the
// driver's making; Wine (8.0) has no AppInit_DLLs that could load it.
class InjectedViewer {
public:
    InjectedViewer() = default;
    InjectedViewer(const InjectedViewer&) = delete;
    InjectedViewer& operator=(const InjectedViewer&) = delete;
    ~InjectedViewer() {
        if (process_) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 255);
                WaitForSingleObject(process_, 5000);
            }
            CloseHandle(process_);
        }
        if (thread_) CloseHandle(thread_);
    }

    bool Start(const Launch& launch, const std::wstring& dll, std::string* error) {
        // The child inherits the driver's environment, so the launch's
        // variables are set here for the moment of the start only.
        for (const auto& [name, value] : launch.environment) SetEnvironmentVariableW(name.c_str(), value.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + launch.exe + L"\"";
        PROCESS_INFORMATION info{};
        BOOL created = CreateProcessW(launch.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &info);
        DWORD createError = GetLastError();
        for (const auto& entry : launch.environment) SetEnvironmentVariableW(entry.first.c_str(), nullptr);
        if (!created) {
            *error = "CreateProcess failed with error " + std::to_string(createError);
            return false;
        }
        process_ = info.hProcess;
        thread_ = info.hThread;
        processId_ = info.dwProcessId;
        if (!Inject(dll, error)) return false;
        if (ResumeThread(thread_) == DWORD(-1)) {
            *error = "ResumeThread failed with error " + std::to_string(GetLastError());
            return false;
        }
        return true;
    }

    DWORD Id() const { return processId_; }

    std::optional<DWORD> WaitExit(DWORD timeoutMs) {
        if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
        return code;
    }

private:
    bool Inject(const std::wstring& dll, std::string* error) {
        size_t bytes = (dll.size() + 1) * sizeof(wchar_t);
        void* remote = VirtualAllocEx(process_, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        if (!remote || !WriteProcessMemory(process_, remote, dll.c_str(), bytes, nullptr)) {
            *error = "writing the DLL path into the viewer failed with error " + std::to_string(GetLastError());
            return false;
        }
        // kernel32 lies at the same address in every process of the session.
        auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
        HANDLE loader = CreateRemoteThread(process_, nullptr, 0, loadLibrary, remote, 0, nullptr);
        if (!loader) {
            *error = "CreateRemoteThread failed with error " + std::to_string(GetLastError());
            return false;
        }
        bool done = WaitForSingleObject(loader, kStartTimeoutMs) == WAIT_OBJECT_0;
        DWORD module = 0;
        GetExitCodeThread(loader, &module);
        CloseHandle(loader);
        if (!done || module == 0) {
            *error = done ? "LoadLibraryW of the fault DLL failed in the viewer" : "the DLL loader thread never ended";
            return false;
        }
        return true;
    }

    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD processId_ = 0;
};

bool IsUpperHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); }

bool AllUpperHex(const std::wstring& text) {
    if (text.empty()) return false;
    for (wchar_t c : text)
        if (!IsUpperHex(c)) return false;
    return true;
}

// "Runtime error NNN at XXXXXXXX", the number right-aligned in three places.
bool MatchesRuntimeError(const std::wstring& text, int number) {
    wchar_t head[32];
    swprintf(head, 32, L"Runtime error %3d at ", number);
    std::wstring prefix = head;
    return text.size() == prefix.size() + 8 && text.compare(0, prefix.size(), prefix) == 0 &&
           AllUpperHex(text.substr(prefix.size()));
}

// "Exception E<class> in module QuellmarkBrenvik.exe at XXXXXXXX.\r\n<message>.\r\n"
bool MatchesFallbackText(const std::wstring& text, const std::wstring& message) {
    const std::wstring head = L"Exception E";
    if (text.compare(0, head.size(), head) != 0) return false;
    size_t nameEnd = text.find(L' ', head.size());
    if (nameEnd == std::wstring::npos) return false;
    const std::wstring module = L" in module QuellmarkBrenvik.exe at ";
    if (text.compare(nameEnd, module.size(), module) != 0) return false;
    size_t address = nameEnd + module.size();
    return text.size() >= address + 8 && AllUpperHex(text.substr(address, 8)) &&
           text.substr(address + 8) == L".\r\n" + message + L".\r\n";
}

bool ShowsIcon(HWND box) {
    for (HWND child : ChildrenOf(box)) {
        if (ClassOf(child) != L"Static" || (StyleOf(child) & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(child))
            continue;
        LRESULT icon = 0;
        if (SendBounded(child, STM_GETICON, 0, 0, 2000, &icon) && icon != 0) return true;
    }
    return false;
}

enum class BoxKind { runtimeError, startupFailure };

struct FaultCase {
    const char* fault;     // QB_STARTUP_FAULT
    const char* armedLine; // what the DLL logs when the fault is in place
    BoxKind kind;
    const wchar_t* message;  // of the start-up failure box
    DWORD exitCode;
};

constexpr FaultCase kFaultCases[] = {
    {"RegisterClass", "armed RegisterClass", BoxKind::runtimeError, nullptr, 217},
    {"SetTimer", "armed SetTimer", BoxKind::startupFailure,
     L"Error reading Timer1.OnTimer: Not enough timers available", 1},
};

std::wstring Sibling(const std::wstring& path, const std::wstring& name) {
    size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + name;
}

void CheckBox(Checker& check, const MessageBoxInfo& box, const FaultCase& item, const std::string& when) {
    if (item.kind == BoxKind::runtimeError) {
        check.Equal("Error", ToUtf8(box.caption), "box caption" + when);
        check.Expect(MatchesRuntimeError(box.text, int(item.exitCode)), "box text" + when,
                     "\"Runtime error " + std::to_string(item.exitCode) + " at XXXXXXXX\"", Visible(box.text));
        // MB_OK alone: no icon. Wine keeps the icon control of such a box
        // visible but empty, so the control's icon is asked for, not its look.
        check.Expect(!ShowsIcon(box.window), "box shows no icon" + when);
    } else {
        check.Equal("Application Error", ToUtf8(box.caption), "box caption" + when);
        check.Expect(MatchesFallbackText(box.text, item.message), "box text" + when,
                     Visible(L"Exception E... in module QuellmarkBrenvik.exe at XXXXXXXX.\r\n" +
                             std::wstring(item.message) + L".\r\n"),
                     Visible(box.text));
        check.Equal("stop", ToUtf8(box.icon), "box icon" + when);
        check.Expect(ShowsIcon(box.window), "box shows an icon" + when);
    }
    check.Expect(box.buttons.size() == 1, "box has one button" + when, "1", std::to_string(box.buttons.size()));
    check.Expect(box.owner == nullptr, "box has no owner" + when, "null", HexHandle(box.owner));
}

// Whether the browser control was made before the failure or not, none of
// it may outlive COM.
void CheckNoBrowserLeft(Checker& check, DoubleLog& log, const std::string& when) {
    if (!log.Find("CreateInstance").has_value()) {
        check.Note("no browser control was created" + when);
        return;
    }
    check.Expect(log.Find("FinalRelease com=initialised").has_value(), "browser released before CoUninitialize" + when,
                 "FinalRelease com=initialised", log.Text());
    check.Expect(!log.Find("Shutdown refs=").has_value(), "no browser object left at exit" + when, "no Shutdown line",
                 log.Text());
}

void RunFaultCase(Context& context, const FaultCase& item) {
    Checker& check = context.Check();
    std::string when = std::string(" when ") + item.fault + " is refused";
    Launch launch = context.LaunchFor(std::string("fault-") + item.fault);
    DoubleLog faultLog(context.Opts().workDir + L"\\fault-" + FromUtf8(item.fault) + L".log");
    launch.environment[L"QB_STARTUP_FAULT"] = FromUtf8(item.fault);
    launch.environment[L"QB_STARTUP_FAULT_LOG"] = faultLog.Path();
    InjectedViewer app;
    std::string error;
    if (!app.Start(launch, Sibling(context.Opts().appExe, L"QbStartupFaults.dll"), &error)) {
        check.Fail("viewer starts with the fault DLL" + when, error);
        return;
    }
    MessageBoxInfo box = WaitMessageBox(app.Id(), kStartTimeoutMs);
    check.Expect(faultLog.Find(item.armedLine).has_value(), "fault armed" + when, item.armedLine, faultLog.Text());
    if (check.Expect(box.window != nullptr, "a box appears" + when)) {
        CheckBox(check, box, item, when);
        check.Expect(DismissMessageBox(box.window), "box closes with OK" + when);
        Sleep(300);
        std::vector<MessageBoxInfo> more = FindMessageBoxes(app.Id());
        check.Expect(more.empty(), "no further box" + when, "none",
                     more.empty() ? "" : Visible(more.front().caption + L": " + more.front().text));
        for (const MessageBoxInfo& extra : more) DismissMessageBox(extra.window);
    }
    auto code = app.WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after the box" + when))
        check.Equal(item.exitCode, *code, "exit code" + when);
    CheckNoBrowserLeft(check, context.Log(), when);
}

}  // namespace

namespace {

size_t CountLines(const DoubleLog& log, const std::string& prefix) {
    size_t count = 0;
    for (const std::string& line : log.Lines())
        if (line.compare(0, prefix.size(), prefix) == 0) ++count;
    return count;
}

// The first use of the browser in FormCreate loads its saved state; that
// failure is the error display's, and the form is built on. Activation,
// when the window is created, loads again, since the state never got in,
// and that second failure ends the start-up.
void CheckLoadFailure(Context& context) {
    Checker& check = context.Check();
    const std::string when = " when IPersistStreamInit::Load fails";
    const std::wstring message = OleErrorText(E_FAIL);
    auto app = context.Start(context.LaunchFor("fault-load", L"Load=80004005"));
    if (!app) return;
    MessageBoxInfo first = WaitMessageBox(app->Id(), kStartTimeoutMs);
    if (check.Expect(first.window != nullptr, "error display's box appears" + when)) {
        check.Equal("Quellmark Brenvik", ToUtf8(first.caption), "first box caption" + when);
        check.Equal(Visible(WithFullStop(message)), Visible(first.text), "first box text" + when);
        check.Equal("stop", ToUtf8(first.icon), "first box icon" + when);
        HWND application = app->ApplicationWindow();
        check.Expect(first.owner == application, "first box owned by the application window" + when,
                     HexHandle(application), HexHandle(first.owner));
        check.Expect(app->MainWindow() == nullptr || !IsWindowVisible(app->MainWindow()),
                     "main window not shown under the first box" + when);
        check.Expect(DismissMessageBox(first.window), "first box closes with OK" + when);
    }
    MessageBoxInfo second = WaitMessageBox(app->Id(), kBoxTimeoutMs);
    if (check.Expect(second.window != nullptr, "start-up failure box follows" + when)) {
        check.Equal("Application Error", ToUtf8(second.caption), "second box caption" + when);
        check.Expect(MatchesFallbackText(second.text, message) &&
                         second.text.compare(0, 23, L"Exception EOleSysError ") == 0,
                     "second box text" + when,
                     Visible(L"Exception EOleSysError in module QuellmarkBrenvik.exe at XXXXXXXX.\r\n" + message +
                             L".\r\n"),
                     Visible(second.text));
        check.Expect(second.owner == nullptr, "second box has no owner" + when, "null", HexHandle(second.owner));
        check.Expect(DismissMessageBox(second.window), "second box closes with OK" + when);
    }
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after the boxes" + when)) check.Equal(1, *code, "exit code" + when);
    DoubleLog& log = context.Log();
    check.Equal(2, static_cast<long long>(CountLines(log, "Injected Load hr=80004005")), "failed loads" + when);
    check.Expect(!log.Find("InPlaceActivate").has_value(), "browser never activated" + when, "no InPlaceActivate",
                 log.Text());
    CheckNoBrowserLeft(check, log, when);
}

}  // namespace

// The browser not registered and DoVerb failing are the creation-refused
// and activation-failures scenarios.
void ScenarioStartupFaults(Context& context) {
    for (const FaultCase& item : kFaultCases) RunFaultCase(context, item);
    CheckLoadFailure(context);
}
