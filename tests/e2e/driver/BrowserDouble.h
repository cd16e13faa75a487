// Talking to the test-double browser inside the viewer: its call log, and
// commands sent to its control window.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

class DoubleLog {
public:
    // A fresh, empty log at path (a Windows path, handed to the viewer as is).
    explicit DoubleLog(std::wstring path);
    const std::wstring& Path() const { return path_; }
    std::vector<std::string> Lines() const;
    // Index of the first line at or after `from` that starts with prefix.
    std::optional<size_t> Find(const std::string& prefix, size_t from = 0) const;
    std::string Text() const;  // the whole log in one line, for a failure message

private:
    std::wstring path_;
};

// Runs one command of the double's protocol and returns its answer; waits
// at most timeoutMs, since a command may open a box inside the viewer.
std::optional<LRESULT> SendDoubleCommand(DWORD processId, const std::string& command, DWORD timeoutMs);
HWND DoubleControlWindow(DWORD processId);
