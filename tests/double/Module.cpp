// The DLL around the double: its entry points and class factory, the log,
// the failures read from QB_DOUBLE_FAIL, and the control window through
// which the driver fires events, sets failures and asks for counts.
#include "BrowserDouble.h"

#include "Adopt.h"

#include <algorithm>
#include <charconv>
#include <cstdarg>
#include <cstdio>

namespace qbdouble {

namespace {

constexpr wchar_t kControlClass[] = L"QbBrowserDoubleControl";
constexpr ULONG_PTR kCommandData = 1;

HINSTANCE dllInstance = nullptr;
std::vector<BrowserDouble*> liveObjects;
LONG serverLocks = 0;
// Not an owner: with objects leaked at process exit, static destructors run
// under the loader lock, where windows must not be touched.
HWND controlWindow = nullptr;

std::wstring EnvironmentVariable(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  const DWORD length = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  value.resize(length < value.size() ? length : 0);
  return value;
}

std::wstring Wide(std::string_view utf8) {
  std::wstring text(utf8.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(),
                                         static_cast<int>(text.size()));
  text.resize(length > 0 ? length : 0);
  return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::optional<HRESULT> ParseHresult(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  unsigned long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  const bool whole = error == std::errc() && end == text.data() + text.size();
  if (!whole || text.empty() || text.size() > 8 || text[0] == '-') return std::nullopt;
  return static_cast<HRESULT>(value);
}

std::optional<LONG> ParseInt32(std::string_view text) {
  LONG value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

Failures ParseFailures(std::string_view text) {
  Failures failures;
  for (const std::string_view item : Split(text, ',')) {
    const size_t equals = item.find('=');
    const std::string_view name = item.substr(0, equals);
    const std::optional<HRESULT> hr =
        equals == std::string_view::npos ? std::nullopt : ParseHresult(item.substr(equals + 1));
    if (item == "NoInPlaceObject") {
      failures.noInPlaceObject = true;
    } else if (item == "KeepDefaultExtent") {
      failures.keepDefaultExtent = true;
    } else if (hr && name == "CreateInstance") {
      failures.createInstance = hr;
    } else if (hr && name == "Load") {
      failures.load = hr;
    } else if (hr && name == "DoVerb") {
      failures.doVerb = hr;
    } else if (hr && name == "Advise") {
      failures.advise = hr;
    } else if (hr && name == "Navigate") {
      failures.navigate = FailureRule{*hr, std::nullopt};
    } else if (hr && name == "Refresh") {
      failures.refresh = FailureRule{*hr, std::nullopt};
    }
  }
  return failures;
}

// Words are separated by single spaces, so that a failure's description
// can be taken verbatim after the HRESULT.
LRESULT RunCommand(std::string_view text) {
  while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
  const std::vector<std::string_view> words = Split(text, ' ');
  BrowserDouble* object = liveObjects.empty() ? nullptr : liveObjects.back();
  if (object == nullptr) return 0;
  if (words[0] == "progress" && words.size() == 3) {
    const std::optional<LONG> progress = ParseInt32(words[1]);
    const std::optional<LONG> progressMax = ParseInt32(words[2]);
    return progress && progressMax && object->FireProgress(*progress, *progressMax) == S_OK;
  }
  if (words[0] == "query" && words.size() == 2) {
    if (words[1] == "refs") return object->RefCount();
    if (words[1] == "navigates") return object->NavigateCount();
    if (words[1] == "refreshes") return object->RefreshCount();
    return 0;
  }
  if (words[0] != "fail" || words.size() < 3) return 0;
  Failures& failures = CurrentFailures();
  std::optional<FailureRule>* rule = words[1] == "Navigate"  ? &failures.navigate
                                     : words[1] == "Refresh" ? &failures.refresh
                                                             : nullptr;
  if (rule == nullptr) return 0;
  if (words[2] == "off" && words.size() == 3) {
    rule->reset();
    return 1;
  }
  const std::optional<HRESULT> hr = ParseHresult(words[2]);
  if (!hr) return 0;
  FailureRule next{*hr, std::nullopt};
  const size_t descriptionStart = words[0].size() + words[1].size() + words[2].size() + 3;
  if (words.size() > 3) next.description = Wide(text.substr(descriptionStart));
  *rule = std::move(next);
  return 1;
}

LRESULT CALLBACK ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (message != WM_COPYDATA || data == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (data->dwData != kCommandData || (data->lpData == nullptr && data->cbData != 0)) return 0;
  try {
    return RunCommand(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
  } catch (...) {
    return 0;
  }
}

class ClassFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  // A static object, as long-lived as the module: its count means nothing.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    HRESULT hr = outer != nullptr ? CLASS_E_NOAGGREGATION : CurrentFailures().createInstance.value_or(S_OK);
    // The new object's one reference is traded for the caller's by the query.
    if (SUCCEEDED(hr)) hr = Adopt<IOleObject>(new BrowserDouble())->QueryInterface(iid, object);
    Log("CreateInstance hr=%s", Hex8(hr).c_str());
    return hr;
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    serverLocks += lock ? 1 : -1;
    return S_OK;
  }
};

}  // namespace

Failures& CurrentFailures() {
  static Failures failures = ParseFailures(Utf8(EnvironmentVariable(L"QB_DOUBLE_FAIL")));
  return failures;
}

void Log(const char* format, ...) {
  const std::wstring path = EnvironmentVariable(L"QB_DOUBLE_LOG");
  if (path.empty()) return;
  va_list arguments;
  va_start(arguments, format);
  va_list again;
  va_copy(again, arguments);
  std::string line(static_cast<size_t>(std::max(0, vsnprintf(nullptr, 0, format, arguments))), '\0');
  vsnprintf(line.data(), line.size() + 1, format, again);
  va_end(again);
  va_end(arguments);
  line += "\r\n";
  // Opened and closed for every line: the driver reads the file while the
  // viewer runs, and a crash loses nothing already written.
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, decltype(&CloseHandle)> owner(file, &CloseHandle);
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::string Hex8(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hr));
  return text;
}

std::string Utf8(std::wstring_view text) {
  std::string bytes(text.size() * 3, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                                         static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(length > 0 ? length : 0);
  return bytes;
}

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = dllInstance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HINSTANCE ModuleInstance() { return dllInstance; }

void ObjectCreated(BrowserDouble* object) {
  liveObjects.push_back(object);
  if (controlWindow != nullptr || !RegisterWindowClass(kControlClass, ControlProcedure)) return;
  // A popup that is never shown, not a message-only window: FindWindow,
  // which the driver uses, does not see message-only windows.
  const std::wstring title = L"QbBrowserDouble " + std::to_wstring(GetCurrentProcessId());
  controlWindow = CreateWindowExW(0, kControlClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  dllInstance, nullptr);
}

void ObjectDestroyed(BrowserDouble* object) {
  liveObjects.erase(std::remove(liveObjects.begin(), liveObjects.end(), object), liveObjects.end());
  if (!liveObjects.empty()) return;
  if (controlWindow != nullptr) DestroyWindow(controlWindow);
  controlWindow = nullptr;
  // The module may be unloaded once no object is left; its classes must not
  // outlive their window procedures.
  UnregisterClassW(kControlClass, dllInstance);
  UnregisterClassW(kPageClass, dllInstance);
}

}  // namespace qbdouble

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) qbdouble::dllInstance = instance;
  return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  static qbdouble::ClassFactory factory;
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  return clsid == CLSID_WebBrowser ? factory.QueryInterface(iid, object) : CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return qbdouble::liveObjects.empty() && qbdouble::serverLocks == 0 ? S_OK : S_FALSE;
}
