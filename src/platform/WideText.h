// Conversions between the program's UTF-8 texts and the UTF-16 the window
// APIs take, so that the Cyrillic captions show on every locale.
#pragma once

#include <string>
#include <string_view>

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);
