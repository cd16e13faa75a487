// Writes the event log and formats the values that appear in it.
#include "DoubleLog.h"

#include <oleauto.h>

#include <cstdio>
#include <vector>

namespace qbdouble {

namespace {

constexpr wchar_t kLogVariable[] = L"QB_DOUBLE_LOG";
constexpr size_t kMaxVariantText = 80;

std::wstring LogPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetEnvironmentVariableW(kLogVariable, buffer.data(),
                                                 static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(length);
  }
}

}  // namespace

void Log(std::string_view line) {
  const std::wstring path = LogPath();
  if (path.empty()) return;
  // Opened and closed per line: the driver reads the file while this process
  // lives, and a crash must not lose what was already written.
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text(line);
  text += "\r\n";
  DWORD written = 0;
  if (WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr)) {
    FlushFileBuffers(file);
  }
  CloseHandle(file);
}

std::string Hex8(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hr));
  return text;
}

std::string HexBytes(const uint8_t* data, size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 0xf];
  }
  return text;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  if (size <= 0) return "?";
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                      size, nullptr, nullptr);
  return result;
}

std::wstring Wide(std::string_view utf8) {
  if (utf8.empty()) return {};
  const int size =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0) return {};
  std::wstring result(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), result.data(),
                      size);
  return result;
}

std::string GuidText(REFGUID guid) {
  wchar_t text[40];
  if (StringFromGUID2(guid, text, 40) == 0) return "?";
  return Utf8(text);
}

std::string VariantText(const VARIANT* value) {
  if (value == nullptr) return "null";
  const VARTYPE type = V_VT(value);
  std::string text = std::to_string(type) + ":";
  if (type == VT_ERROR) return text + Hex8(V_ERROR(value));
  if (type == VT_EMPTY || type == VT_NULL) return text;
  if (type == (VT_ARRAY | VT_UI1)) {
    LONG lower = 0;
    LONG upper = -1;
    if (V_ARRAY(value) != nullptr && SUCCEEDED(SafeArrayGetLBound(V_ARRAY(value), 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(V_ARRAY(value), 1, &upper))) {
      return text + "bytes" + std::to_string(upper - lower + 1);
    }
    return text + "?";
  }
  VARIANT converted;
  VariantInit(&converted);
  // Local user settings must not change what the driver reads, hence the
  // invariant locale.
  if (FAILED(VariantChangeTypeEx(&converted, const_cast<VARIANT*>(value), LOCALE_INVARIANT, 0, VT_BSTR))) {
    return text + "?";
  }
  std::string shown = Utf8(std::wstring_view(V_BSTR(&converted), SysStringLen(V_BSTR(&converted))));
  if (FAILED(VariantClear(&converted))) return text + "?";
  if (shown.size() > kMaxVariantText) shown.resize(kMaxVariantText);
  return text + shown;
}

}  // namespace qbdouble
