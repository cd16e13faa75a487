// The self-test's assertions: each names what it checks and prints both
// values when it fails; the closing tally decides the exit code.
#pragma once

#include <windows.h>

#include <source_location>
#include <sstream>
#include <string>
#include <string_view>

namespace selftest {

void Record(bool passed, std::string_view what, const std::string& detail,
            const std::source_location& where);

inline bool Expect(bool condition, std::string_view what,
                   const std::source_location& where = std::source_location::current()) {
  Record(condition, what, {}, where);
  return condition;
}

template <typename Actual, typename Expected>
bool ExpectEq(const Actual& actual, const Expected& expected, std::string_view what,
              const std::source_location& where = std::source_location::current()) {
  const bool equal = actual == expected;
  std::string detail;
  if (!equal) {
    std::ostringstream text;
    text << "got [" << actual << "], expected [" << expected << "]";
    detail = text.str();
  }
  Record(equal, what, detail, where);
  return equal;
}

bool ExpectHr(HRESULT actual, HRESULT expected, std::string_view what,
              const std::source_location& where = std::source_location::current());

// Prints "N passed, M failed" and gives the process exit code.
int Summary();

std::string Utf8(std::wstring_view text);
std::string HexHr(HRESULT hr);

}  // namespace selftest
