// The two link labels: a click hands exactly its fixed address to the
// shell (seen by the recorder that the test prefix has for http), other
// gestures hand nothing, the pointer is the hand over them and the arrow
// over the caption labels, and a click leaves the page view alone.
#include "Capture.h"
#include "ExpectedLayout.h"
#include "MessageBoxes.h"
#include "Scenario.h"
#include "ShellRecords.h"
#include "Text.h"
#include "UserInput.h"
#include "WindowQuery.h"

#include <vector>

namespace {

// The hand's hot spot: the tip of the raised finger in the viewer's own
// cursor resource.
constexpr POINT kHandHotSpot{7, 1};

enum class Spot { Label1, Label2, Label3, Label4, Label1TopLeft, Label1RightEdge, Label1BottomEdge, Strip };

// Client coordinates of a spot; right and bottom edges lie just outside
// the label, which owns its left and top edges only.
POINT SpotPoint(const ExpectedLayout& layout, Spot spot) {
    auto centre = [&](int i) {
        const Box& box = layout.labels[i].box;
        return POINT{box.left + box.width / 2, box.top + box.height / 2};
    };
    const Box& first = layout.labels[0].box;
    switch (spot) {
    case Spot::Label1: return centre(0);
    case Spot::Label2: return centre(1);
    case Spot::Label3: return centre(2);
    case Spot::Label4: return centre(3);
    case Spot::Label1TopLeft: return POINT{first.left, first.top};
    case Spot::Label1RightEdge: return POINT{first.left + first.width, first.top + first.height / 2};
    case Spot::Label1BottomEdge: return POINT{first.left + first.width / 2, first.top + first.height};
    case Spot::Strip: {
        // Halfway between Label4's right edge and Label1's left edge.
        const Box& fourth = layout.labels[3].box;
        return POINT{(fourth.left + fourth.width + first.left) / 2, first.top + first.height / 2};
    }
    }
    return {};
}

enum class Gesture { Click, Press, DoubleClick, RightClick, TwoClicks };
enum class Target { None, Broker, Publisher };

struct LinkCase {
    const char* name;
    Gesture gesture;
    Spot press;
    Spot release;  // where the button goes up, for Gesture::Press
    Target target;
    size_t times;
};

constexpr LinkCase kLinkCases[] = {
    {"click on Label1", Gesture::Click, Spot::Label1, Spot::Label1, Target::Broker, 1},
    {"click on Label2", Gesture::Click, Spot::Label2, Spot::Label2, Target::Publisher, 1},
    {"click on Label1's top left pixel", Gesture::Click, Spot::Label1TopLeft, Spot::Label1TopLeft, Target::Broker, 1},
    {"press on Label1, release just past its right edge", Gesture::Press, Spot::Label1, Spot::Label1RightEdge,
     Target::None, 0},
    {"press on Label1, release just below it", Gesture::Press, Spot::Label1, Spot::Label1BottomEdge, Target::None, 0},
    {"press on Label1, release on the empty strip", Gesture::Press, Spot::Label1, Spot::Strip, Target::None, 0},
    {"press on the empty strip, release on Label2", Gesture::Press, Spot::Strip, Spot::Label2, Target::None, 0},
    {"press on Label1, release on Label2", Gesture::Press, Spot::Label1, Spot::Label2, Target::None, 0},
    {"press and release on Label2 after a move off and back", Gesture::Press, Spot::Label2, Spot::Label2,
     Target::Publisher, 1},
    {"double click on Label2", Gesture::DoubleClick, Spot::Label2, Spot::Label2, Target::Publisher, 1},
    {"double click on Label1", Gesture::DoubleClick, Spot::Label1, Spot::Label1, Target::Broker, 1},
    {"right click on Label1", Gesture::RightClick, Spot::Label1, Spot::Label1, Target::None, 0},
    {"right click on Label2", Gesture::RightClick, Spot::Label2, Spot::Label2, Target::None, 0},
    {"two clicks on Label1, apart", Gesture::TwoClicks, Spot::Label1, Spot::Label1, Target::Broker, 2},
};

std::string BrokerAddress() {
    // The build's broker host and partner identifier, handed over by the
    // test registration; the build defaults when run by hand.
    wchar_t value[512] = {};
    DWORD length = GetEnvironmentVariableW(L"QB_E2E_BROKER_ADDRESS", value, 512);
    if (length > 0 && length < 512) return ToUtf8(value);
    return "http://brenvik.example/ru/conditions/?partner_id=1234";
}

void Perform(HWND main, const ExpectedLayout& layout, const LinkCase& item) {
    POINT press = ScreenPoint(main, SpotPoint(layout, item.press));
    POINT release = ScreenPoint(main, SpotPoint(layout, item.release));
    POINT away = ScreenPoint(main, SpotPoint(layout, Spot::Strip));
    switch (item.gesture) {
    case Gesture::Click: Click(press); break;
    case Gesture::RightClick: Click(press, false); break;
    case Gesture::DoubleClick: DoubleClick(press); break;
    case Gesture::TwoClicks:
        Click(press);
        Sleep(GetDoubleClickTime() + 200);
        Click(press);
        break;
    case Gesture::Press:
        MovePointer(press);
        PressButton(true, true);
        MovePointer(away);
        MovePointer(release);
        PressButton(true, false);
        break;
    }
}

struct PointerShape {
    HCURSOR handle = nullptr;
    bool known = false;  // the hot spot could be read
    POINT hotSpot{-1, -1};
};

PointerShape ShapeAt(HWND main, POINT client) {
    MovePointer(ScreenPoint(main, client));
    Sleep(300);
    PointerShape shape;
    CURSORINFO info{};
    info.cbSize = sizeof info;
    if (!GetCursorInfo(&info)) return shape;
    shape.handle = info.hCursor;
    ICONINFO icon{};
    if (info.hCursor && GetIconInfo(info.hCursor, &icon)) {
        shape.known = true;
        shape.hotSpot = POINT{LONG(icon.xHotspot), LONG(icon.yHotspot)};
        if (icon.hbmMask) DeleteObject(icon.hbmMask);
        if (icon.hbmColor) DeleteObject(icon.hbmColor);
    }
    return shape;
}

std::string ShapeText(const PointerShape& shape) {
    return "cursor " + Hex8(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(shape.handle))) +
           (shape.known ? " hot spot " + std::to_string(shape.hotSpot.x) + "," + std::to_string(shape.hotSpot.y)
                        : " hot spot unreadable");
}

bool SameImage(const Image& a, const Image& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!(a.At(x, y) == b.At(x, y))) return false;
    return true;
}

void CheckPointer(Checker& check, HWND main, const ExpectedLayout& layout) {
    struct Place {
        const char* name;
        Spot spot;
        bool hand;
    };
    const Place places[] = {{"Label1", Spot::Label1, true},  {"Label2", Spot::Label2, true},
                            {"Label3", Spot::Label3, false}, {"Label4", Spot::Label4, false},
                            {"the empty strip", Spot::Strip, false}};
    PointerShape arrow = ShapeAt(main, SpotPoint(layout, Spot::Strip));
    PointerShape hand = ShapeAt(main, SpotPoint(layout, Spot::Label1));
    check.Note("over the strip: " + ShapeText(arrow) + "; over Label1: " + ShapeText(hand));
    check.Expect(hand.handle && arrow.handle && hand.handle != arrow.handle,
                 "the pointer over Label1 differs from the one over the empty strip", "two cursors",
                 ShapeText(hand) + " and " + ShapeText(arrow));
    for (const Place& place : places) {
        PointerShape shape = ShapeAt(main, SpotPoint(layout, place.spot));
        const PointerShape& expected = place.hand ? hand : arrow;
        check.Expect(shape.handle == expected.handle,
                     std::string("pointer over ") + place.name + " is the " + (place.hand ? "hand" : "arrow"),
                     ShapeText(expected), ShapeText(shape));
        if (place.hand && shape.known)
            check.Equal(std::to_string(kHandHotSpot.x) + "," + std::to_string(kHandHotSpot.y),
                        std::to_string(shape.hotSpot.x) + "," + std::to_string(shape.hotSpot.y),
                        std::string("hand's hot spot over ") + place.name);
    }
    if (!hand.known) check.Note("the hot spot of the viewer's cursor cannot be read from the driver's process");

    // The look stays as it is while the pointer is over a label.
    for (int i = 0; i < 2; ++i) {
        const Box& box = layout.labels[i].box;
        RECT rect{box.left, box.top, box.left + box.width, box.top + box.height};
        MapWindowPoints(main, HWND_DESKTOP, reinterpret_cast<POINT*>(&rect), 2);
        ShapeAt(main, SpotPoint(layout, Spot::Strip));
        Image away = CaptureScreen(rect);
        ShapeAt(main, SpotPoint(layout, i == 0 ? Spot::Label1 : Spot::Label2));
        Image over = CaptureScreen(rect);
        check.Expect(!away.Empty() && SameImage(away, over),
                     std::string("Label") + std::to_string(i + 1) + " looks the same with the pointer over it");
    }
}

}  // namespace

void ScenarioLinks(Context& context) {
    Checker& check = context.Check();
    ShellRecords records(context.Opts().workDir + L"\\recorder-links.log");
    Launch launch = context.LaunchFor("links");
    launch.environment[L"QB_RECORDER_LOG"] = records.Path();
    auto app = context.Start(launch);
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window shown")) return;
    ExpectedLayout layout = ComputeLayout(ScreenPpi(), context.Opts().publisherHost);
    HWND page = FindDescendant(main, L"QbBrowserDoublePage");
    std::wstring pageBefore = page ? TextOf(page) : L"";
    const std::string addresses[] = {"", BrokerAddress(), "http://" + ToUtf8(context.Opts().publisherHost) + "/"};

    for (const LinkCase& item : kLinkCases) {
        records.Clear();
        if (!check.Expect(BringToFront(main, 3000), std::string("main window in front for the ") + item.name)) return;
        Perform(main, layout, item);
        std::vector<std::string> expected(item.times, addresses[static_cast<int>(item.target)]);
        std::vector<std::string> got = records.Settle(item.times);
        check.Equal(ListText(expected), ListText(got), std::string("addresses handed to the shell by a ") + item.name);
        auto boxes = FindMessageBoxes(app->Id());
        check.Equal(0, static_cast<long long>(boxes.size()), std::string("no box after the ") + item.name);
        // Far enough apart that the next gesture is no double click with this one.
        Sleep(GetDoubleClickTime() + 200);
    }

    CheckPointer(check, main, layout);

    // The clicks went to the shell alone: the page view neither navigated
    // nor reloaded.
    check.Equal(1, SendDoubleCommand(app->Id(), "query navigates", 2000).value_or(-1), "Navigate calls after the clicks");
    check.Equal(0, SendDoubleCommand(app->Id(), "query refreshes", 2000).value_or(-1), "Refresh calls after the clicks");
    if (check.Expect(page != nullptr, "the browser's page window exists"))
        check.Equal(ToUtf8(pageBefore), ToUtf8(TextOf(page)), "the page shown is unchanged by the clicks");

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
