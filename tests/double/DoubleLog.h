// The test double's event log: one UTF-8 line per event, appended to the file
// named by QB_DOUBLE_LOG so that a driver in another process can read it while
// the viewer still runs.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace qbdouble {

void Log(std::string_view line);

std::string Hex8(HRESULT hr);
std::string HexBytes(const uint8_t* data, size_t size);
std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);
std::string GuidText(REFGUID guid);
std::string VariantText(const VARIANT* value);

}  // namespace qbdouble
