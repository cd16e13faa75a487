// The http handler of the test prefix: appends the command line it was
// started with, as one UTF-8 line, to the file that QB_RECORDER_LOG names,
// or to QbShellRecorder.log beside itself when the variable is not set.
#include <windows.h>

#include <string>

namespace {

std::wstring LogPath() {
    wchar_t fromEnvironment[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_RECORDER_LOG", fromEnvironment, MAX_PATH);
    if (length > 0 && length < MAX_PATH) return fromEnvironment;
    wchar_t own[MAX_PATH] = {};
    DWORD ownLength = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (ownLength == 0 || ownLength >= MAX_PATH) return {};
    std::wstring path = own;
    size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + L"QbShellRecorder.log";
}

std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size_t(size) : 0, '\0');
    if (size > 0) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
    return bytes;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    std::wstring path = LogPath();
    if (path.empty()) return 2;
    std::string line = Utf8(GetCommandLineW()) + "\r\n";
    // Several recorders may run at once after quick clicks: each writes its
    // line in one append, and waits its turn while another holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            Sleep(20);
            continue;
        }
        DWORD written = 0;
        BOOL ok = WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
        CloseHandle(file);
        return ok && written == line.size() ? 0 : 1;
    }
    return 1;
}
