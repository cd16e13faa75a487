// The self-test's scenarios and the helpers they share.
#pragma once

#include "DoubleLibrary.h"

#include <objidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace selftest {

struct TestPaths {
  std::wstring executable;
  std::wstring library;
};

void RunLifecycleTests(const TestPaths& paths, const LogFile& log);
void RunStartupFailureTests(const TestPaths& paths, const LogFile& log);
void RunShutdownTest(const TestPaths& paths, const LogFile& log);

// The child half of RunShutdownTest: leaves an object alive and exits.
int RunLeakingChild(const TestPaths& paths);

// The viewer's 156-byte saved state, with the extent at bytes 4 to 11.
std::vector<uint8_t> SavedState(int32_t cx, int32_t cy);
Microsoft::WRL::ComPtr<IStream> StreamOf(const std::vector<uint8_t>& bytes);
std::string LowerHex(const std::vector<uint8_t>& bytes);
std::wstring WindowText(HWND window);

}  // namespace selftest
