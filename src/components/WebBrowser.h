// The page view: a window of ours in the form that hosts the platform's
// web-browser control in place, and forwards its progress events.
#pragma once

#include "BrowserHost.h"
#include "Control.h"

#include <cstdint>
#include <memory>
#include <vector>

class TWebBrowser : public TWinControl, private BrowserSiteOwner {
public:
    // Creates the browser control. Raises EOleSysError.
    explicit TWebBrowser(TComponent* owner);
    ~TWebBrowser() override;

    void Navigate(const wchar_t* url);
    // Reloads whatever page the control shows.
    void Refresh();

    void SetProperty(const FormProperty& property) override;
    bool TabStop() const override;

    void CreateHandle(HWND parent) override;
    void DestroyHandle() override;
    bool OfferKey(MSG& message) override;

    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    void BoundsChanged() override;
    bool CanResize(int width, int height) override;

private:
    // The saved state is given and the events joined before the control's
    // automation interface or window is first used.
    void EnsureLoaded();

    HWND SiteWindow() const override { return Handle(); }
    RECT SiteBounds() const override;
    void ProgressChange(std::int32_t progress, std::int32_t progressMax) noexcept override;

    std::unique_ptr<BrowserHost> browser_;
    std::vector<std::uint8_t> controlData_;
    TProgressChangeEvent onProgressChange_;
    bool settingExtent_ = false;
};
