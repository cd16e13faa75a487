#include "OleError.h"

#include "Bstr.h"
#include "Exceptions.h"
#include "MessageText.h"
#include "WideText.h"

#include <wrl/client.h>

#include <memory>

using Microsoft::WRL::ComPtr;

std::string SystemErrorText(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    // The system allocated the text; it is freed however the conversion ends.
    const std::unique_ptr<wchar_t, decltype(&LocalFree)> owned(buffer, &LocalFree);
    return length != 0 && buffer != nullptr ? Narrow(std::wstring_view(buffer, length)) : std::string();
}

void OleCheck(HRESULT hr) {
    if (FAILED(hr)) throw EOleSysError(OleErrorMessage({}, SystemErrorText(hr), hr), hr);
}

void OleCheckCall(HRESULT hr, IUnknown* object, REFIID iid) {
    if (SUCCEEDED(hr)) return;
    std::string description;
    // The thread's error object belongs to this call only where the object
    // reports through error objects on this interface; otherwise it may be
    // left over from any earlier call and name the wrong cause.
    ComPtr<ISupportErrorInfo> support;
    ComPtr<IErrorInfo> errorInfo;
    if (SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&support))) && support->InterfaceSupportsErrorInfo(iid) == S_OK &&
        GetErrorInfo(0, &errorInfo) == S_OK && errorInfo) {
        Bstr text;
        if (SUCCEEDED(errorInfo->GetDescription(text.Out()))) description = Narrow(text.View());
    }
    throw EOleException(OleErrorMessage(description, SystemErrorText(hr), hr), hr);
}
