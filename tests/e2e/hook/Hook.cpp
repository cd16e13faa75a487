// QbHook.dll: the driver loads it into the suspended viewer. It records the viewer's timer and shell calls, which leave
// no other trace a driver can read, and makes one start-up call fail when QB_HOOK_FAULT names it:
//   RegisterClass  "TApplication" is taken first, so the viewer's own class is refused
//   SetTimer       every SetTimer answers 0
#include "AppendLine.h"

#include <shellapi.h>

namespace {

decltype(&SetTimer) realSetTimer;
decltype(&KillTimer) realKillTimer;
decltype(&ShellExecuteA) realShellExecute;
bool refuseTimers = false;

void Log(const std::string& line) { AppendLine(L"QB_HOOK_LOG", line); }

UINT_PTR WINAPI LoggedSetTimer(HWND window, UINT_PTR id, UINT period, TIMERPROC proc) {
    if (refuseTimers) SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    UINT_PTR result = refuseTimers ? 0 : realSetTimer(window, id, period, proc);
    Log("SetTimer id=" + std::to_string(id) + " period=" + std::to_string(period) +
        " result=" + std::to_string(result));
    return result;
}

BOOL WINAPI LoggedKillTimer(HWND window, UINT_PTR id) {
    Log("KillTimer id=" + std::to_string(id));
    return realKillTimer(window, id);
}

HINSTANCE WINAPI LoggedShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show) {
    auto text = [](const char* text) { return text ? "[" + std::string(text) + "]" : "null"; };
    char className[64] = {};
    GetClassNameA(owner, className, sizeof className);
    Log("ShellExecuteA owner=" + std::string(className) + " verb=" + text(verb) + " file=" + text(file) +
        " parameters=" + text(parameters) + " directory=" + text(directory) + " show=" + std::to_string(show));
    return realShellExecute(owner, verb, file, parameters, directory, show);
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
    char fault[32] = {};
    GetEnvironmentVariableA("QB_HOOK_FAULT", fault, sizeof fault);
    refuseTimers = std::string(fault) == "SetTimer";
    if (std::string(fault) != "RegisterClass") return;
    // A local class is refused a second time only for the same instance.
    const WNDCLASSW windowClass{0, DefWindowProcW, 0, 0, GetModuleHandleW(nullptr), {}, {}, {}, {}, L"TApplication"};
    Log(RegisterClassW(&windowClass) ? "armed RegisterClass" : "not armed RegisterClass");
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) Arm();
    return TRUE;
}
