// The self-test's handles on the double: the DLL loaded straight from its
// file (no registry), its control window and its log.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <string>
#include <string_view>
#include <vector>

namespace selftest {

class DoubleLibrary {
 public:
  explicit DoubleLibrary(const std::wstring& path);
  DoubleLibrary(const DoubleLibrary&) = delete;
  DoubleLibrary& operator=(const DoubleLibrary&) = delete;
  ~DoubleLibrary();

  bool Loaded() const { return module_ != nullptr; }
  HRESULT GetClassObject(REFCLSID clsid, Microsoft::WRL::ComPtr<IClassFactory>& factory) const;
  HRESULT CanUnloadNow() const;
  // Frees the DLL now, as CoFreeUnusedLibraries would once CanUnloadNow agrees.
  void Unload();

 private:
  using GetClassObjectFunction = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using CanUnloadNowFunction = HRESULT(STDAPICALLTYPE*)();

  HMODULE module_ = nullptr;
  GetClassObjectFunction getClassObject_ = nullptr;
  CanUnloadNowFunction canUnloadNow_ = nullptr;
};

// The control window of this process's double, or null.
HWND FindControlWindow();

// Sends one command as the driver does; 0 when there is no control window.
LRESULT SendCommand(std::string_view text, ULONG_PTR kind = 1);

class LogFile {
 public:
  explicit LogFile(std::wstring path) : path_(std::move(path)) {}
  const std::wstring& Path() const { return path_; }
  void Clear() const;
  std::vector<std::string> Lines() const;
  bool Contains(std::string_view line) const;
  bool ContainsPrefix(std::string_view prefix) const;
  std::string LastLine() const;

 private:
  std::wstring path_;
};

}  // namespace selftest
