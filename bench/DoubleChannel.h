// Commands to the test-double browser's control window inside the viewer,
// sent straight from the calling thread so that a round trip costs one
// cross-process SendMessage and nothing more.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

class DoubleChannel {
public:
    // Waits for the control window of the double in that process.
    static std::optional<DoubleChannel> Open(DWORD processId, DWORD timeoutMs);
    // The command's answer; nothing when the window did not answer in time.
    std::optional<LRESULT> Send(const std::string& command, DWORD timeoutMs = 5000) const;

private:
    explicit DoubleChannel(HWND window) : window_(window) {}
    HWND window_;
};
