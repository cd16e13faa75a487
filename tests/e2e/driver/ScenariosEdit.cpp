// Edit1 as the user types into it: valid periods show nothing, invalid and
// out-of-range texts show their boxes, a click re-checks the text, a very
// long text is checked whole, and Tab selects the whole text.
#include "MessageBoxes.h"
#include "Scenario.h"
#include "Text.h"
#include "UserInput.h"
#include "ViewerEdit.h"
#include "WindowQuery.h"

namespace {

constexpr DWORD kSettleMs = 700;
constexpr wchar_t kRangeMessage[] = L"The refresh period must be a whole number of minutes from 0 to 71582.";

std::wstring InvalidMessage(const std::wstring& text) { return L"'" + text + L"' is not a valid integer value."; }

struct TypedCase {
    const wchar_t* keys;    // typed over the whole text; empty: the Delete key
    const wchar_t* prefix;  // then typed at the start of the text, after Home
    const wchar_t* box;     // null: no box; kInvalid: the invalid-integer message
};

constexpr wchar_t kInvalid[] = L"invalid";

// Every intermediate text on the way is valid, so at most the last key
// opens a box.
constexpr TypedCase kTypedCases[] = {
    {L"", L"", kInvalid},
    {L"10 ", L"", kInvalid},
    {L"71583", L"", kRangeMessage},
    {L"1", L"-", kRangeMessage},
    {L"71582", L"", nullptr},
    {L"5", L"0", nullptr},
    {L"10", L" ", nullptr},
    {L"0", L"", nullptr},
    {L"2", L"0", nullptr},
};

struct PastedCase {
    const wchar_t* text;
    const wchar_t* box;
};

// Texts that typing could not reach without an invalid text on the way.
constexpr PastedCase kPastedCases[] = {
    {L"+3", nullptr},
    {L"$A", nullptr},
    {L"2147483647", kRangeMessage},
    {L"2147483648", kInvalid},
    {L"x", kInvalid},
    {L"abc", kInvalid},
};

class EditSession {
public:
    EditSession(Checker& check, AppProcess& app, HWND main, HWND edit)
        : check_(check), app_(app), main_(main), edit_(edit) {}

    // After a box the main window is active again and the focus is back in
    // the edit, where the user was typing.
    bool Refocus() {
        const bool back = WaitUntil([&] { return FocusOf(app_.ThreadId()) == edit_; }, 2000);
        return check_.Expect(back, "after a box the focus is back in Edit1 (it is on a window of class " +
                                       ToUtf8(ClassOf(FocusOf(app_.ThreadId()))) + ")");
    }
    // The change it makes may open a box, and then the message returns
    // only when the box is closed: the wait is short, the text set anyway.
    void SetText(const std::wstring& text) {
        SendBounded(edit_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), 500);
    }
    // The one box that must come, or none within the settle time.
    void ExpectBox(const std::wstring* text, const std::string& when) {
        if (!text) {
            Sleep(kSettleMs);
            auto boxes = FindMessageBoxes(app_.Id());
            check_.Expect(boxes.empty(), "no box " + when, "none", boxes.empty() ? "" : Visible(boxes[0].text));
            return;
        }
        MessageBoxInfo box = WaitMessageBox(app_.Id(), kBoxTimeoutMs);
        if (!check_.Expect(box.window != nullptr, "error box " + when)) return;
        Sleep(300);
        check_.Equal(1, static_cast<long long>(FindMessageBoxes(app_.Id()).size()), "exactly one box " + when);
        check_.Equal(Visible(*text), Visible(box.text), "box text " + when);
        check_.Equal("Quellmark Brenvik", ToUtf8(box.caption), "box caption " + when);
        check_.Equal("stop", ToUtf8(box.icon), "box icon " + when);
        check_.Expect(DismissMessageBox(box.window), "box closes with OK " + when);
        // The box hides at once; its modal loop returns, and the main window
        // is enabled again, a moment later. A text sent in between is lost.
        check_.Expect(WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }, 5000),
                      "main window enabled again " + when);
        check_.Expect(app_.Running(), "viewer runs on " + when);
    }

private:
    Checker& check_;
    AppProcess& app_;
    HWND main_;
    HWND edit_;
};

bool PutOnClipboard(const std::wstring& text) {
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool ok = false;
    if (memory) {
        if (void* target = GlobalLock(memory)) {
            memcpy(target, text.c_str(), bytes);
            GlobalUnlock(memory);
            ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
        }
        if (!ok) GlobalFree(memory);
    }
    CloseClipboard();
    return ok;
}

void PressControlV() {
    INPUT inputs[4]{};
    WORD keys[4] = {VK_CONTROL, 'V', 'V', VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
        SendInput(1, &inputs[i], sizeof(INPUT));
        Sleep(30);
    }
}

std::wstring LongDigits(size_t length) {
    std::wstring text;
    while (text.size() < length) text += L"1234567890";
    text.resize(length);
    return text;
}

}  // namespace

void ScenarioEdit(Context& context) {
    Checker& check = context.Check();
    auto app = context.Start(context.LaunchFor("edit"));
    if (!app) return;
    HWND main = app->WaitMainWindow(kStartTimeoutMs, true);
    HWND edit = main ? FindEdit1(main) : nullptr;
    if (!check.Expect(main && edit, "main window and Edit1 exist")) return;
    if (!check.Expect(FocusByClick(main, edit, app->ThreadId()), "a click gives Edit1 the focus")) return;
    EditSession session(check, *app, main, edit);
    session.ExpectBox(nullptr, "after a click on the valid 5");

    for (const TypedCase& item : kTypedCases) {
        std::wstring final = std::wstring(item.prefix) + item.keys;
        std::string when = "after typing " + Visible(final);
        if (*item.keys) {
            TypeOver(edit, item.keys);
        } else {
            SendBounded(edit, EM_SETSEL, 0, -1, 2000);
            PressKey(VK_DELETE);
        }
        if (*item.prefix) {
            PressKey(VK_HOME);
            TypeText(item.prefix);
        }
        check.Expect(WaitEditText(edit, final, 3000), "Edit1 shows " + Visible(final), Visible(final), Visible(TextOf(edit)));
        std::wstring expected = item.box == kInvalid ? InvalidMessage(final) : item.box ? item.box : L"";
        session.ExpectBox(item.box ? &expected : nullptr, when);
        if (!session.Refocus()) return;
    }

    // A paste is one change: the whole pasted text is checked at once.
    for (const PastedCase& item : kPastedCases) {
        std::string when = "after pasting " + Visible(item.text);
        if (!check.Expect(PutOnClipboard(item.text), Visible(item.text) + " on the clipboard")) continue;
        SendBounded(edit, EM_SETSEL, 0, -1, 2000);
        PressControlV();
        check.Expect(WaitEditText(edit, item.text, 3000), "Edit1 shows " + Visible(item.text), Visible(item.text),
                     Visible(TextOf(edit)));
        std::wstring expected = item.box == kInvalid ? InvalidMessage(item.text) : item.box ? item.box : L"";
        session.ExpectBox(item.box ? &expected : nullptr, when);
        if (!session.Refocus()) return;
    }
    // A click in the edit checks an invalid text again.
    std::wstring again = InvalidMessage(L"abc");
    session.SetText(L"abc");
    session.ExpectBox(&again, "after abc is set");
    BringToFront(main, 3000);
    RECT client = ClientRectOf(edit);
    Click(ScreenPoint(edit, POINT{client.right / 2, client.bottom / 2}));
    session.ExpectBox(&again, "after a click on the invalid text");

    std::wstring longText = LongDigits(32767);
    session.SetText(longText);
    check.Equal(32767, static_cast<long long>(TextOf(edit).size()), "Edit1 holds the whole 32767-character text");
    {
        MessageBoxInfo box = WaitMessageBox(app->Id(), kBoxTimeoutMs);
        if (check.Expect(box.window != nullptr, "error box after the 32767-character text")) {
            std::wstring expected = InvalidMessage(longText);
            check.Note("that box's text has " + std::to_string(box.text.size()) + " characters; the message has " +
                       std::to_string(expected.size()));
            check.Expect(box.text == expected, "that box's text is the whole message with the whole text",
                         std::to_string(expected.size()) + " characters, ending " + Visible(expected.substr(expected.size() - 40)),
                         std::to_string(box.text.size()) + " characters, ending " +
                             Visible(box.text.substr(box.text.size() > 40 ? box.text.size() - 40 : 0)));
            check.Expect(DismissMessageBox(box.window), "that box closes with OK");
            WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }, 5000);
        }
        check.Expect(app->Running(), "viewer runs on after the 32767-character text");
    }
    // Valid only if it is read to its last character: blanks lead, a digit ends.
    session.SetText(std::wstring(32766, L' ') + L"3");
    session.ExpectBox(nullptr, "after 32766 blanks and a 3");

    session.SetText(L"5");
    session.ExpectBox(nullptr, "after 5 is set again");
    if (!check.Expect(FocusByClick(main, edit, app->ThreadId()), "a click gives Edit1 the focus for Tab")) return;
    SendBounded(edit, EM_SETSEL, 1, 1, 2000);
    PressKey(VK_TAB);
    Sleep(300);
    check.Equal("TWebBrowser", ToUtf8(ClassOf(FocusOf(app->ThreadId()))), "Tab from Edit1 moves the focus to the page view");
    PressKey(VK_TAB);
    Sleep(300);
    check.Expect(FocusOf(app->ThreadId()) == edit, "a second Tab brings the focus back to Edit1");
    LRESULT selection = 0;
    SendBounded(edit, EM_GETSEL, 0, 0, 2000, &selection);
    check.Equal("0.." + std::to_string(TextOf(edit).size()),
                std::to_string(LOWORD(selection)) + ".." + std::to_string(HIWORD(selection)),
                "Tab into Edit1 selects its whole text");

    PostMessageW(main, WM_CLOSE, 0, 0);
    auto code = app->WaitExit(kExitTimeoutMs);
    if (check.Expect(code.has_value(), "viewer ends after WM_CLOSE")) check.Equal(0, *code, "exit code");
}
