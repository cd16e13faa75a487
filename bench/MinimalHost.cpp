// The second start-up floor: the least a program does to show the web-browser
// control while carrying what the viewer must carry to show it. It loads the
// viewer's manifest (common controls version 6), initialises OLE, hosts the
// control through the viewer's own BrowserHost, with a progress bar beside
// it, and shows the window; built by the viewer's toolchain with the viewer's
// flags, so that the viewer's start-up is set against the same obligations
// and nothing else: no form reading, no scaling, no application window.
#include "BrowserHost.h"
#include "FloorWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cxxabi.h>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

// The class the benchmark's driver waits for and sends WM_CLOSE to.
const wchar_t kClassName[] = L"QbBenchMinimalHost";
constexpr int kProgressHeight = 16;

class HostWindow final : public BrowserSiteOwner {
public:
    HostWindow() = default;
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    ~HostWindow() override { Destroy(); }

    // Lets the control's failures out as BrowserHost raises them, and returns false when a window could not be
    // made.
    bool Create(HINSTANCE instance, int showCommand) {
        if (!RegisterFloorClass(instance, kClassName, WindowProc, COLOR_WINDOW)) return false;
        // The control comes before any window, in the viewer's order: its form's components exist before their
        // windows do.
        browser_ = std::make_unique<BrowserHost>(*this);
        browser_->Load({});
        // This class registration brings the 32-bit range that the viewer's progress bar relies on; a floor without
        // it would not be the viewer's floor.
        INITCOMMONCONTROLSEX classes{sizeof classes, ICC_PROGRESS_CLASS};
        if (!InitCommonControlsEx(&classes)) return false;
        // The window stays hidden until the control is in place, as the viewer's form does.
        window_ = CreateWindowExW(0, kClassName, L"Minimal host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, nullptr);
        if (!window_) return false;
        RECT client;
        GetClientRect(window_, &client);
        progress_ = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 0, client.bottom - kProgressHeight,
                                    client.right, kProgressHeight, window_, nullptr, instance, nullptr);
        if (!progress_) return false;
        browser_->Activate(window_, SiteBounds());
        ShowWindow(window_, showCommand);
        UpdateWindow(window_);
        return true;
    }

    // The viewer's exit sequence after its message loop: the control leaves its window and is released (in
    // BrowserHost's destructor), then the windows go, all before OLE is uninitialised.
    void Destroy() {
        if (browser_) browser_->Deactivate();
        browser_.reset();
        if (window_) {
            HWND window = window_;
            window_ = nullptr;
            progress_ = nullptr;
            DestroyWindow(window);
        }
    }

    HWND SiteWindow() const override { return window_; }
    RECT SiteBounds() const override {
        RECT bounds{};
        GetClientRect(window_, &bounds);
        bounds.bottom = bounds.bottom > kProgressHeight ? bounds.bottom - kProgressHeight : 0;
        return bounds;
    }
    void ProgressChange(std::int32_t progress, std::int32_t progressMax) noexcept override {
        if (!progress_ || progressMax <= 0) return;
        SendMessageW(progress_, PBM_SETRANGE32, 0, progressMax);
        SendMessageW(progress_, PBM_SETPOS, static_cast<WPARAM>(progress), 0);
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_CLOSE:
            // As with the viewer's form, closing ends the loop, and the window goes in the exit sequence.
            PostQuitMessage(0);
            return 0;
        case WM_DESTROY:
            // This comes first only when something other than the exit sequence destroys the window.
            PostQuitMessage(0);
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
        }
    }

    std::unique_ptr<BrowserHost> browser_;
    HWND window_ = nullptr;
    HWND progress_ = nullptr;
};

// Exit code 0 after WM_CLOSE, 1 when any step of the start-up fails (the
// bench then reports the process as ending before its window was visible).
int Run(HINSTANCE instance, int showCommand) {
    HostWindow host;
    try {
        if (!host.Create(instance, showCommand)) return 1;
    } catch (...) { return 1; }
    RunMessageLoop();
    host.Destroy();
    return 0;
}

}  // namespace

// Defined here, as the viewer defines it, so that the library's, which brings
// the whole demangler into the static link to print to a console a windowed
// program does not have, is not linked: the floor maps no more than it must.
void __gnu_cxx::__verbose_terminate_handler() { std::abort(); }

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    // OLE is initialised as the viewer does it, because in-place activation needs it.
    if (FAILED(OleInitialize(nullptr))) return 1;
    const int exitCode = Run(instance, showCommand);
    OleUninitialize();
    return exitCode;
}
