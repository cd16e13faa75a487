// The window tree and its geometry: every window of the viewer with its
// class, owner, styles and place, and the windowless labels by their pixels.
#include "ExpectedLayout.h"
#include "MessageBoxes.h"
#include "PixelCheck.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <commctrl.h>

#include <algorithm>

namespace {

constexpr RECT kMainRect{432, 69, 432 + 815, 69 + 536};
constexpr const char* kLabelNames[4] = {"Label1", "Label2", "Label3", "Label4"};

bool HasAll(LONG_PTR value, LONG_PTR bits) { return (value & bits) == bits; }

void CheckApplicationWindow(Checker& check, HWND application, HWND main) {
    check.Equal("Quellmark Brenvik", ToUtf8(TextOf(application)), "application window title");
    RECT rect = ScreenRectOf(application);
    check.Equal("0x0", std::to_string(Width(rect)) + "x" + std::to_string(Height(rect)), "application window size");
    check.Expect(OwnerOf(application) == nullptr, "application window has no owner");
    LONG_PTR style = StyleOf(application);
    check.Expect(HasAll(style, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX),
                 "application window is a pop-up with caption, system menu and minimise box",
                 Hex8(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), Hex8(static_cast<unsigned long>(style)));
    // It carries the taskbar entry, so it is shown while the main window is.
    check.Equal(IsWindowVisible(main) ? 1 : 0, IsWindowVisible(application) ? 1 : 0,
                "application window visible exactly while the main window is");
}

struct ScrollBars {
    bool horizontal = false, vertical = false;
    SIZE client{};
};

// The scroll bars that the ranges call for in the client area that the
// platform's frame leaves, each bar taking room from the other direction.
ScrollBars ExpectedScrollBars(HWND main, const ExpectedLayout& layout) {
    LONG_PTR style = StyleOf(main) & ~(WS_HSCROLL | WS_VSCROLL);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, DWORD(style), FALSE, DWORD(ExStyleOf(main)));
    int width = Width(kMainRect) - Width(frame);
    int height = Height(kMainRect) - Height(frame);
    ScrollBars bars;
    for (int pass = 0; pass < 2; ++pass) {
        bars.vertical = layout.rangeY > height - (bars.horizontal ? GetSystemMetrics(SM_CYHSCROLL) : 0);
        bars.horizontal = layout.rangeX > width - (bars.vertical ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    }
    bars.client.cx = width - (bars.vertical ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    bars.client.cy = height - (bars.horizontal ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    return bars;
}

void CheckMainWindow(Context& context, HWND main, HWND application, const ExpectedLayout& layout) {
    Checker& check = context.Check();
    check.Expect(OwnerOf(main) == application, "main window owned by the application window",
                 HexHandle(application), HexHandle(OwnerOf(main)));
    check.Expect((ExStyleOf(main) & WS_EX_APPWINDOW) == 0, "main window has no WS_EX_APPWINDOW");
    check.Equal(ToUtf8(context.WindowTitle()), ToUtf8(TextOf(main)), "main window caption");
    check.Equal(RectText(kMainRect), RectText(ScreenRectOf(main)), "main window outer rectangle");
    LONG_PTR style = StyleOf(main);
    LONG_PTR frame = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    check.Expect(HasAll(style, frame), "main window has a sizeable frame, system menu, minimise and maximise boxes",
                 Hex8(static_cast<unsigned long>(frame)), Hex8(static_cast<unsigned long>(style)));
    check.Expect(!IsIconic(main) && !IsZoomed(main), "main window shown in the normal state");

    ScrollBars bars = ExpectedScrollBars(main, layout);
    RECT client = ClientRectOf(main);
    check.Equal(std::to_string(bars.client.cx) + "x" + std::to_string(bars.client.cy),
                std::to_string(Width(client)) + "x" + std::to_string(Height(client)), "main window client area");
    check.Equal(bars.horizontal, (style & WS_HSCROLL) != 0,
                "horizontal scroll bar iff range " + std::to_string(layout.rangeX) + " exceeds the client width");
    check.Equal(bars.vertical, (style & WS_VSCROLL) != 0,
                "vertical scroll bar iff range " + std::to_string(layout.rangeY) + " exceeds the client height");
}

struct Child {
    const wchar_t* className;
    HWND window = nullptr;
};

std::vector<Box> CheckChildren(Context& context, HWND main, const ExpectedLayout& layout) {
    Checker& check = context.Check();
    Child children[] = {{L"msctls_progress32"}, {L"TWebBrowser"}, {L"Edit"}};
    std::vector<std::wstring> unexpected;
    for (HWND window : ChildrenOf(main)) {
        std::wstring name = ClassOf(window);
        auto match = std::find_if(std::begin(children), std::end(children),
                                  [&](const Child& child) { return name == child.className && !child.window; });
        if (match == std::end(children)) unexpected.push_back(name);
        else match->window = window;
    }
    std::vector<Box> rects;
    for (const Child& child : children)
        if (check.Expect(child.window != nullptr, "main window has a child of class " + ToUtf8(child.className)))
            rects.push_back(ToBox(RectIn(child.window, main)));
    std::string others;
    for (const std::wstring& name : unexpected) others += (others.empty() ? "" : ", ") + ToUtf8(name);
    check.Expect(unexpected.empty(), "main window has no other children", "none", others);
    if (rects.size() != 3) return rects;

    RECT client = ClientRectOf(main);
    Box progress{0, int(client.bottom) - layout.progressHeight, int(client.right), layout.progressHeight};
    check.Equal(BoxText(progress), BoxText(rects[0]), "ProgressBar1 laid along the client area's bottom edge");
    check.Equal(BoxText(layout.browser), BoxText(rects[1]), "WebBrowser1 at its scaled place, sized from its extent");
    check.Equal(BoxText(layout.edit), BoxText(rects[2]), "Edit1 at its scaled place, height from its font");

    HWND edit = children[2].window;
    check.Equal("5", ToUtf8(TextOf(edit)), "Edit1 text");
    check.Expect((ExStyleOf(edit) & WS_EX_CLIENTEDGE) != 0, "Edit1 has a three-dimensional border");
    check.Expect((StyleOf(edit) & WS_TABSTOP) != 0, "Edit1 is a tab stop");
    check.Expect((StyleOf(children[0].window) & WS_TABSTOP) == 0, "ProgressBar1 is no tab stop");
    check.Expect((StyleOf(children[0].window) & PBS_SMOOTH) == 0, "ProgressBar1 is not smooth");
    if (context.Opts().withDouble) {
        HWND page = FindDescendant(children[1].window, L"QbBrowserDoublePage");
        if (check.Expect(page != nullptr, "the browser's own window lies inside WebBrowser1"))
            check.Equal(RectText(ScreenRectOf(children[1].window)), RectText(ScreenRectOf(page)),
                        "the browser's window fills WebBrowser1");
    }
    return rects;
}

void CheckLabels(Checker& check, HWND main, const ExpectedLayout& layout, const std::vector<Box>& children) {
    SetForegroundWindow(main);
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(400);
    RECT client = ClientRectOf(main);
    MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    Image capture = CaptureScreen(client);
    if (!check.Expect(!capture.Empty(), "capture of the main window's client area")) return;

    const ColourClass* colours[4] = {&kBlueText, &kRedText, &kDarkText, &kDarkText};
    for (int i = 0; i < 4; ++i) {
        const ExpectedLabel& label = layout.labels[i];
        std::vector<Box> ignored = children;
        // The two caption labels share a colour: each one's text is not the
        // other's stray pixels.
        for (int j = 0; j < 4; ++j)
            if (j != i && colours[j] == colours[i]) ignored.push_back(layout.labels[j].box);
        ColourFindings found = FindColour(capture, *colours[i], label.box, ignored);
        std::string name = kLabelNames[i];
        check.Expect(found.tintedOutside == 0, "no " + std::string(colours[i]->name) + " of " + name + " outside its box",
                     "0 pixels", std::to_string(found.tintedOutside) + " (first at " + std::to_string(found.firstOutsideX) +
                         "," + std::to_string(found.firstOutsideY) + ")");
        // Where the controls reach past the client area a label can lie
        // partly or wholly beyond it, until the window is scrolled.
        int visibleWidth = std::min(label.box.left + label.box.width, capture.Width()) - label.box.left;
        if (visibleWidth < label.box.width)
            check.Note(name + " is cut by the client area's right edge: " + std::to_string(std::max(visibleWidth, 0)) +
                       " of " + std::to_string(label.box.width) + " pixels show");
        if (visibleWidth <= 0) continue;
        check.Expect(found.strongInside >= 10, name + " shows " + colours[i]->name + " text inside " + BoxText(label.box),
                     ">= 10 pixels", std::to_string(found.strongInside));
        // The text runs across its extent: a label drawn with another font or
        // clipped short fails here.
        check.Expect(found.tintedBounds.width * 10 >= visibleWidth * 8,
                     name + " text spans its caption's extent (" + std::to_string(visibleWidth) + " pixels in view)",
                     ">= 80% of the width", BoxText(found.tintedBounds));
    }
}

void CheckTimerWindow(Checker& check, DWORD processId) {
    HWND timer = FindTopLevel(processId, L"TPUtilWindow");
    if (!check.Expect(timer != nullptr, "timer window of class TPUtilWindow exists")) return;
    check.Expect(!IsWindowVisible(timer), "timer window hidden");
    check.Expect((StyleOf(timer) & WS_POPUP) != 0, "timer window is WS_POPUP");
    check.Expect((ExStyleOf(timer) & WS_EX_TOOLWINDOW) != 0, "timer window is WS_EX_TOOLWINDOW");
    check.Equal("", ToUtf8(TextOf(timer)), "timer window title");
    check.Expect(OwnerOf(timer) == nullptr && GetParent(timer) == nullptr, "timer window has no owner or parent");
    check.Equal("0,0 0x0", RectText(ScreenRectOf(timer)), "timer window rectangle");
}

void SaveScreenshot(Context& context, HWND main) {
    SetForegroundWindow(main);
    Sleep(200);
    Image shot = CaptureScreen(ScreenRectOf(main));
    context.Check().Expect(!shot.Empty() && shot.SaveBmp(context.Opts().screenshot),
                           "screenshot written to " + ToUtf8(context.Opts().screenshot));
}

}  // namespace

void ScenarioLayout(Context& context) {
    Checker& check = context.Check();
    int ppi = ScreenPpi();
    if (context.Opts().expectedPpi) check.Equal(context.Opts().expectedPpi, ppi, "screen pixels per inch");
    ExpectedLayout layout = ComputeLayout(ppi, context.Opts().publisherHost);
    check.Note("ppi " + std::to_string(ppi) + ", window font " + std::to_string(layout.windowFontHeight) +
               ", height of \"0\" " + std::to_string(layout.zeroHeight));

    auto app = context.Start(context.LaunchFor("layout"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window TForm1 shown")) return;
    HWND application = app->ApplicationWindow();
    if (check.Expect(application != nullptr, "application window TApplication exists"))
        CheckApplicationWindow(check, application, main);
    CheckMainWindow(context, main, application, layout);
    std::vector<Box> children = CheckChildren(context, main, layout);
    CheckLabels(check, main, layout, children);
    CheckTimerWindow(check, app->Id());
    check.Equal(0, static_cast<long long>(FindMessageBoxes(app->Id()).size()), "no message box open");
    if (!context.Opts().screenshot.empty()) SaveScreenshot(context, main);

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    check.Expect(code.has_value(), "viewer ends after WM_CLOSE");
    if (code) check.Equal(0, *code, "exit code");
}
