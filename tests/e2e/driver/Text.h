// Conversions and formatting that the checks print with.
#pragma once

#include <windows.h>

#include <string>

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
std::string Hex8(unsigned long value);
std::string HexHandle(HWND window);
// Control characters written out, so a check line stays one line.
std::string Visible(const std::wstring& text);
std::string RectText(const RECT& rect);
