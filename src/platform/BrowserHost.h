// Hosts the platform's web-browser control: creates it, gives it its saved
// state, joins its event source, activates it in place in a window of ours,
// and tears it down in the order the control expects.
#pragma once

#include "BrowserSite.h"

#include <windows.h>
#include <exdisp.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

class BrowserHost {
public:
    // Creates the control and hands it our client site. Raises EOleSysError.
    explicit BrowserHost(BrowserSiteOwner& owner);
    ~BrowserHost();
    BrowserHost(const BrowserHost&) = delete;
    BrowserHost& operator=(const BrowserHost&) = delete;

    // The control's OLEMISC_* flags, read when it was created.
    DWORD MiscStatus() const { return miscStatus_; }

    bool Loaded() const { return stateLoaded_ && joined_; }
    // Loads the saved state (or InitNew when there is none) and joins the
    // event sink; after a failure, a second call does only what is still
    // missing, since the control refuses a second Load. Raises EOleSysError.
    void Load(const std::vector<std::uint8_t>& savedState);

    // The control's extent converted to pixels at the screen's resolution.
    SIZE ExtentPixels() const;
    // Offers a new size; false when the control refuses it.
    bool OfferExtent(SIZE pixels);

    // Activates the control in place in parent. Raises EOleSysError or EOleError.
    void Activate(HWND parent, const RECT& bounds);
    bool Active() const { return inPlaceObject_ != nullptr; }
    void SetBounds(const RECT& bounds);
    // Passes the focus that enters the page view on to the control. parent and
    // bounds are those given to Activate.
    void Focus(HWND parent, const RECT& bounds);
    void Deactivate();

    // Both raise EOleException when the call fails, and EOleSysError
    // "Interface not supported" when the control has no IWebBrowser2.
    void Navigate(const wchar_t* url);
    void Refresh();

    // Shows the control a key before the program translates it; true when the control took it.
    bool TranslateAccelerator(MSG& message);

private:
    void LoadState(const std::vector<std::uint8_t>& savedState);
    void JoinEvents();
    IWebBrowser2& WebBrowser();

    Microsoft::WRL::ComPtr<BrowserSite> site_;
    Microsoft::WRL::ComPtr<IOleObject> oleObject_;
    Microsoft::WRL::ComPtr<IPersistStreamInit> persistStream_;
    Microsoft::WRL::ComPtr<IWebBrowser2> webBrowser_;
    Microsoft::WRL::ComPtr<IOleInPlaceObject> inPlaceObject_;
    Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
    Microsoft::WRL::ComPtr<IConnectionPoint> eventSource_;
    DWORD eventCookie_ = 0;
    DWORD miscStatus_ = 0;
    bool uiActive_ = false;
    bool stateLoaded_ = false;
    bool joined_ = false;
};
