#include "BrowserSite.h"

#include <exdisp.h>
#include <exdispid.h>

#include <algorithm>
#include <iterator>

namespace {

// DISPPARAMS carry the arguments last first: ProgressChange(Progress,
// ProgressMax) arrives with ProgressMax at index 0.
constexpr UINT kProgressChangeArgCount = 2;
constexpr UINT kProgressMaxArg = 0;
constexpr UINT kProgressArg = 1;

// The events of DWebBrowserEvents2. The same IDispatch is the client site's,
// which the control asks for ambient properties (negative DISPIDs such as
// DISPID_AMBIENT_DLCONTROL): those must not look answered, or the control
// takes the empty answer as a setting.
constexpr DISPID kBrowserEvents[] = {
    DISPID_STATUSTEXTCHANGE, DISPID_DOWNLOADCOMPLETE, DISPID_COMMANDSTATECHANGE, DISPID_DOWNLOADBEGIN,
    DISPID_PROGRESSCHANGE, DISPID_PROPERTYCHANGE, DISPID_TITLECHANGE, DISPID_PRINTTEMPLATEINSTANTIATION,
    DISPID_PRINTTEMPLATETEARDOWN, DISPID_UPDATEPAGESTATUS, DISPID_BEFORENAVIGATE2, DISPID_NEWWINDOW2,
    DISPID_NAVIGATECOMPLETE2, DISPID_ONQUIT, DISPID_ONVISIBLE, DISPID_ONTOOLBAR, DISPID_ONMENUBAR,
    DISPID_ONSTATUSBAR, DISPID_ONFULLSCREEN, DISPID_DOCUMENTCOMPLETE, DISPID_ONTHEATERMODE,
    DISPID_WINDOWSETRESIZABLE, DISPID_WINDOWCLOSING, DISPID_WINDOWSETLEFT, DISPID_WINDOWSETTOP,
    DISPID_WINDOWSETWIDTH, DISPID_WINDOWSETHEIGHT, DISPID_CLIENTTOHOSTWINDOW, DISPID_SETSECURELOCKICON,
    DISPID_FILEDOWNLOAD, DISPID_NAVIGATEERROR, DISPID_PRIVACYIMPACTEDSTATECHANGE, DISPID_NEWWINDOW3,
    DISPID_SETPHISHINGFILTERSTATUS, DISPID_WINDOWSTATECHANGED, DISPID_NEWPROCESS, DISPID_THIRDPARTYURLBLOCKED,
    DISPID_REDIRECTXDOMAINBLOCKED, DISPID_WEBWORKERSTARTED, DISPID_WEBWORKERFINISHED, DISPID_BEFORESCRIPTEXECUTE,
};

bool ReadInt32(VARIANT& argument, std::int32_t& value)
{
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, &argument, 0, VT_I4))) return false;
    value = converted.lVal;
    return true;
}

}  // namespace

STDMETHODIMP BrowserSite::QueryInterface(REFIID iid, void** object)
{
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite)
        *object = static_cast<IOleClientSite*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
        *object = static_cast<IOleInPlaceSite*>(this);
    else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
        *object = static_cast<IOleInPlaceFrame*>(this);
    else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2)
        *object = static_cast<IDispatch*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserSite::AddRef()
{
    return ++references_;
}

STDMETHODIMP_(ULONG) BrowserSite::Release()
{
    const ULONG remaining = --references_;
    if (remaining == 0) delete this;
    return remaining;
}

STDMETHODIMP BrowserSite::GetMoniker(DWORD, DWORD, IMoniker** moniker)
{
    if (moniker != nullptr) *moniker = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserSite::GetContainer(IOleContainer** container)
{
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP BrowserSite::GetWindow(HWND* window)
{
    if (window == nullptr) return E_POINTER;
    *window = owner_ != nullptr ? owner_->SiteWindow() : nullptr;
    return *window != nullptr ? S_OK : E_FAIL;
}

STDMETHODIMP BrowserSite::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                           RECT* position, RECT* clip, OLEINPLACEFRAMEINFO* frameInfo)
{
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

STDMETHODIMP BrowserSite::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

// Every event is answered S_OK, whatever its handler made of it: a failure is
// the program's own business and is shown by the handler's catch site.
STDMETHODIMP BrowserSite::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                 UINT*)
{
    if (std::find(std::begin(kBrowserEvents), std::end(kBrowserEvents), dispid) == std::end(kBrowserEvents))
        return DISP_E_MEMBERNOTFOUND;
    if (dispid != DISPID_PROGRESSCHANGE || owner_ == nullptr || params == nullptr ||
        params->cArgs != kProgressChangeArgCount || params->rgvarg == nullptr)
        return S_OK;
    std::int32_t progress = 0;
    std::int32_t progressMax = 0;
    if (ReadInt32(params->rgvarg[kProgressArg], progress) && ReadInt32(params->rgvarg[kProgressMaxArg], progressMax))
        owner_->ProgressChange(progress, progressMax);
    return S_OK;
}
