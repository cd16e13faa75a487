// The DLL around the double: its entry points and class factory, the log,
// the failures read from QB_DOUBLE_FAIL, and the control window through
// which the driver fires events, sets failures and asks for counts.
#include "BrowserDouble.h"

#include "Adopt.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string_view>

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
  const DWORD size = static_cast<DWORD>(value.size());
  const DWORD length = GetEnvironmentVariableW(name, value.data(), size);
  value.resize(length < value.size() ? length : 0);
  return value;
}

// The whole word or nothing: "80004005x" or an empty word is no number.
template <class Number>
std::optional<Number> ParseNumber(std::string_view word, int base) {
  const std::string text(word);
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, base);
  const bool whole = !text.empty() && !isspace(static_cast<unsigned char>(text[0])) &&
                     (base == 10 || text[0] != '-') && *end == '\0';
  if (!whole || errno != 0) return std::nullopt;
  return static_cast<Number>(value);
}

std::optional<HRESULT> ParseHresult(std::string_view word) {
  const std::optional<HRESULT> hr = ParseNumber<HRESULT>(word, 16);
  const size_t prefix = word.substr(0, 2) == "0x" || word.substr(0, 2) == "0X" ? 2 : 0;
  const bool fits = word.size() <= 8 + prefix;
  return fits ? hr : std::nullopt;
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

Failures ParseFailures(std::string_view text) {
  Failures failures;
  const std::pair<std::string_view, std::optional<HRESULT>*> named[] = {
      {"CreateInstance", &failures.createInstance},
      {"Load", &failures.load},
      {"DoVerb", &failures.doVerb},
      {"Advise", &failures.advise},
  };
  for (const std::string_view item : Split(text, ',')) {
    failures.noInPlaceObject |= item == "NoInPlaceObject";
    const size_t equals = item.find('=');
    if (equals == std::string_view::npos) continue;
    for (const auto& [name, target] : named) {
      if (item.substr(0, equals) == name) *target = ParseHresult(item.substr(equals + 1));
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
    const std::optional<LONG> progress = ParseNumber<LONG>(words[1], 10);
    const std::optional<LONG> progressMax = ParseNumber<LONG>(words[2], 10);
    return progress && progressMax && object->FireProgress(*progress, *progressMax) == S_OK;
  }
  if (words[0] == "query" && words.size() == 2) {
    if (words[1] == "refs") return object->RefCount();
    return words[1] == "refreshes" ? object->RefreshCount() : 0;
  }
  if (words[0] != "fail" || words.size() < 3 || words[1] != "Refresh") return 0;
  std::optional<FailureRule>& rule = CurrentFailures().refresh;
  if (words[2] == "off" && words.size() == 3) {
    rule.reset();
    return 1;
  }
  const std::optional<HRESULT> hr = ParseHresult(words[2]);
  if (!hr) return 0;
  rule = FailureRule{*hr, std::nullopt};
  if (words.size() == 3) return 1;
  const std::string_view description = text.substr(words[0].size() + words[1].size() + 2 +
                                                   words[2].size() + 1);
  std::wstring wide(description.size(), L'\0');
  const int length = MultiByteToWideChar(CP_UTF8, 0, description.data(),
                                         static_cast<int>(description.size()), wide.data(),
                                         static_cast<int>(wide.size()));
  wide.resize(std::max(length, 0));
  rule->description = std::move(wide);
  return 1;
}

LRESULT CALLBACK ControlProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
  if (message != WM_COPYDATA || data == nullptr) {
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (data->dwData != kCommandData || (data->lpData == nullptr && data->cbData != 0)) return 0;
  try {
    return RunCommand(std::string_view(static_cast<const char*>(data->lpData), data->cbData));
  } catch (...) {
    return 0;
  }
}

bool RegisterWindowClass(const wchar_t* name, WNDPROC procedure, int brush) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = dllInstance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(brush));
  windowClass.lpszClassName = name;
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
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
    HRESULT hr = outer != nullptr ? CLASS_E_NOAGGREGATION
                                  : CurrentFailures().createInstance.value_or(S_OK);
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
  // Long enough for any line: a URL is the longest part and the viewer's is short.
  char line[4096];
  va_list arguments;
  va_start(arguments, format);
  const int length = std::clamp(vsnprintf(line, sizeof line - 2, format, arguments), 0,
                                static_cast<int>(sizeof line) - 3);
  va_end(arguments);
  line[length] = '\r';
  line[length + 1] = '\n';
  // Opened and closed for every line: the driver reads the file while the
  // viewer runs, and a crash loses nothing already written.
  const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::unique_ptr<void, decltype(&CloseHandle)> owner(file, &CloseHandle);
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(length + 2), &written, nullptr);
}

std::string Hex8(HRESULT hr) {
  char text[16];
  snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(hr));
  return text;
}

std::string Utf8(std::wstring_view text) {
  std::string bytes(text.size() * 3, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                         nullptr);
  bytes.resize(std::max(length, 0));
  return bytes;
}

// The page takes the focus at UI activation; the default procedure paints it white.
HWND CreatePage(HWND parent, const RECT& placed) {
  if (!RegisterWindowClass(kPageClass, DefWindowProcW, WHITE_BRUSH)) return nullptr;
  return CreateWindowExW(0, kPageClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, placed.left,
                         placed.top, placed.right - placed.left, placed.bottom - placed.top,
                         parent, nullptr, dllInstance, nullptr);
}

void ObjectCreated(BrowserDouble* object) {
  liveObjects.push_back(object);
  if (controlWindow != nullptr) return;
  if (!RegisterWindowClass(kControlClass, ControlProcedure, NULL_BRUSH)) return;
  // A popup that is never shown, not a message-only window: FindWindow,
  // which the driver uses, does not see message-only windows.
  const std::wstring title = L"QbBrowserDouble " + std::to_wstring(GetCurrentProcessId());
  controlWindow = CreateWindowExW(0, kControlClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                  nullptr, dllInstance, nullptr);
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
  if (clsid != CLSID_WebBrowser) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(iid, object);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
  return qbdouble::liveObjects.empty() && qbdouble::serverLocks == 0 ? S_OK : S_FALSE;
}
