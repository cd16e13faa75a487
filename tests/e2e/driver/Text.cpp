// Conversions and formatting that the checks print with.
#include "Text.h"

#include <cstdio>

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& text) {
    if (text.empty()) return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string Hex8(unsigned long value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%08lX", value);
    return buffer;
}

std::string HexHandle(HWND window) {
    return Hex8(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)));
}

std::string Visible(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\r') out += L"\\r";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else out += c;
    }
    return "\"" + ToUtf8(out) + "\"";
}

std::string RectText(const RECT& rect) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%ld,%ld %ldx%ld", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top);
    return buffer;
}
