#include "BrowserHost.h"

#include "Adopt.h"
#include "Bstr.h"
#include "Exceptions.h"
#include "OleError.h"
#include "Scaling.h"
#include "Screen.h"

#include <exdispid.h>
#include <ocidl.h>
#include <shlwapi.h>

using Microsoft::WRL::ComPtr;

BrowserHost::BrowserHost(BrowserSiteOwner& owner) {
    site_ = Adopt(new BrowserSite(&owner));
    OleCheck(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              IID_PPV_ARGS(&oleObject_)));
    OleCheck(oleObject_.As(&persistStream_));
    if (FAILED(oleObject_->GetMiscStatus(DVASPECT_CONTENT, &miscStatus_))) miscStatus_ = 0;
    OleCheck(oleObject_->SetClientSite(site_.Get()));
}

// The control holds references to our site, and the site to nothing of the
// control, so the order is: leave the window, stop the events, take the site
// away, close, and release. All of it happens before OleUninitialize, because
// the forms are destroyed inside the scope that holds OLE.
BrowserHost::~BrowserHost() {
    Deactivate();
    if (eventSource_ && eventCookie_ != 0) eventSource_->Unadvise(eventCookie_);
    eventSource_.Reset();
    if (oleObject_) {
        oleObject_->SetClientSite(nullptr);
        oleObject_->Close(OLECLOSE_NOSAVE);
    }
    webBrowser_.Reset();
    persistStream_.Reset();
    oleObject_.Reset();
    site_->Detach();
}

void BrowserHost::Load(const std::vector<std::uint8_t>& savedState) {
    if (!stateLoaded_) LoadState(savedState);
    if (!joined_) JoinEvents();
}

void BrowserHost::LoadState(const std::vector<std::uint8_t>& savedState) {
    if (savedState.empty()) {
        OleCheck(persistStream_->InitNew());
    } else {
        ComPtr<IStream> stream = Adopt(SHCreateMemStream(savedState.data(), static_cast<UINT>(savedState.size())));
        if (!stream) OleCheck(E_OUTOFMEMORY);
        OleCheck(persistStream_->Load(stream.Get()));
    }
    stateLoaded_ = true;
    // Wine's control reads nothing from the state and keeps its default
    // extent of 50 x 20 pixels, but it takes the saved extent when offered.
    if (const auto saved = SavedStateExtent(savedState)) {
        SIZEL current{};
        if (FAILED(oleObject_->GetExtent(DVASPECT_CONTENT, &current)) || current.cx != saved->cx ||
            current.cy != saved->cy) {
            SIZEL offered{saved->cx, saved->cy};
            oleObject_->SetExtent(DVASPECT_CONTENT, &offered);
        }
    }
}

void BrowserHost::JoinEvents() {
    ComPtr<IConnectionPointContainer> container;
    OleCheck(oleObject_.As(&container));
    ComPtr<IConnectionPoint> source;
    OleCheck(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &source));
    DWORD cookie = 0;
    OleCheck(source->Advise(static_cast<IDispatch*>(site_.Get()), &cookie));
    eventSource_ = std::move(source);
    eventCookie_ = cookie;
    joined_ = true;
}

// When the control refused SetExtent, this is the extent it kept.
SIZE BrowserHost::ExtentPixels() const {
    SIZEL himetric{};
    if (FAILED(oleObject_->GetExtent(DVASPECT_CONTENT, &himetric))) return SIZE{0, 0};
    return SIZE{HimetricToPixels(himetric.cx, ScreenPixelsPerInch(LOGPIXELSX)),
                HimetricToPixels(himetric.cy, ScreenPixelsPerInch(LOGPIXELSY))};
}

bool BrowserHost::OfferExtent(SIZE pixels) {
    SIZEL himetric{PixelsToHimetric(pixels.cx, ScreenPixelsPerInch(LOGPIXELSX)),
                   PixelsToHimetric(pixels.cy, ScreenPixelsPerInch(LOGPIXELSY))};
    return oleObject_->SetExtent(DVASPECT_CONTENT, &himetric) == S_OK;
}

void BrowserHost::Activate(HWND parent, const RECT& bounds) {
    if (Active()) return;
    RECT position = bounds;
    OleCheck(oleObject_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, parent, &position));
    if (FAILED(oleObject_.As(&inPlaceObject_)) || !inPlaceObject_)
        throw EOleError("OLE control activation failed", E_FAIL);
    if (FAILED(oleObject_.As(&activeObject_))) activeObject_.Reset();
}

void BrowserHost::SetBounds(const RECT& bounds) {
    if (inPlaceObject_) inPlaceObject_->SetObjectRects(&bounds, &bounds);
}

// UI activation, after which the control focuses its own window; where it
// does not, its in-place window takes the focus, so that keys reach the page.
void BrowserHost::Focus(HWND parent, const RECT& bounds) {
    if (!Active()) return;
    if (!uiActive_) {
        // The flag is set first, because the control may focus the page view
        // again during the call, and that focus comes back here.
        uiActive_ = true;
        RECT position = bounds;
        if (FAILED(oleObject_->DoVerb(OLEIVERB_UIACTIVATE, nullptr, site_.Get(), 0, parent, &position)))
            uiActive_ = false;
    }
    HWND window = nullptr;
    if (FAILED(inPlaceObject_->GetWindow(&window)) || window == nullptr || window == parent) return;
    HWND focus = GetFocus();
    if (focus != window && !IsChild(window, focus)) SetFocus(window);
}

void BrowserHost::Deactivate() {
    uiActive_ = false;
    activeObject_.Reset();
    if (inPlaceObject_) {
        inPlaceObject_->InPlaceDeactivate();
        inPlaceObject_.Reset();
    }
}

IWebBrowser2& BrowserHost::WebBrowser() {
    if (!webBrowser_ && FAILED(oleObject_.As(&webBrowser_)))
        throw EOleSysError("Interface not supported", E_NOINTERFACE);
    return *webBrowser_.Get();
}

void BrowserHost::Navigate(const wchar_t* url) {
    IWebBrowser2& browser = WebBrowser();
    VARIANT omitted;
    VariantInit(&omitted);
    omitted.vt = VT_ERROR;
    omitted.scode = DISP_E_PARAMNOTFOUND;
    const Bstr address(url);
    if (address.Get() == nullptr) OleCheck(E_OUTOFMEMORY);
    OleCheckCall(browser.Navigate(address.Get(), &omitted, &omitted, &omitted, &omitted), &browser, IID_IWebBrowser2);
}

void BrowserHost::Refresh() {
    IWebBrowser2& browser = WebBrowser();
    OleCheckCall(browser.Refresh(), &browser, IID_IWebBrowser2);
}

bool BrowserHost::TranslateAccelerator(MSG& message) {
    return activeObject_ && activeObject_->TranslateAccelerator(&message) == S_OK;
}
