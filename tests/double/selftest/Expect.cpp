// Counts and reports the self-test's assertions.
#include "Expect.h"

#include <cstdio>

namespace selftest {

namespace {

int passed = 0;
int failed = 0;

}  // namespace

void Record(bool ok, std::string_view what, const std::string& detail,
            const std::source_location& where) {
  if (ok) {
    ++passed;
    return;
  }
  ++failed;
  std::printf("FAILED %s:%u: %.*s%s%s\n", where.file_name(), static_cast<unsigned>(where.line()),
              static_cast<int>(what.size()), what.data(), detail.empty() ? "" : ": ",
              detail.c_str());
  std::fflush(stdout);
}

bool ExpectHr(HRESULT actual, HRESULT expected, std::string_view what,
              const std::source_location& where) {
  const bool equal = actual == expected;
  Record(equal, what, equal ? std::string() : "got " + HexHr(actual) + ", expected " + HexHr(expected),
         where);
  return equal;
}

int Summary() {
  std::printf("%d passed, %d failed\n", passed, failed);
  std::fflush(stdout);
  return failed == 0 && passed > 0 ? 0 : 1;
}

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                      size, nullptr, nullptr);
  return result;
}

std::string HexHr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hr));
  return text;
}

}  // namespace selftest
