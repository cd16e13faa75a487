// QbShellRecorder.exe: the http handler of the test prefixes. It appends the
// command line it was started with to the file QB_RECORDER_LOG names, so a
// driver sees which address the viewer handed the shell.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_RECORDER_LOG", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 2;
    std::wstring wide = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string line(size_t(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), line.data(), size, nullptr, nullptr);
    line += "\r\n";
    // Quick clicks start several recorders: each appends in one write, and
    // waits its turn while another holds the file.
    for (int attempt = 0; attempt < 100; ++attempt, Sleep(20)) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        DWORD written = 0;
        BOOL ok = WriteFile(file, line.data(), DWORD(line.size()), &written, nullptr);
        CloseHandle(file);
        return ok ? 0 : 1;
    }
    return 1;
}
