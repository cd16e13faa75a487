// The texts of the error boxes: the full stop the error display adds, the message of a failed browser call, the
// start-up failure box cut to its buffer, and the run-time error box.
#include "Exceptions.h"
#include "MessageText.h"
#include "OpenBoxes.h"

#include <gtest/gtest.h>

#include <list>

namespace {

constexpr auto kFail = static_cast<std::int32_t>(0x80004005);
// clang-format off
struct StopRow { std::string_view text, shown; };
const StopRow kStops[] = {{"", ""}, {"abc", "abc."}, {"a/", "a/."}, {"done.", "done."}, {"a-", "a-"},
                          {"stop!", "stop!"}, {"минут", "минут."}};
struct OleRow { std::string_view description, systemText; std::int32_t code; std::string_view message; };
const OleRow kOle[] = {
    {"Page not found.\r\n", "Unspecified error", kFail, "Page not found"}, {"a.b . .  \t", "", 0, "a.b"},
    {" \r\n...", "Unspecified error\r\n", kFail, "Unspecified error"}, {"Ошибка.", "", 0, "Ошибка"},
    {"", "\x7F\x01", kFail, "OLE error 80004005"}, {"", "", 0x1F, "OLE error 0000001F"},
};
struct BoxRow { std::string_view open, text; bool admitted; };  // open: a box opened first; "-": the last one closed
const BoxRow kBoxes[] = {
    {"Down.", "Down.", false}, {"", "Other.", true}, {"-", "Down.", true}, {"Down.", "Other.", true}};
// clang-format on

TEST(MessageText, FullStopRule) {
    for (const StopRow& r : kStops) EXPECT_EQ(WithFullStop(r.text), r.shown) << "message \"" << r.text << "\"";
}

TEST(MessageText, OleErrorMessage) {
    for (const OleRow& r : kOle)
        EXPECT_EQ(OleErrorMessage(r.description, r.systemText, r.code), r.message)
            << "description \"" << r.description << "\", system text \"" << r.systemText << "\"";
}

TEST(MessageText, StartUpFailureBox) {
    EXPECT_EQ(FallbackErrorText("EOleSysError", "QuellmarkBrenvik.exe", 0x1A2B, "Class not registered"),
              "Exception EOleSysError in module QuellmarkBrenvik.exe at 00001A2B.\r\nClass not registered.\r\n");
    // Unlike the error display, a stop follows "!" here.
    EXPECT_EQ(FallbackErrorText("E", "m", 0xFFFFFFFF, "stop!"), "Exception E in module m at FFFFFFFF.\r\nstop!.\r\n");
    EXPECT_EQ(FallbackErrorText("E", "m", 0, "done."), "Exception E in module m at 00000000.\r\ndone.\r\n");
    EXPECT_EQ(FallbackErrorText("E", "m", 0, ""), "Exception E in module m at 00000000.\r\n\r\n");
    EXPECT_EQ(FallbackErrorText("E", "m", 0, std::string(2000, 'x')).size(), 1023u);
    // Cut to 1023 bytes, never inside a UTF-8 character, at every alignment.
    std::string wide;
    for (int i = 0; i < 400; ++i) wide += (i % 2) ? "ж" : "€";
    for (std::string pad; pad.size() < 4; pad += 'a') {
        const std::string full = "Exception E in module m at 00000000.\r\n" + pad + wide + ".\r\n";
        const std::string text = FallbackErrorText("E", "m", 0, pad + wide);
        EXPECT_TRUE(text.size() <= 1023 && text.size() >= 1021 && full.starts_with(text)) << "pad " << pad;
        EXPECT_NE(static_cast<unsigned char>(full[text.size()]) & 0xC0, 0x80) << "cut inside a character, pad " << pad;
    }
}

TEST(MessageText, RuntimeErrorBox) {
    EXPECT_EQ(RuntimeErrorText(217, 0x00401A2B), "Runtime error 217 at 00401A2B");
    EXPECT_EQ(RuntimeErrorText(5, 0xDEADBEEF), "Runtime error   5 at DEADBEEF");
}

// The terminate handler's address: none without an exception in flight (a pure virtual call) or for a foreign one.
TEST(MessageText, RuntimeErrorAddress) {
    EXPECT_EQ(FailureAddress(nullptr), nullptr) << "no exception in flight";
    EXPECT_EQ(FailureAddress(std::make_exception_ptr(42)), nullptr) << "not one of the program's";
    const Exception raised("m");
    EXPECT_NE(raised.Address(), nullptr);
    EXPECT_EQ(FailureAddress(std::make_exception_ptr(raised)), raised.Address()) << "the program's own";
}

// Boxes nested one in another: a text already on screen is not shown again, and no box opens past the bound.
TEST(MessageText, OpenBoxes) {
    OpenBoxes boxes;
    std::list<OpenBoxes::Open> open;
    for (const BoxRow& r : kBoxes) {
        if (r.open == "-") open.pop_back();
        else if (!r.open.empty()) open.emplace_back(boxes, std::string(r.open));
        EXPECT_EQ(boxes.Admits(std::string(r.text)), r.admitted) << r.text << " with " << open.size() << " open";
    }
    while (open.size() < OpenBoxes::kMaxDepth) open.emplace_back(boxes, std::to_string(open.size()));
    EXPECT_FALSE(boxes.Admits("Other.")) << "past the bound";
    open.pop_back();
    EXPECT_TRUE(boxes.Admits("Other.")) << "within the bound";
}

}  // namespace
