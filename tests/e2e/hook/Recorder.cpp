// QbShellRecorder.exe: the http handler of the test prefixes. It appends the command line it was started with to the
// file QB_RECORDER_LOG names, so a driver sees which address the viewer handed the shell (in the ANSI code page, as the
// viewer's ShellExecuteA had it).
#include "AppendLine.h"

// Quick clicks start several recorders at once, and AppendLine keeps their lines apart.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return AppendLine(L"QB_RECORDER_LOG", GetCommandLineA()) ? 0 : 1;
}
