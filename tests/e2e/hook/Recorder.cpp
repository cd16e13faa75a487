// QbShellRecorder.exe: the http handler of the test prefixes. It appends the
// command line it was started with to the file QB_RECORDER_LOG names, so a
// driver sees which address the viewer handed the shell.
#include "AppendLine.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const wchar_t* wide = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string line(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, line.data(), size, nullptr, nullptr);
    line.pop_back();  // the terminating null
    // Quick clicks start several recorders at once.
    return AppendLine(L"QB_RECORDER_LOG", line) ? 0 : 1;
}
