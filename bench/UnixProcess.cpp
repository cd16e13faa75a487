// The Linux process behind a process that Wine runs, read through drive Z:
// from /proc.
#include "UnixProcess.h"

#include <cwctype>
#include <sstream>
#include <vector>

namespace {

// Files in /proc report a size of 0: read until ReadFile gives nothing.
std::optional<std::string> ReadProcFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::nullopt;
    std::string content;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    CloseHandle(file);
    return content;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = wchar_t(std::towlower(c));
    return text;
}

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The NUL-separated entries of /proc/<pid>/environ or cmdline.
std::vector<std::string> Entries(const std::string& block) {
    std::vector<std::string> entries;
    std::istringstream in(block);
    std::string entry;
    while (std::getline(in, entry, '\0')) entries.push_back(entry);
    return entries;
}

std::wstring ProcPath(unsigned long pid, const wchar_t* leaf) {
    return L"Z:\\proc\\" + std::to_wstring(pid) + L"\\" + leaf;
}

bool RunsExe(unsigned long pid, const std::wstring& exeName) {
    std::optional<std::string> commandLine = ReadProcFile(ProcPath(pid, L"cmdline"));
    if (!commandLine) return false;
    std::vector<std::string> arguments = Entries(*commandLine);
    if (arguments.empty()) return false;
    // Wine rewrites the first argument to the program's path, in Unix or Windows style and padded with blanks.
    std::wstring program = Lower(Widen(arguments[0]));
    while (!program.empty() && program.back() == L' ') program.pop_back();
    size_t slash = program.find_last_of(L"/\\");
    std::wstring base = slash == std::wstring::npos ? program : program.substr(slash + 1);
    return base == Lower(exeName);
}

// Other users of the machine run the same programs in prefixes of their own.
bool InPrefix(unsigned long pid, const std::string& prefix) {
    std::optional<std::string> environment = ReadProcFile(ProcPath(pid, L"environ"));
    if (!environment) return false;
    for (const std::string& entry : Entries(*environment))
        if (entry == "WINEPREFIX=" + prefix) return true;
    return false;
}

uint64_t StatusField(const std::string& status, const std::string& name) {
    size_t at = status.find("\n" + name + ":");
    if (at == std::string::npos) return 0;
    return std::stoull(status.substr(at + name.size() + 2));
}

}  // namespace

std::optional<UnixProcess> UnixProcess::Find(const std::wstring& exeName, std::string* error) {
    char prefix[1024] = {};
    if (!GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix)) {
        if (error) *error = "WINEPREFIX is not set";
        return std::nullopt;
    }
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) {
        if (error) *error = "cannot list Z:\\proc";
        return std::nullopt;
    }
    std::vector<unsigned long> found;
    do {
        wchar_t* end = nullptr;
        unsigned long pid = std::wcstoul(entry.cFileName, &end, 10);
        if (pid == 0 || *end != L'\0') continue;
        if (RunsExe(pid, exeName) && InPrefix(pid, prefix)) found.push_back(pid);
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    if (found.size() != 1) {
        if (error) *error = std::to_string(found.size()) + " Linux processes run that program in this prefix";
        return std::nullopt;
    }
    return UnixProcess(found.front());
}

std::optional<UnixCounters> UnixProcess::Read() const {
    std::optional<std::string> status = ReadProcFile(ProcPath(pid_, L"status"));
    if (!status) return std::nullopt;
    UnixCounters counters;
    counters.rssKiB = StatusField("\n" + *status, "VmRSS");
    counters.anonKiB = StatusField("\n" + *status, "RssAnon");
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW((ProcPath(pid_, L"task") + L"\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return std::nullopt;
    bool any = false;
    do {
        if (entry.cFileName[0] == L'.') continue;
        std::wstring task = ProcPath(pid_, L"task\\") + entry.cFileName;
        std::optional<std::string> schedstat = ReadProcFile(task + L"\\schedstat");
        std::optional<std::string> taskStatus = ReadProcFile(task + L"\\status");
        if (!schedstat || !taskStatus) continue;
        uint64_t onCpu = 0, waiting = 0, slices = 0;
        std::istringstream(*schedstat) >> onCpu >> waiting >> slices;
        counters.cpuNs += onCpu;
        counters.timeslices += slices;
        counters.voluntarySwitches += StatusField("\n" + *taskStatus, "voluntary_ctxt_switches");
        any = true;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    if (!any) return std::nullopt;
    return counters;
}
