#include "OleError.h"

#include "Exceptions.h"
#include "MessageText.h"
#include "WideText.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

std::string SystemErrorText(HRESULT hr) {
    wchar_t* buffer = nullptr;
    const DWORD length =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (length != 0 && buffer != nullptr) text = Narrow(std::wstring_view(buffer, length));
    LocalFree(buffer);
    return text;
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
        BSTR text = nullptr;
        if (SUCCEEDED(errorInfo->GetDescription(&text)) && text != nullptr)
            description = Narrow(std::wstring_view(text, SysStringLen(text)));
        SysFreeString(text);
    }
    throw EOleException(OleErrorMessage(description, SystemErrorText(hr), hr), hr);
}
