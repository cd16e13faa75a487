// Appends a line to the file an environment variable names, in one write, so that writers at once never mix lines.
#pragma once

#include <windows.h>

#include <string>

inline bool AppendLine(const wchar_t* variable, const std::string& line) {
    // The path is read wide, so that a log is found below a folder whose name the ANSI code page cannot spell.
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH), written = 0;
    std::string text = line + "\r\n";
    // While another writer holds the file, the open is tried again for a while.
    for (int attempt = 0; length > 0 && length < MAX_PATH && attempt < 100; ++attempt, Sleep(20)) {
        HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        BOOL ok = WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
        CloseHandle(file);
        return ok;
    }
    return false;
}
