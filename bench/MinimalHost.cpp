// The second start-up floor: the least a program can do to show the
// web-browser control. It initialises COM, creates the control, activates it
// in place in a window and shows that window, and nothing else; built by the
// viewer's toolchain with the viewer's flags, so that the viewer's start-up
// can be set against what hosting the control costs by itself.
#include <windows.h>
#include <ocidl.h>
#include <ole2.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t kClassName[] = L"QbBenchMinimalHost";
// CLSID_WebBrowser, spelt out so that no browser header is needed.
const CLSID kWebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

// Client site, in-place site and in-place frame in one object; the two
// GetWindow methods (both from IOleWindow) are one. It lives inside the host
// window's object, which outlives the control, so the reference count is
// only kept, never acted on at zero.
class Site : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    HWND window = nullptr;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *object = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *object = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *object = static_cast<IOleInPlaceFrame*>(this);
        else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
    STDMETHODIMP_(ULONG) Release() override { return --references_; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow, for the in-place site and the frame alike
    STDMETHODIMP GetWindow(HWND* result) override {
        *result = window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override {
        *frame = this;
        AddRef();
        // The frame is the document window too, which the interface asks
        // to be given as null.
        *document = nullptr;
        GetClientRect(window, position);
        GetClientRect(window, clip);
        frameInfo->fMDIApp = FALSE;
        frameInfo->hwndFrame = window;
        frameInfo->haccel = nullptr;
        frameInfo->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow and IOleInPlaceFrame: no menus, tools or status bar
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    ULONG references_ = 0;
};

class HostWindow {
public:
    // Creates the window hidden, the control in it, then shows it: the
    // order in which the viewer's form comes up.
    HRESULT Create(HINSTANCE instance, int showCommand) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kClassName;
        if (!RegisterClassW(&windowClass)) return HRESULT_FROM_WIN32(GetLastError());
        if (!CreateWindowExW(0, kClassName, L"Minimal host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                             CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, this))
            return HRESULT_FROM_WIN32(GetLastError());
        HRESULT hr = Embed();
        if (FAILED(hr)) {
            // Through WM_DESTROY, so that a half-made control is torn down too.
            DestroyWindow(site_.window);
            return hr;
        }
        ShowWindow(site_.window, showCommand);
        UpdateWindow(site_.window);
        return S_OK;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<HostWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->site_.window = window;
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        return self ? self->HandleMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_DESTROY) {
            // The control's window is a child, still there while the
            // parent handles WM_DESTROY.
            Unembed();
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(site_.window, message, wParam, lParam);
    }

    HRESULT Embed() {
        HRESULT hr = CoCreateInstance(kWebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&browser_));
        if (FAILED(hr)) return hr;
        hr = browser_->SetClientSite(static_cast<IOleClientSite*>(&site_));
        if (FAILED(hr)) return hr;
        ComPtr<IPersistStreamInit> persist;
        hr = browser_.As(&persist);
        if (FAILED(hr)) return hr;
        hr = persist->InitNew();
        if (FAILED(hr)) return hr;
        RECT position;
        GetClientRect(site_.window, &position);
        return browser_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(&site_), 0,
                                site_.window, &position);
    }

    // Teardown: Close (which leaves in-place activation), then the site
    // taken back, then the last reference; all while COM is still up.
    void Unembed() {
        if (!browser_) return;
        browser_->Close(OLECLOSE_NOSAVE);
        browser_->SetClientSite(nullptr);
        browser_.Reset();
    }

    Site site_;
    ComPtr<IOleObject> browser_;
};

class ComRuntime {
public:
    ComRuntime() : result_(CoInitialize(nullptr)) {}
    ~ComRuntime() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComRuntime(const ComRuntime&) = delete;
    ComRuntime& operator=(const ComRuntime&) = delete;
    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace

// Exit code 0 after WM_CLOSE, 1 when any step of the start-up fails (the
// bench then reports the process as ending before its window was visible).
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    ComRuntime com;
    if (FAILED(com.Result())) return 1;
    // Declared after the runtime, so destroyed before it is uninitialised.
    HostWindow host;
    if (FAILED(host.Create(instance, showCommand))) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
