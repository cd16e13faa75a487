// Reading another process's windows: classes, texts, owners, styles,
// rectangles, and bounded waits for a window to reach a state.
#include "WindowQuery.h"

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT rather than GetWindowText: the latter does not reach the
    // text of another process's controls.
    LRESULT length = 0;
    if (!SendBounded(window, WM_GETTEXTLENGTH, 0, 0, 2000, &length)) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = 0;
    if (!SendBounded(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), 2000, &copied)) return {};
    text.resize(static_cast<size_t>(copied));
    return text;
}

HWND OwnerOf(HWND window) { return GetWindow(window, GW_OWNER); }
LONG_PTR StyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }
LONG_PTR ExStyleOf(HWND window) { return GetWindowLongPtrW(window, GWL_EXSTYLE); }

RECT ScreenRectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRectOf(HWND window) {
    RECT rect{};
    GetClientRect(window, &rect);
    return rect;
}

RECT RectIn(HWND window, HWND reference) {
    RECT rect = ScreenRectOf(window);
    MapWindowPoints(HWND_DESKTOP, reference, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

namespace {

struct Collect {
    DWORD processId;
    std::vector<HWND>* windows;
};

BOOL CALLBACK CollectOfProcess(HWND window, LPARAM param) {
    auto* collect = reinterpret_cast<Collect*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == collect->processId) collect->windows->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    std::vector<HWND> windows;
    Collect collect{processId, &windows};
    EnumWindows(CollectOfProcess, reinterpret_cast<LPARAM>(&collect));
    // EnumWindows leaves out message-only windows.
    for (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); window;
         window = FindWindowExW(HWND_MESSAGE, window, nullptr, nullptr))
        CollectOfProcess(window, reinterpret_cast<LPARAM>(&collect));
    return windows;
}

HWND FindTopLevel(DWORD processId, const wchar_t* className) {
    for (HWND window : TopLevelWindowsOf(processId))
        if (ClassOf(window) == className) return window;
    return nullptr;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HWND FindDescendant(HWND ancestor, const wchar_t* className) {
    for (HWND child : ChildrenOf(ancestor)) {
        if (ClassOf(child) == className) return child;
        if (HWND found = FindDescendant(child, className)) return found;
    }
    return nullptr;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(pollMs);
    }
}

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD timeoutMs, LRESULT* result) {
    DWORD_PTR answer = 0;
    bool sent =
        SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &answer) != 0;
    if (result) *result = static_cast<LRESULT>(answer);
    return sent;
}
