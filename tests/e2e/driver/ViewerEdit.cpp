// Edit1 of the viewer as the user reaches it: found among the main window's
// children, focused by a real click, its text replaced by real key strokes.
#include "ViewerEdit.h"

#include "UserInput.h"
#include "WindowQuery.h"

HWND FindEdit1(HWND main) {
    for (HWND child : ChildrenOf(main))
        if (ClassOf(child) == L"Edit") return child;
    return nullptr;
}

HWND FocusOf(DWORD threadId) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId, &info) ? info.hwndFocus : nullptr;
}

bool FocusByClick(HWND main, HWND edit, DWORD threadId) {
    if (!BringToFront(main, 3000)) return false;
    RECT client = ClientRectOf(edit);
    Click(ScreenPoint(edit, POINT{client.right / 2, client.bottom / 2}));
    return WaitUntil([&] { return FocusOf(threadId) == edit; }, 3000);
}

void TypeOver(HWND edit, const std::wstring& keys) {
    SendBounded(edit, EM_SETSEL, 0, -1, 2000);
    TypeText(keys);
}

bool WaitEditText(HWND edit, const std::wstring& expected, DWORD timeoutMs) {
    return WaitUntil([&] { return TextOf(edit) == expected; }, timeoutMs);
}
