// Failures and how they are shown: the start-up failure box with exit code 1,
// and an error box that disables the main window while it is open.
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "WindowQuery.h"

#include <cwctype>

namespace {

// What the viewer says for a failed COM call: the platform's text for the
// code, or "OLE error XXXXXXXX" where it has none (Wine has none for
// REGDB_E_CLASSNOTREG). Trailing full stops are dropped, since the box adds
// exactly one whether the message had one or not.
std::wstring OleErrorText(HRESULT code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : L"";
    if (buffer) LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.')) text.pop_back();
    if (text.empty()) text = FromUtf8("OLE error " + Hex8(static_cast<unsigned long>(code)));
    return text;
}

bool IsUpperHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); }

// "Exception <class> in module QuellmarkBrenvik.exe at XXXXXXXX.\r\n<message>.\r\n";
// an empty className accepts any class name.
bool MatchesFallbackText(const std::wstring& text, const std::wstring& className, const std::wstring& message) {
    const std::wstring head = L"Exception ";
    if (text.compare(0, head.size(), head) != 0) return false;
    size_t nameEnd = text.find(L' ', head.size());
    if (nameEnd == std::wstring::npos) return false;
    std::wstring name = text.substr(head.size(), nameEnd - head.size());
    if (className.empty() ? (name.size() < 2 || name[0] != L'E') : name != className) return false;
    const std::wstring module = L" in module QuellmarkBrenvik.exe at ";
    if (text.compare(nameEnd, module.size(), module) != 0) return false;
    size_t address = nameEnd + module.size();
    if (text.size() < address + 8) return false;
    for (size_t i = address; i < address + 8; ++i)
        if (!IsUpperHex(text[i])) return false;
    return text.substr(address + 8) == L".\r\n" + message + L".\r\n";
}

void CheckStartupFailure(Context& context, const std::string& tag, const std::wstring& failure,
                         const std::wstring& className, const std::wstring& message) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor(tag, failure));
    if (!app) return;
    std::string when = " when " + ToUtf8(failure);
    MessageBoxInfo box = WaitMessageBox(app->Id(), kStartTimeoutMs);
    if (check.Expect(box.window != nullptr, "start-up failure box appears" + when)) {
        check.Equal("Application Error", ToUtf8(box.caption), "box caption" + when);
        std::wstring shownClass = className.empty() ? L"E..." : className;
        check.Expect(MatchesFallbackText(box.text, className, message), "box text" + when,
                     Visible(L"Exception " + shownClass + L" in module QuellmarkBrenvik.exe at XXXXXXXX.\r\n" +
                             message + L".\r\n"),
                     Visible(box.text));
        check.Equal("stop", ToUtf8(box.icon), "box icon" + when);
        // Task-modal: no owner, and the viewer's own windows are disabled.
        check.Expect(box.owner == nullptr, "box has no owner" + when, "null", HexHandle(box.owner));
        HWND application = app->ApplicationWindow();
        check.Expect(application && !IsWindowEnabled(application), "application window disabled under the box" + when);
        check.Expect(app->MainWindow() == nullptr || !IsWindowVisible(app->MainWindow()), "no main window shown" + when);
        check.Expect(DismissMessageBox(box.window), "box closes with OK" + when);
    }
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after the box" + when)) check.Equal(1, *code, "exit code" + when);
}

struct ActivationCase {
    const char* tag;
    const wchar_t* failure;
    const wchar_t* className;  // empty: the class is not pinned down
    HRESULT code;              // 0: the message below
    const wchar_t* message;
};

constexpr ActivationCase kActivationCases[] = {
    {"no-inplace", L"NoInPlaceObject", L"", 0, L"OLE control activation failed"},
    {"doverb", L"DoVerb=80004005", L"EOleSysError", E_FAIL, nullptr},
};

}  // namespace

void ScenarioCreationRefused(Context& context) {
    CheckStartupFailure(context, "creation-refused", L"CreateInstance=80040154", L"EOleSysError",
                        OleErrorText(REGDB_E_CLASSNOTREG));
}

void ScenarioActivationFailures(Context& context) {
    for (const ActivationCase& item : kActivationCases)
        CheckStartupFailure(context, item.tag, item.failure, item.className,
                            item.code ? OleErrorText(item.code) : item.message);
}

void ScenarioErrorBox(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("error-box"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    if (!check.Expect(main != nullptr, "main window shown")) return;
    SetForegroundWindow(main);
    WaitUntil([&] { return app->ActiveWindow() == main; }, 3000);
    HWND activeBefore = app->ActiveWindow();
    check.Expect(activeBefore == main, "main window active before the box", HexHandle(main), HexHandle(activeBefore));
    check.Expect(IsWindowEnabled(main) != FALSE, "main window enabled before the box");

    // A negative maximum is refused by the progress bar; the event itself
    // still returns, so the box is the error display's.
    SendDoubleCommand(app->Id(), "progress 0 -1", 500);
    MessageBoxInfo box = WaitMessageBox(app->Id(), kBoxTimeoutMs);
    if (check.Expect(box.window != nullptr, "error box appears after ProgressChange(0, -1)")) {
        check.Equal("Quellmark Brenvik", ToUtf8(box.caption), "error box caption");
        check.Equal(Visible(L"TProgressBar property out of range."), Visible(box.text), "error box text");
        check.Equal("stop", ToUtf8(box.icon), "error box icon");
        check.Expect(box.buttons.size() == 1, "error box has one button", "1", std::to_string(box.buttons.size()));
        HWND application = app->ApplicationWindow();
        check.Expect(box.owner == application, "error box owned by the application window", HexHandle(application),
                     HexHandle(box.owner));
        check.Expect(!IsWindowEnabled(main), "main window disabled while the box is open");
        check.Expect(app->Running(), "viewer runs while the box is open");
        check.Expect(DismissMessageBox(box.window), "error box closes with OK");
        bool enabled = WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 3000);
        check.Expect(enabled, "main window enabled again after OK");
        bool reactivated = WaitUntil([&] { return app->ActiveWindow() == main; }, 3000);
        check.Expect(reactivated, "main window active again after OK", HexHandle(main), HexHandle(app->ActiveWindow()));
        check.Expect(app->Running(), "viewer runs on after the box");
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
