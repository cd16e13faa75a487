// Finding the viewer's message boxes ("#32770" dialogs), reading what they
// say and which icon they show, and pressing their OK button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct MessageBoxInfo {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring caption;
    std::wstring text;
    std::wstring icon;  // "stop", "warning", "information", "question" or "none"
    std::vector<std::wstring> buttons;
    bool visible = false;
};

std::vector<MessageBoxInfo> FindMessageBoxes(DWORD processId);
// The first box that comes within the time, or one with a null window.
MessageBoxInfo WaitMessageBox(DWORD processId, DWORD timeoutMs);
bool DismissMessageBox(HWND box);
