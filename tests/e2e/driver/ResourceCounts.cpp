// What another process holds of the platform's resources: kernel handles,
// GDI and USER objects, and its windows; -1 where the platform does not say.
#include "ResourceCounts.h"

#include "WindowQuery.h"

#include <winternl.h>

#include <vector>

namespace {

// SystemHandleInformation of NtQuerySystemInformation: one entry per open
// handle in the system, with the owner's process id cut to 16 bits.
constexpr ULONG kSystemHandleInformation = 16;

struct HandleEntry {
    USHORT processId;
    USHORT creatorBackTraceIndex;
    UCHAR objectType;
    UCHAR attributes;
    USHORT handle;
    void* object;
    ACCESS_MASK access;
};

struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};

using QuerySystemInformation = NTSTATUS(WINAPI*)(ULONG, void*, ULONG, ULONG*);

long long HandlesInSystemTable(DWORD processId) {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        NTSTATUS status = query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), &needed);
        if (status == 0) {
            const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
            long long count = 0;
            for (ULONG i = 0; i < table->count; ++i)
                if (table->entries[i].processId == USHORT(processId)) ++count;
            return count;
        }
        buffer.resize(buffer.size() * 4);
    }
    return -1;
}

long long CountWindows(HWND parent) {
    long long count = 0;
    for (HWND child : ChildrenOf(parent)) count += 1 + CountWindows(child);
    return count;
}

}  // namespace

std::string ResourceCounts::Text() const {
    auto shown = [](long long value) { return value < 0 ? std::string("n/a") : std::to_string(value); };
    return "handles " + shown(handles) + ", GDI objects " + shown(gdiObjects) + ", USER objects " +
           shown(userObjects) + ", windows " + shown(windows);
}

ResourceCounts SampleResources(DWORD processId) {
    ResourceCounts counts;
    if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId)) {
        // Zero is no answer: a running process with windows holds handles
        // and USER objects, and one that paints holds GDI objects.
        DWORD handles = 0;
        if (GetProcessHandleCount(process, &handles) && handles > 0) counts.handles = handles;
        if (DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS)) counts.gdiObjects = gdi;
        if (DWORD user = GetGuiResources(process, GR_USEROBJECTS)) counts.userObjects = user;
        CloseHandle(process);
    }
    if (counts.handles < 0) counts.handles = HandlesInSystemTable(processId);
    counts.windows = 0;
    for (HWND window : TopLevelWindowsOf(processId)) counts.windows += 1 + CountWindows(window);
    return counts;
}
