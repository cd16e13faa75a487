#include "BrowserSite.h"

#include <exdisp.h>
#include <exdispid.h>

namespace {

// DISPPARAMS carry the arguments last first: ProgressChange(Progress,
// ProgressMax) arrives with ProgressMax at index 0.
constexpr UINT kProgressChangeArgCount = 2;
constexpr UINT kProgressMaxArg = 0;
constexpr UINT kProgressArg = 1;

bool ReadInt32(VARIANT& argument, std::int32_t& value) {
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, &argument, 0, VT_I4))) return false;
    value = converted.lVal;
    return true;
}

}  // namespace

STDMETHODIMP BrowserSite::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) *object = static_cast<IDispatch*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef() { return ++references_; }

STDMETHODIMP_(ULONG) BrowserSite::Release() {
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = owner_ != nullptr ? owner_->SiteWindow() : nullptr;
    return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                           RECT* clip, OLEINPLACEFRAMEINFO* frameInfo) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || frameInfo == nullptr)
        return E_POINTER;
    if (owner_ == nullptr) return E_FAIL;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = owner_->SiteBounds();
    *clip = *position;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = owner_->SiteWindow();
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}

STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

// Every event is a method call, answered S_OK whatever its number and
// whatever its handler made of it: a failure is the program's own business
// and is shown by the handler's catch site. The same IDispatch is the client
// site's, which the control asks for ambient properties with property gets;
// those must not look answered, or the control takes the empty answer as a
// setting.
STDMETHODIMP BrowserSite::Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                 UINT*) {
    if ((flags & DISPATCH_METHOD) == 0) return DISP_E_MEMBERNOTFOUND;
    if (dispid != DISPID_PROGRESSCHANGE || owner_ == nullptr || params == nullptr ||
        params->cArgs != kProgressChangeArgCount || params->rgvarg == nullptr)
        return S_OK;
    std::int32_t progress = 0;
    std::int32_t progressMax = 0;
    if (ReadInt32(params->rgvarg[kProgressArg], progress) && ReadInt32(params->rgvarg[kProgressMaxArg], progressMax))
        owner_->ProgressChange(progress, progressMax);
    return S_OK;
}
