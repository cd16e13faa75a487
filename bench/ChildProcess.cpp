// A program started by the benchmark and the time its main window takes to
// become visible, measured from just before CreateProcess.
#include "ChildProcess.h"

#include "BenchClock.h"
#include "Probe.h"

namespace {

// Wine 8 reports window creation to an out-of-context event hook, but not
// the showing of a window: the hook hands over the new window at once and
// its visibility is then polled, one cheap query per millisecond, instead of
// enumerating the process's windows in a loop that would compete with it
// for the CPU.
struct CreationWatch {
    DWORD processId = 0;
    const std::wstring* windowClass = nullptr;
    HWND found = nullptr;
};
CreationWatch* activeWatch = nullptr;

void CALLBACK OnObjectCreated(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (!activeWatch || activeWatch->found || object != OBJID_WINDOW || !window) return;
    if (ClassOf(window) == *activeWatch->windowClass) activeWatch->found = window;
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

std::optional<double> ChildProcess::StartAndWaitVisible(const Target& target, DWORD timeoutMs, std::string* error) {
    std::wstring commandLine = L"\"" + target.exe + L"\"";
    if (!target.argument.empty()) commandLine += L" " + target.argument;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    CreationWatch watch;
    watch.windowClass = &target.windowClass;
    // The process starts suspended, so that the hook is in place before its first window can exist; the clock
    // still starts before CreateProcess.
    Stopwatch clock;
    if (!CreateProcessW(target.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info)) {
        *error = "CreateProcess failed with error " + std::to_string(GetLastError());
        return std::nullopt;
    }
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    watch.processId = processId_;
    activeWatch = &watch;
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, OnObjectCreated, processId_,
                                         0, WINEVENT_OUTOFCONTEXT);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    std::optional<double> elapsed;
    while (clock.ElapsedMs() < timeoutMs) {
        DispatchWaiting();
        // If the hook misses the window, a slower search still finds it.
        if (!watch.found && (!hook || clock.ElapsedMs() > 2000)) {
            HWND window = TopLevelOf(processId_, target.windowClass.c_str());
            if (window) watch.found = window;
        }
        if (watch.found && IsWindowVisible(watch.found)) {
            elapsed = clock.ElapsedMs();
            break;
        }
        if (WaitForSingleObject(process_, 0) != WAIT_TIMEOUT) {
            *error = "process ended before its window was visible";
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    activeWatch = nullptr;
    if (hook) UnhookWinEvent(hook);
    mainWindow_ = watch.found;
    if (!elapsed && error->empty()) *error = "no visible window of class " + Utf8(target.windowClass) + " in time";
    return elapsed;
}

std::optional<DWORD> ChildProcess::Close(DWORD timeoutMs) {
    if (!process_) return std::nullopt;
    if (mainWindow_) PostMessageW(mainWindow_, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}
