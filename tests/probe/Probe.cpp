// Helpers that read another process's windows without hanging on it.
#include "Probe.h"

// A hung window makes a check fail after this long instead of stopping the driver.
constexpr DWORD kSendTimeoutMs = 5000;

// One UTF-16 unit takes at most three bytes in UTF-8; a failed conversion gives the empty string.
std::string Utf8(const std::wstring& text) {
    std::string bytes(text.size() * 3, '\0');
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), int(bytes.size()), 0, 0);
    return bytes.substr(0, size_t(size));
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
    for (DWORD start = GetTickCount(); !condition(); Sleep(25))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

void DispatchWaiting() {
    for (MSG next{}; PeekMessageW(&next, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&next);
}

std::wstring ClassOf(HWND window) {
    std::wstring name(256, L'\0');
    return name.substr(0, size_t(GetClassNameW(window, name.data(), int(name.size()))));
}

std::wstring TextOf(HWND window) {
    std::wstring text(1100, L'\0');
    return text.substr(0, size_t(SendBounded(window, WM_GETTEXT, text.size(), LPARAM(text.data()))));
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2), rect;
}

LRESULT SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return LRESULT(result);
}

std::vector<HWND> TopLevelsOf(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> search{processId, {}};
    auto collect = [](HWND window, LPARAM context) -> BOOL {
        auto& [id, windows] = *reinterpret_cast<decltype(search)*>(context);
        DWORD owner = 0;
        if (GetWindowThreadProcessId(window, &owner) && owner == id) windows.push_back(window);
        return TRUE;
    };
    return EnumWindows(collect, LPARAM(&search)), search.second;
}

HWND TopLevelOf(DWORD processId, const wchar_t* className, bool visibleOnly) {
    for (HWND window : TopLevelsOf(processId))
        if (ClassOf(window) == className && (!visibleOnly || IsWindowVisible(window))) return window;
    return nullptr;
}
