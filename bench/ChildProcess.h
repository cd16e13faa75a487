// A program started by the benchmark and the time its main window takes to
// become visible, measured from just before CreateProcess.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

struct Target {
    std::wstring name;  // as it appears in the results
    std::wstring windowClass;  // of the main window
    std::wstring exe;  // Windows path
    std::wstring argument;  // empty for none
};

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts the program and waits until its main window is visible. Returns the milliseconds that took, or nothing
    // (and the reason in error) when it did not happen in time.
    std::optional<double> StartAndWaitVisible(const Target& target, DWORD timeoutMs, std::string* error);
    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_; }
    HWND MainWindow() const { return mainWindow_; }
    // Closes the main window and returns the exit code if the process ends in time; otherwise terminates it and
    // returns nothing.
    std::optional<DWORD> Close(DWORD timeoutMs);

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
};
