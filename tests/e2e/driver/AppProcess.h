// Starting the viewer with a chosen environment and show command, finding
// its windows, and making sure it ends whatever a scenario did.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>

struct Launch {
    std::wstring exe;
    std::map<std::wstring, std::wstring> environment;  // added to or replacing the driver's own
    std::optional<WORD> showCommand;                   // STARTF_USESHOWWINDOW when set
};

class AppProcess {
public:
    AppProcess() = default;
    AppProcess(const AppProcess&) = delete;
    AppProcess& operator=(const AppProcess&) = delete;
    // Ends the process if a scenario left it running.
    ~AppProcess();

    bool Start(const Launch& launch, std::string* error);
    DWORD Id() const { return processId_; }
    DWORD ThreadId() const { return threadId_; }
    bool Running() const;
    // The exit code once the process ended within the time, else nothing.
    std::optional<DWORD> WaitExit(DWORD timeoutMs);

    HWND ApplicationWindow() const;  // "TApplication"
    HWND MainWindow() const;         // "TForm1" owned by the application window
    HWND WaitMainWindow(DWORD timeoutMs, bool visible) const;
    // The window that is active on the viewer's thread, or null.
    HWND ActiveWindow() const;

    // Closes the main window, dismisses boxes in the way and, when the
    // process still runs after the time, terminates it.
    void End(DWORD timeoutMs = 8000);

private:
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
};
