// QbHook.dll: the driver loads it into the suspended viewer. It records the viewer's timer and shell calls, which leave
// no other trace a driver can read, and makes one start-up call fail when QB_HOOK_FAULT names it:
//   RegisterClass  "TApplication" is taken first, so the viewer's own class is refused
//   SetTimer       every SetTimer answers 0
//   SlowShell      ShellExecuteA takes two seconds, as when the shell shows a dialog first
// With QB_HOOK_WINDOWS_SHOW set, the viewer's ShowWindow minimises and restores an owner as Windows' does.
#include "AppendLine.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace {

decltype(&SetTimer) realSetTimer;
decltype(&KillTimer) realKillTimer;
decltype(&ShellExecuteA) realShellExecute;
decltype(&ShowWindow) realShowWindow;
decltype(&SetWindowPos) realSetWindowPos;
bool refuseTimers = false, slowShell = false;
std::vector<HWND> hiddenWithOwner;  // Windows marks each such window instead (WNDS_HIDDENPOPUP)

void Log(const std::string& line) { AppendLine(L"QB_HOOK_LOG", line); }

UINT_PTR WINAPI LoggedSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
    if (refuseTimers) SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    UINT_PTR result = refuseTimers ? 0 : realSetTimer(window, id, period, proc);
    using std::to_string;
    Log("SetTimer id=" + to_string(id) + " period=" + to_string(period) + " result=" + to_string(result));
    return result;
}

BOOL WINAPI LoggedKillTimer(HWND window, UINT_PTR id) {
    return Log("KillTimer id=" + std::to_string(id)), realKillTimer(window, id);
}

HINSTANCE WINAPI LoggedShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    auto text = [](const char* text) { return text ? "[" + std::string(text) + "]" : "null"; };
    char className[64] = {};
    GetClassNameA(owner, className, sizeof className);
    Log("ShellExecuteA owner=" + std::string(className) + " verb=" + text(verb) + " file=" + text(file) +
        " parameters=" + text(parameters) + " directory=" + text(directory) + " show=" + std::to_string(show));
    if (slowShell) Sleep(2000);
    return realShellExecute(owner, verb, file, parameters, directory, show);
}

// They are listed first, because showing and hiding them reorders the windows.
std::vector<HWND> OwnedBy(HWND owner) {
    std::vector<HWND> owned;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT))
        if (GetWindow(window, GW_OWNER) == owner) owned.push_back(window);
    return owned;
}

// Windows hides an owner's visible owned pop-ups inside the ShowWindow call that minimises it, before the owner is
// iconic, and shows those again once it has restored it (ReactOS: co_WinPosShowWindow and IntShowOwnedPopups). Wine
// does the same only in DefWindowProc's SC_MINIMIZE and SC_RESTORE, which the viewer handles itself. Each pop-up hears
// it as WM_SHOWWINDOW with SW_PARENTCLOSING or SW_PARENTOPENING, and its default handling hides or shows it.
BOOL WINAPI WindowsShowWindow(HWND window, int command) {
    bool minimising = command == SW_MINIMIZE || command == SW_SHOWMINIMIZED || command == SW_SHOWMINNOACTIVE ||
        command == SW_FORCEMINIMIZE;
    bool restoring = IsIconic(window) && !minimising && command != SW_HIDE;
    if (minimising && !IsIconic(window))
        for (HWND popup : OwnedBy(window))
            if (IsWindowVisible(popup))
                SendMessageW(popup, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING), hiddenWithOwner.push_back(popup);
    BOOL result = realShowWindow(window, command);
    if (restoring)
        for (HWND popup : OwnedBy(window))
            if (std::erase(hiddenWithOwner, popup)) SendMessageW(popup, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
    return result;
}

// Windows tells the WinEvent hooks of each window it hides, as the taskbar and screen readers hear it; Wine 8 does not.
// The viewer hides its application window with SetWindowPos.
BOOL WINAPI WindowsSetWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags) {
    bool visible = IsWindowVisible(window);
    BOOL result = realSetWindowPos(window, after, x, y, cx, cy, flags);
    if (visible && !IsWindowVisible(window)) NotifyWinEvent(EVENT_OBJECT_HIDE, window, OBJID_WINDOW, CHILDID_SELF);
    return result;
}

// The loader has bound the viewer's imports by the time this DLL loads, so its import slots hold the real addresses.
template <typename Function>
void Patch(Function& real, HMODULE module, const char* name, Function replacement) {
    real = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports); real && entry->Name; ++entry)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk); slot->u1.Function; ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(real)) continue;
            DWORD old = 0;
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old);
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
        }
}

void Arm() {
    HMODULE user32 = LoadLibraryW(L"user32.dll"), shell32 = LoadLibraryW(L"shell32.dll");
    Patch(realSetTimer, user32, "SetTimer", &LoggedSetTimer);
    Patch(realKillTimer, user32, "KillTimer", &LoggedKillTimer);
    Patch(realShellExecute, shell32, "ShellExecuteA", &LoggedShellExecute);
    if (GetEnvironmentVariableW(L"QB_HOOK_WINDOWS_SHOW", nullptr, 0)) {
        Patch(realShowWindow, user32, "ShowWindow", &WindowsShowWindow);
        Patch(realSetWindowPos, user32, "SetWindowPos", &WindowsSetWindowPos);
    }
    char fault[32] = {};
    GetEnvironmentVariableA("QB_HOOK_FAULT", fault, sizeof fault);
    refuseTimers = std::string(fault) == "SetTimer";
    slowShell = std::string(fault) == "SlowShell";
    if (std::string(fault) != "RegisterClass") return;
    // Windows refuses a second local class of a name only for the same instance, so this one is the viewer's.
    const WNDCLASSW windowClass{0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, L"TApplication"};
    Log(RegisterClassW(&windowClass) ? "armed RegisterClass" : "not armed RegisterClass");
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) Arm();
    return TRUE;
}
