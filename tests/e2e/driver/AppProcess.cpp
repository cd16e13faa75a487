// Starting the viewer with a chosen environment and show command, finding
// its windows, and making sure it ends whatever a scenario did.
#include "AppProcess.h"

#include "MessageBoxes.h"
#include "WindowQuery.h"

#include <vector>

namespace {

struct NoCase {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
    }
};

// The driver's environment with the launch's entries laid over it, as the
// sorted block CreateProcessW wants.
std::vector<wchar_t> EnvironmentBlock(const std::map<std::wstring, std::wstring>& overrides) {
    std::map<std::wstring, std::wstring, NoCase> variables;
    if (wchar_t* own = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = own; *entry; entry += wcslen(entry) + 1) {
            std::wstring line = entry;
            size_t equals = line.find(L'=', 1);
            if (equals == std::wstring::npos) continue;
            variables[line.substr(0, equals)] = line.substr(equals + 1);
        }
        FreeEnvironmentStringsW(own);
    }
    // A scenario states the double's settings itself; none leak in from the
    // driver's own environment.
    variables.erase(L"QB_DOUBLE_LOG");
    variables.erase(L"QB_DOUBLE_FAIL");
    for (const auto& [name, value] : overrides) variables[name] = value;
    std::vector<wchar_t> block;
    for (const auto& [name, value] : variables) {
        std::wstring line = name + L"=" + value;
        block.insert(block.end(), line.begin(), line.end());
        block.push_back(L'\0');
    }
    block.push_back(L'\0');
    return block;
}

}  // namespace

AppProcess::~AppProcess() {
    if (process_) {
        if (Running()) End();
        CloseHandle(process_);
    }
    if (thread_) CloseHandle(thread_);
}

bool AppProcess::Start(const Launch& launch, std::string* error) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (launch.showCommand) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *launch.showCommand;
    }
    std::wstring commandLine = L"\"" + launch.exe + L"\"";
    std::vector<wchar_t> environment = EnvironmentBlock(launch.environment);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(launch.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, environment.data(), nullptr, &startup, &info)) {
        if (error) *error = "CreateProcess failed with error " + std::to_string(GetLastError());
        return false;
    }
    process_ = info.hProcess;
    thread_ = info.hThread;
    processId_ = info.dwProcessId;
    threadId_ = info.dwThreadId;
    return true;
}

bool AppProcess::Running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> AppProcess::WaitExit(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_, &code)) return std::nullopt;
    return code;
}

HWND AppProcess::ApplicationWindow() const { return FindTopLevel(processId_, L"TApplication"); }

HWND AppProcess::MainWindow() const {
    for (HWND window : TopLevelWindowsOf(processId_))
        if (ClassOf(window) == L"TForm1") return window;
    return nullptr;
}

HWND AppProcess::WaitMainWindow(DWORD timeoutMs, bool visible) const {
    HWND found = nullptr;
    WaitUntil([&] {
        found = MainWindow();
        return found && (!visible || IsWindowVisible(found));
    }, timeoutMs);
    return found && (!visible || IsWindowVisible(found)) ? found : nullptr;
}

HWND AppProcess::ActiveWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(threadId_, &info)) return nullptr;
    return info.hwndActive;
}

void AppProcess::End(DWORD timeoutMs) {
    if (!Running()) return;
    DWORD start = GetTickCount();
    if (HWND main = MainWindow()) PostMessageW(main, WM_CLOSE, 0, 0);
    while (Running() && GetTickCount() - start < timeoutMs) {
        for (const MessageBoxInfo& box : FindMessageBoxes(processId_)) DismissMessageBox(box.window);
        WaitForSingleObject(process_, 100);
    }
    if (Running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
}
