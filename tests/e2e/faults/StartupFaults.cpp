// QbStartupFaults.dll: loaded into every process of the fault prefix through
// Wine's AppInit_DLLs, it makes one platform call of the viewer fail from
// outside, before the viewer's own code runs. It acts only in the viewer and
// only when QB_STARTUP_FAULT names a fault; anywhere else it does nothing.
//   QB_STARTUP_FAULT=RegisterClass  the class "TApplication" already exists
//                                   for the viewer's module, so its own
//                                   registration is refused
//   QB_STARTUP_FAULT=SetTimer       every SetTimer the viewer imports answers 0
// With QB_STARTUP_FAULT_LOG set, one line says whether the fault was armed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

constexpr wchar_t kViewerModule[] = L"QuellmarkBrenvik.exe";
constexpr wchar_t kApplicationClass[] = L"TApplication";

void Report(const char* line) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_STARTUP_FAULT_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, DWORD(std::strlen(line)), &written, nullptr);
    WriteFile(file, "\r\n", 2, &written, nullptr);
    CloseHandle(file);
}

bool InViewer() {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    const wchar_t* name = std::wcsrchr(path, L'\\');
    name = name ? name + 1 : path;
    return CompareStringOrdinal(name, -1, kViewerModule, -1, TRUE) == CSTR_EQUAL;
}

LRESULT CALLBACK Placeholder(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

void TakeApplicationClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = Placeholder;
    // The viewer's own module: a local class is refused a second time only
    // for the same instance handle.
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kApplicationClass;
    char line[96];
    if (RegisterClassW(&windowClass))
        std::snprintf(line, sizeof line, "armed RegisterClass");
    else
        std::snprintf(line, sizeof line, "not armed RegisterClass error=%lu", GetLastError());
    Report(line);
}

UINT_PTR WINAPI RefusedSetTimer(HWND, UINT_PTR, UINT, TIMERPROC) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return 0;
}

// Replaces every slot of the viewer's import address table that holds
// user32's SetTimer. The loader has bound the imports before user32 loads
// the AppInit DLLs, so the slots already hold the real address.
int PatchSetTimerImports() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC real = user32 ? GetProcAddress(user32, "SetTimer") : nullptr;
    if (!real) return 0;
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return 0;
    int patched = 0;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); import->Name;
         ++import) {
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk); slot->u1.Function; ++slot) {
            if (slot->u1.Function != reinterpret_cast<ULONG_PTR>(real)) continue;
            DWORD old = 0;
            if (!VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old)) continue;
            slot->u1.Function = reinterpret_cast<ULONG_PTR>(&RefusedSetTimer);
            VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
            ++patched;
        }
    }
    return patched;
}

void RefuseSetTimer() {
    int patched = PatchSetTimerImports();
    char line[96];
    std::snprintf(line, sizeof line, patched > 0 ? "armed SetTimer slots=%d" : "not armed SetTimer slots=%d", patched);
    Report(line);
}

void Arm() {
    wchar_t fault[32] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_STARTUP_FAULT", fault, 32);
    if (length == 0 || length >= 32 || !InViewer()) return;
    if (std::wcscmp(fault, L"RegisterClass") == 0)
        TakeApplicationClass();
    else if (std::wcscmp(fault, L"SetTimer") == 0)
        RefuseSetTimer();
    else
        Report("not armed: unknown fault");
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
        Arm();
    }
    return TRUE;
}
