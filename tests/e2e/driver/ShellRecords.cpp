// What the shell recorder (the http handler of the test prefix) wrote: one
// command line per address that the viewer handed the shell.
#include "ShellRecords.h"

#include "Files.h"
#include "WindowQuery.h"

#include <windows.h>

#include <sstream>

namespace {

// Starting a process under Wine takes about a second; an address that
// has not come after this did not go to the shell.
constexpr DWORD kRecordTimeoutMs = 6000;
constexpr DWORD kStrayWaitMs = 2000;

// `"C:\...\QbShellRecorder.exe" "http://..."` gives `http://...`; an
// unquoted or further argument is kept as it stands, so it shows.
std::string Argument(const std::string& commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        size_t close = commandLine.find('"', 1);
        at = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        at = commandLine.find(' ');
        if (at == std::string::npos) at = commandLine.size();
    }
    std::string rest = commandLine.substr(at);
    if (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"' && rest.find('"', 1) == rest.size() - 1)
        rest = rest.substr(1, rest.size() - 2);
    return rest;
}

}  // namespace

ShellRecords::ShellRecords(std::wstring path) : path_(std::move(path)) { Clear(); }

void ShellRecords::Clear() const { DeleteFileW(path_.c_str()); }

std::vector<std::string> ShellRecords::Addresses() const {
    std::vector<std::string> addresses;
    std::istringstream in(ReadWholeFile(path_).value_or(""));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) addresses.push_back(Argument(line));
    }
    return addresses;
}

std::vector<std::string> ShellRecords::Settle(size_t count) const {
    if (count > 0) WaitUntil([&] { return Addresses().size() >= count; }, kRecordTimeoutMs, 100);
    Sleep(kStrayWaitMs);
    return Addresses();
}

std::string ListText(const std::vector<std::string>& items) {
    std::string text = "[";
    for (size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
    return text + "]";
}
