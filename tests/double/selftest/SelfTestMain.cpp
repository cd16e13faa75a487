// Entry point of the double's self-test: loads the DLL from beside the
// executable, runs the scenarios and exits 0 only if every check passed.
#include "Expect.h"
#include "Scenarios.h"

#include <cstring>

namespace selftest {

namespace {

constexpr wchar_t kLibraryName[] = L"QbBrowserDouble.dll";
constexpr wchar_t kLeakArgument[] = L"--leak";
constexpr int32_t kSavedStateSize = 156;
constexpr size_t kExtentOffset = 4;

void PutInt32(std::vector<uint8_t>& bytes, size_t offset, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

void PutGuid(std::vector<uint8_t>& bytes, size_t offset, const GUID& guid) {
  std::memcpy(bytes.data() + offset, &guid, sizeof guid);
}

TestPaths FindPaths() {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  TestPaths paths;
  paths.executable.assign(buffer, length);
  const size_t slash = paths.executable.find_last_of(L"\\/");
  paths.library = paths.executable.substr(0, slash + 1) + kLibraryName;
  return paths;
}

// One log per scenario, left behind for a look after a failure.
LogFile ScenarioLog(const wchar_t* scenario) {
  wchar_t directory[MAX_PATH];
  const DWORD length = GetTempPathW(MAX_PATH, directory);
  LogFile log(std::wstring(directory, length) + L"QbBrowserDoubleSelfTest-" +
              std::to_wstring(GetCurrentProcessId()) + L"-" + scenario + L".log");
  SetEnvironmentVariableW(L"QB_DOUBLE_LOG", log.Path().c_str());
  std::printf("%s log: %s\n", Utf8(scenario).c_str(), Utf8(log.Path()).c_str());
  return log;
}

}  // namespace

std::vector<uint8_t> SavedState(int32_t cx, int32_t cy) {
  static constexpr GUID kStateGuid = {
      0x0057d0e0, 0x3573, 0x11cf, {0xae, 0x69, 0x08, 0x00, 0x2b, 0x2e, 0x12, 0x62}};
  static constexpr GUID kShellLink = {
      0x00021401, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
  std::vector<uint8_t> bytes(kSavedStateSize);
  PutInt32(bytes, 0, 76);
  PutInt32(bytes, kExtentOffset, cx);
  PutInt32(bytes, kExtentOffset + 4, cy);
  PutInt32(bytes, 36, 76);
  PutInt32(bytes, 48, 1);
  PutGuid(bytes, 52, kStateGuid);
  PutInt32(bytes, 68, 8);
  PutInt32(bytes, 76, 76);
  PutGuid(bytes, 80, kShellLink);
  PutInt32(bytes, 96, 0x80);
  PutInt32(bytes, 136, 1);
  return bytes;
}

Microsoft::WRL::ComPtr<IStream> StreamOf(const std::vector<uint8_t>& bytes) {
  Microsoft::WRL::ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
  ULONG written = 0;
  if (!bytes.empty() &&
      FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written))) {
    return nullptr;
  }
  const LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return nullptr;
  return stream;
}

std::string LowerHex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char pair[3];
  for (const uint8_t byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", byte);
    text += pair;
  }
  return text;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512];
  const int length = GetWindowTextW(window, text, 512);
  return std::wstring(text, static_cast<size_t>(length > 0 ? length : 0));
}

}  // namespace selftest

int wmain(int argc, wchar_t** argv) {
  using namespace selftest;
  const TestPaths paths = FindPaths();
  if (argc > 1 && std::wcscmp(argv[1], kLeakArgument) == 0) return RunLeakingChild(paths);

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (!ExpectHr(com, S_OK, "CoInitializeEx of the test's main thread")) return Summary();
  SetEnvironmentVariableW(L"QB_DOUBLE_FAIL", nullptr);
  RunLifecycleTests(paths, ScenarioLog(L"lifecycle"));
  RunStartupFailureTests(paths, ScenarioLog(L"startup"));
  RunShutdownTest(paths, ScenarioLog(L"shutdown"));

  CoUninitialize();
  return Summary();
}
