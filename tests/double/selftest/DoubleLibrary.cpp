// Loads the double, talks to its control window and reads its log.
#include "DoubleLibrary.h"

#include <fstream>

namespace selftest {

namespace {

template <typename Function>
Function ExportOf(HMODULE module, const char* name) {
  // Through void* because GCC warns on a cast between function types.
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

DoubleLibrary::DoubleLibrary(const std::wstring& path) : module_(LoadLibraryW(path.c_str())) {
  if (module_ == nullptr) return;
  getClassObject_ = ExportOf<GetClassObjectFunction>(module_, "DllGetClassObject");
  canUnloadNow_ = ExportOf<CanUnloadNowFunction>(module_, "DllCanUnloadNow");
  if (getClassObject_ == nullptr || canUnloadNow_ == nullptr) Unload();
}

DoubleLibrary::~DoubleLibrary() { Unload(); }

HRESULT DoubleLibrary::GetClassObject(REFCLSID clsid,
                                      Microsoft::WRL::ComPtr<IClassFactory>& factory) const {
  if (getClassObject_ == nullptr) return E_UNEXPECTED;
  return getClassObject_(clsid, IID_IClassFactory,
                         reinterpret_cast<void**>(factory.ReleaseAndGetAddressOf()));
}

HRESULT DoubleLibrary::CanUnloadNow() const {
  return canUnloadNow_ != nullptr ? canUnloadNow_() : E_UNEXPECTED;
}

void DoubleLibrary::Unload() {
  if (module_ != nullptr) FreeLibrary(module_);
  module_ = nullptr;
  getClassObject_ = nullptr;
  canUnloadNow_ = nullptr;
}

HWND FindControlWindow() {
  const std::wstring title = L"QbBrowserDouble " + std::to_wstring(GetCurrentProcessId());
  return FindWindowW(L"QbBrowserDoubleControl", title.c_str());
}

LRESULT SendCommand(std::string_view text, ULONG_PTR kind) {
  HWND window = FindControlWindow();
  if (window == nullptr) return 0;
  COPYDATASTRUCT data{};
  data.dwData = kind;
  data.cbData = static_cast<DWORD>(text.size());
  data.lpData = const_cast<char*>(text.data());
  return SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void LogFile::Clear() const { DeleteFileW(path_.c_str()); }

std::vector<std::string> LogFile::Lines() const {
  std::vector<std::string> lines;
  std::ifstream file(path_.c_str(), std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool LogFile::Contains(std::string_view wanted) const {
  for (const std::string& line : Lines()) {
    if (line == wanted) return true;
  }
  return false;
}

bool LogFile::ContainsPrefix(std::string_view prefix) const {
  for (const std::string& line : Lines()) {
    if (line.starts_with(prefix)) return true;
  }
  return false;
}

std::string LogFile::LastLine() const {
  const std::vector<std::string> lines = Lines();
  return lines.empty() ? std::string() : lines.back();
}

}  // namespace selftest
