#include "Shell.h"

#include <shellapi.h>

void OpenAddress(HWND owner, const char* address) {
    ShellExecuteA(owner, nullptr, address, nullptr, nullptr, SW_SHOWNORMAL);
}
