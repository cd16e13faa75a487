#include "ErrorDisplay.h"

#include "Application.h"
#include "Exceptions.h"
#include "MessageText.h"
#include "TypeName.h"
#include "WideText.h"

#include <windows.h>

#include <cxxabi.h>
#include <typeinfo>

namespace {

constexpr UINT kFallbackBoxFlags = MB_OK | MB_ICONSTOP | MB_TASKMODAL;
constexpr char kFallbackCaption[] = "Application Error";
constexpr char kRuntimeErrorCaption[] = "Error";

std::string FileNameOnly(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? path : path.substr(slash + 1));
}

std::wstring ModulePath(HMODULE module) {
    wchar_t buffer[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
    return std::wstring(buffer, length);
}

struct CodeLocation {
    std::string moduleName;
    std::uint32_t offset = 0;
};

// The module whose image holds the address, and the offset into it; the
// program's own file when the address lies in no module.
CodeLocation LocateCode(const void* address) {
    MEMORY_BASIC_INFORMATION region{};
    if (address != nullptr && VirtualQuery(address, &region, sizeof region) != 0 && region.AllocationBase != nullptr) {
        const std::wstring path = ModulePath(static_cast<HMODULE>(region.AllocationBase));
        if (!path.empty())
            return {FileNameOnly(path),
                    static_cast<std::uint32_t>(static_cast<const char*>(address) -
                                               static_cast<const char*>(region.AllocationBase))};
    }
    return {FileNameOnly(ModulePath(nullptr)), 0};
}

struct FailureFacts {
    std::string className;
    std::string message;
    const void* address = nullptr;
};

FailureFacts DescribeFailure(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) { return {e.ClassName(), e.Message(), e.Address()}; } catch (const std::exception& e) {
        return {ReadableTypeName(typeid(e).name()), {}, nullptr};
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        return {type != nullptr ? ReadableTypeName(type->name()) : std::string("unknown"), {}, nullptr};
    }
}

}  // namespace

void ShowFallbackErrorBox(std::exception_ptr error) noexcept {
    try {
        const FailureFacts facts = DescribeFailure(error);
        const CodeLocation location = LocateCode(facts.address);
        const std::string text =
            FallbackErrorText(facts.className, location.moduleName, location.offset, facts.message);
        MessageBoxW(nullptr, Widen(text).c_str(), Widen(kFallbackCaption).c_str(), kFallbackBoxFlags);
    } catch (...) {
        // Out of memory while composing the last-resort box: nothing is left to show it with.
    }
}

void ShowRuntimeErrorBox(int errorNumber, const void* address) noexcept {
    try {
        const std::string text =
            RuntimeErrorText(errorNumber, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address)));
        MessageBoxW(nullptr, Widen(text).c_str(), Widen(kRuntimeErrorCaption).c_str(), MB_OK);
    } catch (...) {}
}

void ReportException(TComponent*, std::exception_ptr error) noexcept {
    if (HWND capture = GetCapture()) SendMessageW(capture, WM_CANCELMODE, 0, 0);
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (const Exception& e) {
        try {
            Application().ShowException(e);
        } catch (...) { ShowFallbackErrorBox(std::current_exception()); }
    } catch (...) { ShowFallbackErrorBox(std::current_exception()); }
}
