// The texts the viewer's error display shows, composed here from the
// platform's message table the way the viewer must compose them.
#include "ErrorTexts.h"

#include "Text.h"

std::wstring OleErrorText(HRESULT code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : L"";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    if (text.empty()) text = FromUtf8("OLE error " + Hex8(static_cast<unsigned long>(code)));
    return text;
}

std::wstring WithFullStop(const std::wstring& message) {
    return !message.empty() && message.back() > L'.' ? message + L"." : message;
}
