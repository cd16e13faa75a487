// Real input for the viewer: pointer moves, button presses and key strokes
// through SendInput, which the platform delivers like the user's own.
#include "UserInput.h"

#include "WindowQuery.h"

#include <vector>

namespace {

// Between the events of one gesture: long enough for the viewer's thread to
// see them apart, well inside the double-click time.
constexpr DWORD kInputGapMs = 30;

void Send(std::vector<INPUT> inputs) {
    for (INPUT& input : inputs) {
        SendInput(1, &input, sizeof(INPUT));
        Sleep(kInputGapMs);
    }
}

INPUT Key(WORD virtualKey, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = WORD(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

INPUT Button(bool left, bool down) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = left ? (down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP)
                            : (down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP);
    return input;
}

}  // namespace

POINT ScreenPoint(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

void MovePointer(POINT screen) {
    // Absolute coordinates run from 0 to 65535 over the primary screen.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = LONG((screen.x * 65536LL + 32768) / GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = LONG((screen.y * 65536LL + 32768) / GetSystemMetrics(SM_CYSCREEN));
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send({input});
}

void PressButton(bool left, bool down) { Send({Button(left, down)}); }

void Click(POINT screen, bool left) {
    MovePointer(screen);
    Send({Button(left, true), Button(left, false)});
}

void DoubleClick(POINT screen) {
    MovePointer(screen);
    Send({Button(true, true), Button(true, false), Button(true, true), Button(true, false)});
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        SHORT scan = VkKeyScanW(c);
        // A character the layout has no key for is left out; the caller's
        // check of the resulting text then shows it.
        if (scan == -1) continue;
        WORD key = LOBYTE(scan);
        bool shift = (HIBYTE(scan) & 1) != 0;
        std::vector<INPUT> inputs;
        if (shift) inputs.push_back(Key(VK_SHIFT, false));
        inputs.push_back(Key(key, false));
        inputs.push_back(Key(key, true));
        if (shift) inputs.push_back(Key(VK_SHIFT, true));
        Send(inputs);
    }
}

void PressKey(WORD virtualKey) { Send({Key(virtualKey, false), Key(virtualKey, true)}); }

bool BringToFront(HWND window, DWORD timeoutMs) {
    return WaitUntil([&] {
        if (GetForegroundWindow() == window) return true;
        SetForegroundWindow(window);
        return false;
    }, timeoutMs, 50);
}
