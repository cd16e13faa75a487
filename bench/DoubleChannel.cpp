// Commands to the test-double browser's control window inside the viewer.
#include "DoubleChannel.h"

#include "Probe.h"

namespace {

// dwData of a WM_COPYDATA that carries one command line in UTF-8.
constexpr ULONG_PTR kCommandData = 1;

}  // namespace

std::optional<DoubleChannel> DoubleChannel::Open(DWORD processId, DWORD timeoutMs) {
    HWND window = nullptr;
    WaitFor([&] { return (window = TopLevelOf(processId, L"QbBrowserDoubleControl")) != nullptr; }, timeoutMs);
    if (!window) return std::nullopt;
    return DoubleChannel(window);
}

std::optional<LRESULT> DoubleChannel::Send(const std::string& command, DWORD timeoutMs) const {
    std::string text = command;
    COPYDATASTRUCT data{};
    data.dwData = kCommandData;
    data.cbData = DWORD(text.size());
    data.lpData = text.data();
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(window_, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, timeoutMs, &answer))
        return std::nullopt;
    return LRESULT(answer);
}
