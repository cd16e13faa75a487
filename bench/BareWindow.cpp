// The start-up and size floor: one top-level window and a message loop, with
// nothing else, built by the same toolchain and flags as the viewer.
#include "FloorWindow.h"

namespace {

const wchar_t kClassName[] = L"QbBenchBareWindow";

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    if (!RegisterFloorClass(instance, kClassName, BareWindowProc, COLOR_BTNFACE)) return 1;
    HWND window = CreateWindowExW(0, kClassName, L"Bare window", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                                  480, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    RunMessageLoop();
    return 0;
}
