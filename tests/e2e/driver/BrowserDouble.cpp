// Talking to the test-double browser inside the viewer: its call log, and
// commands sent to its control window.
#include "BrowserDouble.h"

#include "Files.h"
#include "WindowQuery.h"

#include <memory>
#include <sstream>

namespace {

// dwData of a WM_COPYDATA that carries one command line in UTF-8.
constexpr ULONG_PTR kCommandData = 1;

}  // namespace

DoubleLog::DoubleLog(std::wstring path) : path_(std::move(path)) {
    DeleteFileW(path_.c_str());
}

std::vector<std::string> DoubleLog::Lines() const {
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(path_).value_or(""));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::optional<size_t> DoubleLog::Find(const std::string& prefix, size_t from) const {
    std::vector<std::string> lines = Lines();
    for (size_t i = from; i < lines.size(); ++i)
        if (lines[i].compare(0, prefix.size(), prefix) == 0) return i;
    return std::nullopt;
}

std::string DoubleLog::Text() const {
    std::ostringstream out;
    out << "[";
    bool first = true;
    for (const std::string& line : Lines()) {
        out << (first ? "" : " | ") << line;
        first = false;
    }
    out << "]";
    return out.str();
}

HWND DoubleControlWindow(DWORD processId) {
    return FindTopLevel(processId, L"QbBrowserDoubleControl");
}

namespace {

struct Pending {
    HWND target;
    std::string command;
    LRESULT answer = 0;
};

DWORD WINAPI SendCommand(void* param) {
    auto* pending = static_cast<Pending*>(param);
    COPYDATASTRUCT data{};
    data.dwData = kCommandData;
    data.cbData = DWORD(pending->command.size());
    data.lpData = pending->command.data();
    pending->answer = SendMessageW(pending->target, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    return 0;
}

}  // namespace

std::optional<LRESULT> SendDoubleCommand(DWORD processId, const std::string& command, DWORD timeoutMs) {
    HWND target = nullptr;
    WaitUntil([&] { return (target = DoubleControlWindow(processId)) != nullptr; }, 5000);
    if (!target) return std::nullopt;
    // Sent from a thread of its own: the command may open a modal box in the
    // viewer, and then WM_COPYDATA returns only when the box is closed.
    // The data stays alive until the driver ends, since the thread may
    // still be sending when this returns.
    static std::vector<std::unique_ptr<Pending>> inFlight;
    inFlight.push_back(std::make_unique<Pending>(Pending{target, command}));
    Pending* pending = inFlight.back().get();
    HANDLE thread = CreateThread(nullptr, 0, SendCommand, pending, 0, nullptr);
    if (!thread) return std::nullopt;
    bool done = WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
    CloseHandle(thread);
    if (!done) return std::nullopt;
    return pending->answer;
}
