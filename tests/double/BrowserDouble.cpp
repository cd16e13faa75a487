// QbBrowserDouble: an in-process stand-in for the web-browser control that holds the viewer's calls to the driver's
// expected ones, fails where QB_DOUBLE_FAIL says, and takes the driver's commands through a hidden window.
#include "Adopt.h"
#include "AppendLine.h"

#include <exdisp.h>
#include <exdispid.h>
#include <olectl.h>
#include <windows.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

using Microsoft::WRL::ComPtr;
extern "C" IMAGE_DOS_HEADER __ImageBase;

// A method the viewer must never call: it fails the step by its name, and answers E_NOTIMPL.
#define NI(method, ...)                                                                                                \
    STDMETHODIMP method(__VA_ARGS__) override { return Call(Log(#method)), E_NOTIMPL; }
#define NP(name, type) NI(get_##name, type*) NI(put_##name, type)

namespace {

constexpr wchar_t kWindowClass[] = L"QbBrowserDoubleControl";  // of the command window and of the page
constexpr DISPID kAmbientDownloadControl = -5512;
constexpr DWORD kCookie = 1;
constexpr size_t kExtentOffset = 4;  // where the saved state keeps the extent, cx then cy

class BrowserDouble;
const HINSTANCE dllInstance = reinterpret_cast<HINSTANCE>(&__ImageBase);
std::vector<BrowserDouble*> liveObjects;
LONG serverLocks = 0;
// A plain handle, not an owner: static destructors run under the loader lock at exit, and must not touch windows.
HWND controlWindow = nullptr;
std::optional<HRESULT> refreshFailure;
std::wstring refreshDescription;
bool errorObjects = true;  // false: failures are not reported through error objects
uintptr_t stackTop = 0, stackBottom = UINTPTR_MAX;  // the highest and lowest stack address a Refresh ran at

std::string Environment(const char* name) {
    char text[4096] = "";
    GetEnvironmentVariableA(name, text, sizeof text);
    return text;
}

__attribute__((format(printf, 1, 2))) std::string Log(const char* format, ...) {
    char line[2400] = "";
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    AppendLine(L"QB_DOUBLE_LOG", line);
    return line;
}

std::vector<std::string> Calls(const std::string& text) {
    std::vector<std::string> calls;
    std::istringstream list(text);
    for (std::string call; std::getline(list, call, ';');)
        if (call.erase(0, call.find_first_not_of(' ')); !call.empty()) calls.push_back(call);
    return calls;
}

// The step's calls, each once and in order, and those allowed at any time; start-up's come before the driver can.
std::vector<std::string> expected = Calls(Environment("QB_DOUBLE_EXPECT")), allowed;
size_t called = 0;  // how many of the expected calls have come

void Missed(size_t next) {
    while (called < next) Log("expected %s, not called", expected[called++].c_str());
}

// A call matches an expectation its line starts with, up to a blank; skipped expected calls and strays fail the step.
void Call(const std::string& line) {
    auto is = [&](const std::string& call) { return line == call || line.starts_with(call + ' '); };
    size_t next = called;
    while (next < expected.size() && !is(expected[next])) ++next;
    const bool isNext = next == called && next < expected.size();
    if (!isNext && std::any_of(allowed.begin(), allowed.end(), is)) return;
    if (next == expected.size()) return void(Log("unexpected %s", line.c_str()));
    Missed(next), ++called;
}

void CheckCalls() {
    Missed(expected.size());
    expected.clear(), called = 0;
    Log("checked");
}

// An item of QB_DOUBLE_FAIL ("Load=80004005,NoInPlaceObject"), with its HRESULT if it has one.
std::optional<HRESULT> Failure(const char* item) {
    const std::string text = Environment("QB_DOUBLE_FAIL");
    const size_t at = text.find(item);
    return at == std::string::npos ? std::nullopt
                                   : std::optional(HRESULT(std::strtoul(&text[at + std::strlen(item)], {}, 16)));
}

HRESULT Hand(IUnknown* self, void** object, HRESULT none = E_NOINTERFACE) {
    if ((*object = self)) self->AddRef();
    return self ? S_OK : none;
}

std::string VariantText(const VARIANT* value) {
    char text[24] = "null";
    if (value) snprintf(text, sizeof text, "%u:%08lx", V_VT(value), V_VT(value) == VT_ERROR ? V_ERROR(value) : 0);
    return text;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

ComPtr<IErrorInfo> ErrorObject(std::wstring description) {
    ComPtr<ICreateErrorInfo> creator;
    ComPtr<IErrorInfo> info;
    if (!description.empty() && SUCCEEDED(CreateErrorInfo(&creator)))
        creator->SetDescription(description.data()), creator.As(&info);
    return info;
}

// clang-format off
class BrowserDouble final : public IWebBrowser2, public IOleObject, public IPersistStreamInit, public IOleInPlaceObject,
                            public IOleInPlaceActiveObject, public IConnectionPointContainer, public ISupportErrorInfo {
    // clang-format on
public:
    BrowserDouble() {
        if (liveObjects.empty()) {
            const HBRUSH white = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
            const WNDCLASSW windowClass{0,  WindowProcedure, 0, 0, dllInstance, {}, LoadCursorW({}, IDC_ARROW), white,
                                        {}, kWindowClass};
            RegisterClassW(&windowClass);
            // A popup that is never shown: FindWindow, which the driver uses, does not see message-only windows.
            const std::wstring title = L"QbBrowserDouble " + std::to_wstring(GetCurrentProcessId());
            controlWindow = CreateWindowExW(0, kWindowClass, title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                            dllInstance, nullptr);
        }
        liveObjects.push_back(this);
    }

    ULONG refs = 1, refreshes = 0;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        const bool inPlace = !Failure("NoInPlaceObject");
        IUnknown* self = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) self = static_cast<IOleObject*>(this);
        if (iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser2)
            self = static_cast<IWebBrowser2*>(this);
        if (iid == IID_IPersist || iid == IID_IPersistStreamInit) self = static_cast<IPersistStreamInit*>(this);
        if (inPlace && (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject))
            self = static_cast<IOleInPlaceObject*>(this);
        if (inPlace && iid == IID_IOleInPlaceActiveObject) self = static_cast<IOleInPlaceActiveObject*>(this);
        if (iid == IID_IConnectionPointContainer) self = static_cast<IConnectionPointContainer*>(this);
        if (iid == IID_ISupportErrorInfo) self = static_cast<ISupportErrorInfo*>(this);
        return Hand(self, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override {
        if (--refs != 0) return refs;
        // The probe gives back the reference that S_OK and S_FALSE take; RPC_E_CHANGED_MODE takes none.
        const HRESULT probe = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (probe == S_OK || probe == S_FALSE) CoUninitialize();
        Call(Log("FinalRelease com=%s", probe == S_OK ? "uninitialised" : "initialised"));
        delete this;
        return 0;
    }

    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        Call(Log("SetClientSite site=%d", site != nullptr));
        site_ = site;
        if (site == nullptr) return S_OK;
        // A real control asks its new site for ambient properties at once.
        ComPtr<IDispatch> ambients;
        DISPPARAMS none{};
        VARIANT result{};
        HRESULT hr = site->QueryInterface(IID_PPV_ARGS(&ambients));
        if (SUCCEEDED(hr))
            hr = ambients->Invoke(kAmbientDownloadControl, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, {}, {});
        VariantClear(&result);
        Call(Log("Ambient dispid=%ld hr=%08lx", kAmbientDownloadControl, hr));
        return S_OK;
    }
    STDMETHODIMP Close(DWORD) override { return Call(Log("Close")), Deactivate(); }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND, LPCRECT rect) override {
        Call(Log("DoVerb verb=%ld", verb));
        HRESULT hr = Failure("DoVerb=").value_or(S_OK);
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_UIACTIVATE) hr = E_NOTIMPL;
        if (hr == S_OK && !Failure("NoInPlaceObject")) hr = Activate(activeSite ? activeSite : site_.Get(), rect);
        if (hr == S_OK && verb == OLEIVERB_UIACTIVATE && !uiActive_ && page_) hr = UIActivate();
        return hr;
    }
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
        const HRESULT hr = aspect == DVASPECT_CONTENT ? S_OK : DV_E_DVASPECT;
        if (hr == S_OK) extent_ = *size;
        Call(Log("SetExtent cx=%ld cy=%ld hr=%08lx", size->cx, size->cy, hr));
        return hr;
    }
    STDMETHODIMP GetExtent(DWORD, SIZEL* size) override { return Call(Log("GetExtent")), *size = extent_, S_OK; }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        constexpr DWORD kStatus = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_ACTIVATEWHENVISIBLE;
        return Call(Log("GetMiscStatus")), *status = kStatus | OLEMISC_RECOMPOSEONRESIZE, S_OK;
    }

    STDMETHODIMP Load(IStream* stream) override {
        BYTE bytes[64 * 1024];
        ULONG size = 0, read = 0;
        // A second initialisation is the host's mistake; the stream is left unread.
        HRESULT hr = initialised_ ? E_UNEXPECTED : S_OK;
        for (read = 1; hr == S_OK && read != 0 && size < sizeof bytes; size += read)
            hr = stream->Read(bytes + size, sizeof bytes - size, &read);
        if (SUCCEEDED(hr)) hr = Failure("Load=").value_or(S_OK);
        initialised_ = initialised_ || hr == S_OK;
        if (hr == S_OK && size >= kExtentOffset + sizeof extent_)
            std::memcpy(&extent_, &bytes[kExtentOffset], sizeof extent_);
        Call(Log("Load size=%lu cx=%ld cy=%ld hr=%08lx", size, extent_.cx, extent_.cy, hr));
        return hr;
    }
    STDMETHODIMP InitNew() override {
        return Call(Log("InitNew")), std::exchange(initialised_, true) ? E_UNEXPECTED : S_OK;
    }

    STDMETHODIMP GetWindow(HWND* window) override {
        return Call(Log("GetWindow")), *window = page_.get(), page_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP InPlaceDeactivate() override { return Call(Log("InPlaceDeactivate")), Deactivate(); }
    STDMETHODIMP UIDeactivate() override { return Call(Log("UIDeactivate")), DeactivateUI(); }
    STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
        return Call(Log("SetObjectRects")), MovePage(*position);
    }
    STDMETHODIMP TranslateAccelerator(LPMSG message) override {
        // F5 and Ctrl+C alone are claimed, so that a test can tell a claimed key from a passed one.
        const bool keyDown = message->message == WM_KEYDOWN;
        HRESULT hr = keyDown && message->wParam == VK_F5 ? S_OK : S_FALSE;
        // Windows' control copies a selection through the OLE clipboard; the double empties it instead.
        if (keyDown && message->wParam == 'C' && GetKeyState(VK_CONTROL) < 0)
            hr = S_OK, Call(Log("Copy hr=%08lx", OleSetClipboard(nullptr)));
        Call(Log("TranslateAccelerator msg=%x key=%x hr=%08lx", message->message, unsigned(message->wParam), hr));
        return hr;
    }

    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        IConnectionPoint* self = iid == DIID_DWebBrowserEvents2 ? &events_ : nullptr;
        return Call(Log("FindConnectionPoint")), Hand(self, reinterpret_cast<void**>(point), CONNECT_E_NOCONNECTION);
    }

    STDMETHODIMP Navigate(BSTR url, VARIANT* flags, VARIANT* target, VARIANT* postData, VARIANT* headers) override {
        char text[2048] = "";
        WideCharToMultiByte(CP_UTF8, 0, url ? url : L"", -1, text, sizeof text - 1, nullptr, nullptr);
        Call(Log("Navigate url=%s flags=%s target=%s postdata=%s headers=%s", text, VariantText(flags).c_str(),
                 VariantText(target).c_str(), VariantText(postData).c_str(), VariantText(headers).c_str()));
        return S_OK;
    }
    STDMETHODIMP Refresh() override {
        Call(Log("Refresh"));
        ++refreshes;
        // Each reload runs inside the modal loops of the boxes open at the time: its address tells the stack's depth.
        const char here = 0;
        stackTop = std::max(stackTop, uintptr_t(&here)), stackBottom = std::min(stackBottom, uintptr_t(&here));
        // An object that reports through error objects sets one, or none, at every failure.
        if (refreshFailure && errorObjects) SetErrorInfo(0, ErrorObject(refreshDescription).Get());
        return refreshFailure.value_or(S_OK);
    }
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
        return Call(Log("InterfaceSupportsErrorInfo")), iid == IID_IWebBrowser2 && errorObjects ? S_OK : S_FALSE;
    }

    // An event as the control raises it: a method call on the sink, arguments last first.
    HRESULT Fire(DISPID event, std::vector<LONG> arguments = {}) {
        // The double and the sink are held for the call, because the handler may unadvise or let go of the double.
        const ComPtr<IOleObject> self(this);
        const ComPtr<IDispatch> sink = sink_;
        if (!sink) return CONNECT_E_NOCONNECTION;
        std::vector<VARIANT> values(arguments.size());
        for (size_t i = 0; i < values.size(); ++i) V_VT(&values[i]) = VT_I4, V_I4(&values[i]) = arguments[i];
        DISPPARAMS parameters{values.data(), nullptr, UINT(values.size()), 0};
        return sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &parameters, {}, {}, {});
    }

private:
    // The connection point for the events, a part of the double that counts its references with the double's.
    struct EventPoint final : IConnectionPoint {
        BrowserDouble* owner;
        explicit EventPoint(BrowserDouble* o) : owner(o) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
            return Hand(iid == IID_IUnknown || iid == IID_IConnectionPoint ? this : nullptr, object);
        }
        STDMETHODIMP_(ULONG) AddRef() override { return owner->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return owner->Release(); }
        STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
            *cookie = 0;
            HRESULT hr = Failure("Advise=").value_or(owner->sink_ ? CONNECT_E_ADVISELIMIT : S_OK);
            if (hr == S_OK && FAILED(sink->QueryInterface(IID_PPV_ARGS(&owner->sink_)))) hr = CONNECT_E_CANNOTCONNECT;
            if (hr == S_OK) *cookie = kCookie;
            Call(Log("Advise hr=%08lx", hr));
            return hr;
        }
        STDMETHODIMP Unadvise(DWORD cookie) override {
            Call(Log("Unadvise cookie=%lu", cookie));
            if (cookie != kCookie || !owner->sink_) return CONNECT_E_NOCONNECTION;
            // The sink is moved out first, because its last Release may call back into the double.
            const ComPtr<IDispatch> sink = std::move(owner->sink_);
            return S_OK;
        }
        NI(GetConnectionInterface, IID*)
        NI(GetConnectionPointContainer, IConnectionPointContainer**) NI(EnumConnections, IEnumConnections**)
    };

    ~BrowserDouble() {
        page_.reset();
        std::erase(liveObjects, this);
        if (!liveObjects.empty()) return;
        DestroyWindow(std::exchange(controlWindow, nullptr));
        // The module may be unloaded once no object is left; its classes must not outlive their window procedures.
        UnregisterClassW(kWindowClass, dllInstance);
    }

    // In-place activation, as the protocol has it; a second one only moves the page.
    HRESULT Activate(IOleClientSite* client, LPCRECT rect) {
        if (inPlaceSite_) return rect ? MovePage(*rect) : S_OK;
        ComPtr<IOleInPlaceSite> site;
        HRESULT hr = client ? client->QueryInterface(IID_PPV_ARGS(&site)) : E_UNEXPECTED;
        if (SUCCEEDED(hr)) hr = site->CanInPlaceActivate() == S_OK ? site->OnInPlaceActivate() : E_FAIL;
        if (FAILED(hr)) return hr;
        inPlaceSite_ = std::move(site);
        HWND parent = nullptr;
        RECT r{}, clip{};
        OLEINPLACEFRAMEINFO frameInfo{sizeof frameInfo, FALSE, nullptr, nullptr, 0};
        ComPtr<IOleInPlaceUIWindow> document;
        hr = inPlaceSite_->GetWindow(&parent);
        if (SUCCEEDED(hr)) hr = inPlaceSite_->GetWindowContext(&frame_, &document, &r, &clip, &frameInfo);
        if (rect) r = *rect;
        if (SUCCEEDED(hr))
            page_.reset(CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, r.left, r.top,
                                        r.right - r.left, r.bottom - r.top, parent, nullptr, dllInstance, nullptr));
        if (SUCCEEDED(hr) && !page_) hr = HRESULT_FROM_WIN32(GetLastError());
        if (FAILED(hr)) Deactivate();
        return hr;
    }

    HRESULT UIActivate() {
        const HRESULT hr = inPlaceSite_->OnUIActivate();
        if (SUCCEEDED(hr)) uiActive_ = true, frame_->SetActiveObject(this, L"QbBrowserDouble"), SetFocus(page_.get());
        return FAILED(hr) ? hr : S_OK;
    }

    HRESULT Deactivate() {
        if (!inPlaceSite_) return S_OK;
        DeactivateUI(), page_.reset(), frame_.Reset();
        // The site is moved out first, so that a site that calls back finds the double inactive.
        const ComPtr<IOleInPlaceSite> site = std::move(inPlaceSite_);
        return site->OnInPlaceDeactivate();
    }
    HRESULT DeactivateUI() {
        if (!uiActive_) return S_OK;
        uiActive_ = false, frame_->SetActiveObject(nullptr, nullptr);
        return inPlaceSite_->OnUIDeactivate(FALSE);
    }
    HRESULT MovePage(const RECT& r) {
        if (page_) MoveWindow(page_.get(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
        return S_OK;
    }

    bool initialised_ = false, uiActive_ = false;
    SIZEL extent_{};
    EventPoint events_{this};
    ComPtr<IOleClientSite> site_;
    ComPtr<IDispatch> sink_;
    // Held from in-place activation to deactivation, as the protocol expects.
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleInPlaceFrame> frame_;
    std::unique_ptr<HWND__, decltype(&DestroyWindow)> page_{nullptr, DestroyWindow};

    // clang-format off
    NI(Update) NI(IsUpToDate) NI(IsDirty) NI(ReactivateAndUndo) NI(GoBack) NI(GoForward) NI(GoHome) NI(GoSearch)
    NI(Stop) NI(Quit) NI(ContextSensitiveHelp, BOOL) NI(OnFrameWindowActivate, BOOL) NI(OnDocWindowActivate, BOOL)
    NI(EnableModeless, BOOL) NI(GetUserClassID, CLSID*) NI(GetClassID, CLSID*) NI(Unadvise, DWORD)
    NI(GetClientSite, IOleClientSite**) NI(SetHostNames, LPCOLESTR, LPCOLESTR) NI(SetMoniker, DWORD, IMoniker*)
    NI(GetMoniker, DWORD, DWORD, IMoniker**) NI(InitFromData, IDataObject*, BOOL, DWORD)
    NI(GetClipboardData, DWORD, IDataObject**) NI(EnumVerbs, IEnumOLEVERB**) NI(GetUserType, DWORD, LPOLESTR*)
    NI(Advise, IAdviseSink*, DWORD*) NI(EnumAdvise, IEnumSTATDATA**) NI(SetColorScheme, LOGPALETTE*)
    NI(Save, IStream*, BOOL) NI(GetSizeMax, ULARGE_INTEGER*) NI(ResizeBorder, LPCRECT, IOleInPlaceUIWindow*, BOOL)
    NI(EnumConnectionPoints, IEnumConnectionPoints**) NI(GetTypeInfoCount, UINT*)
    NI(GetTypeInfo, UINT, LCID, ITypeInfo**) NI(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    NI(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) NI(Refresh2, VARIANT*)
    NI(get_Application, IDispatch**) NI(get_Parent, IDispatch**) NI(get_Container, IDispatch**)
    NI(get_Document, IDispatch**) NI(get_Type, BSTR*) NI(get_LocationName, BSTR*) NI(get_LocationURL, BSTR*)
    NI(get_Name, BSTR*) NI(get_FullName, BSTR*) NI(get_Path, BSTR*) NI(ClientToWindow, int*, int*)
    NI(PutProperty, BSTR, VARIANT) NI(GetProperty, BSTR, VARIANT*) NI(get_HWND, SHANDLE_PTR*)
    NI(Navigate2, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*) NI(QueryStatusWB, OLECMDID, OLECMDF*)
    NI(ExecWB, OLECMDID, OLECMDEXECOPT, VARIANT*, VARIANT*) NI(ShowBrowserBar, VARIANT*, VARIANT*, VARIANT*)
    NI(get_ReadyState, READYSTATE*) NI(get_TopLevelContainer, VARIANT_BOOL*) NI(get_Busy, VARIANT_BOOL*)
    NP(Left, LONG) NP(Top, LONG) NP(Width, LONG) NP(Height, LONG) NP(StatusText, BSTR) NP(ToolBar, int)
    NP(Visible, VARIANT_BOOL) NP(StatusBar, VARIANT_BOOL) NP(MenuBar, VARIANT_BOOL) NP(FullScreen, VARIANT_BOOL)
    NP(Offline, VARIANT_BOOL) NP(Silent, VARIANT_BOOL) NP(TheaterMode, VARIANT_BOOL) NP(RegisterAsBrowser, VARIANT_BOOL)
    NP(RegisterAsDropTarget, VARIANT_BOOL) NP(AddressBar, VARIANT_BOOL) NP(Resizable, VARIANT_BOOL)
    // clang-format on
};

// Driver commands (tests/double/README.md). The call table's need no control object.
LRESULT RunCommand(const std::string& text) {
    if (text.starts_with("expect")) return expected = Calls(text.substr(6)), called = 0, allowed.clear(), 1;
    if (text.starts_with("allow")) return allowed = Calls(text.substr(5)), 1;
    if (text == "check") return CheckCalls(), 1;
    if (text == "query pending") return LRESULT(expected.size() - called);
    if (liveObjects.empty()) return 0;
    BrowserDouble& object = *liveObjects.back();
    long progress = 0, progressMax = 0, event = 0;
    if (std::sscanf(text.c_str(), "progress %ld %ld", &progress, &progressMax) == 2)
        return object.Fire(DISPID_PROGRESSCHANGE, {progressMax, progress}) == S_OK;
    if (std::sscanf(text.c_str(), "event %ld", &event) == 1) return object.Fire(event) == S_OK;
    if (text == "query refs") return object.refs;
    if (text == "query refreshes") return object.refreshes;
    if (text == "query stack") return LRESULT(stackTop - stackBottom);
    unsigned long code = 0;
    int end = 0;
    if (text == "fail Refresh off") refreshFailure.reset();
    else if (std::sscanf(text.c_str(), "fail Refresh %lx%n", &code, &end) == 1) refreshFailure = HRESULT(code);
    else return 0;
    // The rest of the line, blanks included, is the description.
    wchar_t description[1024] = L"";
    if (end > 0 && text[end] == ' ') MultiByteToWideChar(CP_UTF8, 0, text.c_str() + end + 1, -1, description, 1023);
    refreshDescription = description;
    // "stale <text>": an error object left on the thread by an earlier call, and a failure reported without one.
    errorObjects = refreshDescription.rfind(L"stale ", 0) != 0;
    if (!errorObjects) SetErrorInfo(0, ErrorObject(refreshDescription.substr(6)).Get());
    return 1;
}

// The page takes the focus at UI activation, and the class's brush paints it white.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_COPYDATA) return DefWindowProcW(window, message, wParam, lParam);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    return RunCommand(std::string(static_cast<const char*>(data->lpData), data->cbData));
}

class ClassFactory final : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        return Hand(iid == IID_IUnknown || iid == IID_IClassFactory ? this : nullptr, object);
    }
    // The factory lives as long as the module, so its count means nothing and a query need not add to it.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        *object = nullptr;
        HRESULT hr = outer != nullptr ? CLASS_E_NOAGGREGATION : Failure("CreateInstance=").value_or(S_OK);
        Call(Log("CreateInstance hr=%08lx", hr));
        // The query hands the caller a reference of its own, and Adopt lets the creation's one go.
        if (SUCCEEDED(hr)) hr = Adopt<IOleObject>(new BrowserDouble())->QueryInterface(iid, object);
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override {
        return Call(Log("LockServer lock=%d", lock)), serverLocks += lock ? 1 : -1, S_OK;
    }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    static ClassFactory factory;
    return clsid == CLSID_WebBrowser ? factory.QueryInterface(iid, object)
                                     : (*object = nullptr, CLASS_E_CLASSNOTAVAILABLE);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjects.empty() && serverLocks == 0 ? S_OK : S_FALSE;
}

// The last step, the teardown, ends when the viewer lets the module go or ends itself. The C run-time calls this before
// it destroys the module's statics.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_DETACH) CheckCalls();
    return TRUE;
}
