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

    // Starts the program and waits until its main window is visible;
    // returns the milliseconds that took, or nothing (and why) when it did
    // not happen within the time.
    std::optional<double> StartAndWaitVisible(const Target& target, DWORD timeoutMs, std::string* error);
    DWORD Id() const { return processId_; }
    HANDLE Handle() const { return process_; }
    HWND MainWindow() const { return mainWindow_; }
    // Closes the main window; the exit code when the process ended within
    // the time, else it is terminated and nothing is returned.
    std::optional<DWORD> Close(DWORD timeoutMs);

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    HWND mainWindow_ = nullptr;
};
