// Whole-file reads and writes by Windows path, sharing the file with a
// process that is still appending to it.
#pragma once

#include <optional>
#include <string>

std::optional<std::string> ReadWholeFile(const std::wstring& path);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);
