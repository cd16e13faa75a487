// The texts the viewer's error display shows, composed here from the
// platform's message table the way the viewer must compose them.
#pragma once

#include <windows.h>

#include <string>

// What the viewer says for a failed browser call without a description:
// the platform's text for the code less trailing blanks, control characters
// and full stops, or "OLE error XXXXXXXX" where the platform has none.
std::wstring OleErrorText(HRESULT code);
// The error display's full stop: added when the last character is above ".".
std::wstring WithFullStop(const std::wstring& message);
