// Finding the viewer's message boxes ("#32770" dialogs), reading what they
// say and which icon they show, and pressing their OK button.
#include "MessageBoxes.h"

#include "Capture.h"
#include "WindowQuery.h"

#include <climits>
#include <cstdlib>

namespace {

// The message text's static control; the platform gives it this id.
constexpr int kTextControlId = 0xFFFF;

struct IconCandidate {
    const wchar_t* name;
    LPCWSTR resource;
};

const IconCandidate kIcons[] = {
    {L"stop", IDI_HAND},
    {L"warning", IDI_EXCLAMATION},
    {L"information", IDI_ASTERISK},
    {L"question", IDI_QUESTION},
};

HWND IconControl(HWND box) {
    for (HWND child : ChildrenOf(box))
        if (ClassOf(child) == L"Static" && (StyleOf(child) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child))
            return child;
    return nullptr;
}

void DrawCandidate(HDC dc, void* context) {
    auto* icon = static_cast<HICON>(context);
    DrawIconEx(dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

long long Difference(const Image& a, const Image& b) {
    long long sum = 0;
    for (int y = 0; y < a.Height() && y < b.Height(); ++y)
        for (int x = 0; x < a.Width() && x < b.Width(); ++x) {
            Rgb p = a.At(x, y), q = b.At(x, y);
            sum += std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b);
        }
    return sum;
}

// Icon handles are not shared between processes under Wine, so the icon is
// told by its picture: the system icon that, drawn here on the same
// background, comes closest to what the box shows.
std::wstring IdentifyIcon(HWND box) {
    HWND control = IconControl(box);
    // Wine keeps an empty icon control visible in a box without an icon; only
    // its icon handle, which is not usable here but is not null, tells.
    if (!control || SendMessageW(control, STM_GETICON, 0, 0) == 0) return L"none";
    SetForegroundWindow(box);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(100);
    RECT rect = ScreenRectOf(control);
    int size = GetSystemMetrics(SM_CXICON);
    rect.right = rect.left + size;
    rect.bottom = rect.top + GetSystemMetrics(SM_CYICON);
    Image shown = CaptureScreen(rect);
    if (shown.Empty()) return L"unreadable";
    Rgb background = shown.At(0, 0);
    std::wstring best = L"unknown";
    long long bestDifference = LLONG_MAX;
    for (const IconCandidate& candidate : kIcons) {
        HICON icon = LoadIconW(nullptr, candidate.resource);
        if (!icon) continue;
        Image drawn = Render(shown.Width(), shown.Height(), background, DrawCandidate, icon);
        long long difference = Difference(shown, drawn);
        if (difference < bestDifference) {
            bestDifference = difference;
            best = candidate.name;
        }
    }
    return best;
}

MessageBoxInfo Describe(HWND box) {
    MessageBoxInfo info;
    info.window = box;
    info.owner = OwnerOf(box);
    info.caption = TextOf(box);
    info.visible = IsWindowVisible(box) != FALSE;
    if (HWND text = GetDlgItem(box, kTextControlId)) info.text = TextOf(text);
    for (HWND child : ChildrenOf(box))
        if (ClassOf(child) == L"Button" && IsWindowVisible(child)) info.buttons.push_back(TextOf(child));
    info.icon = IdentifyIcon(box);
    return info;
}

}  // namespace

std::vector<MessageBoxInfo> FindMessageBoxes(DWORD processId) {
    std::vector<MessageBoxInfo> boxes;
    for (HWND window : TopLevelWindowsOf(processId))
        if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) boxes.push_back(Describe(window));
    return boxes;
}

MessageBoxInfo WaitMessageBox(DWORD processId, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND window : TopLevelWindowsOf(processId))
            if (ClassOf(window) == L"#32770" && IsWindowVisible(window)) {
                found = window;
                return true;
            }
        return false;
    }, timeoutMs);
    if (!found) return {};
    // The box is shown before its text control is filled in on some systems.
    Sleep(150);
    return Describe(found);
}

bool DismissMessageBox(HWND box) {
    for (int id : {IDOK, IDCANCEL}) {
        if (HWND button = GetDlgItem(box, id)) {
            // Posted: the box's modal loop runs inside a handler of the viewer,
            // and a sent click would wait for whatever that handler does next.
            PostMessageW(button, BM_CLICK, 0, 0);
            return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
        }
    }
    return false;
}
