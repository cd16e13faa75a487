// The texts of the error display, the start-up failure box, the run-time
// error box and failed component-object calls.
#include "MessageText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(MessageText, FullStopRule) {
    struct Case {
        std::string text;
        std::string shown;
    };
    const Case cases[] = {
        {"Error", "Error."},
        {"Error 5", "Error 5."},
        {"Note:", "Note:."},
        {"Why?", "Why?."},
        {"Done.", "Done."},
        {"Stop!", "Stop!"},
        {"a,", "a,"},
        {"(x)", "(x)"},
        {"say \"x\"", "say \"x\""},
        {"a-", "a-"},
        {"a ", "a "},
        {"", ""},
        {"a/", "a/."},
        {"a~", "a~."},
        {"\xd0\x9e\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0", "\xd0\x9e\xd1\x88\xd0\xb8\xd0\xb1\xd0\xba\xd0\xb0."},
        {"\xe2\x82\xac", "\xe2\x82\xac."},
        {"'abc' is not a valid integer value", "'abc' is not a valid integer value."},
    };
    for (const auto& [text, shown] : cases) {
        EXPECT_EQ(WithFullStop(text), shown) << "WithFullStop(\"" << text << "\")";
    }
}

TEST(MessageText, FallbackErrorTextFormat) {
    struct Case {
        std::string message;
        std::string expectedTail;
    };
    // Unlike the error display, the fallback box adds "." after anything but
    // a full stop, "!" and ")" included.
    const Case cases[] = {
        {"Class not registered", "Class not registered.\r\n"},
        {"Done.", "Done.\r\n"},
        {"Stop!", "Stop!.\r\n"},
        {"(x)", "(x).\r\n"},
        {"", "\r\n"},
    };
    const std::string head = "Exception EOleSysError in module QuellmarkBrenvik.exe at 00401A2B.\r\n";
    for (const auto& [message, tail] : cases) {
        EXPECT_EQ(FallbackErrorText("EOleSysError", "QuellmarkBrenvik.exe", 0x00401A2B, message), head + tail)
            << "message \"" << message << "\"";
    }
    EXPECT_EQ(FallbackErrorText("E", "m", 0xDEADBEEF, "x"), "Exception E in module m at DEADBEEF.\r\nx.\r\n");
}

TEST(MessageText, FallbackErrorTextCutNeverSplitsACharacter) {
    // "Exception E in module m at 00000000.\r\n" is 38 bytes, so the parity
    // of the filler decides whether byte 1023 starts or continues a character.
    struct Case {
        std::string filler;
        std::string character;
        std::size_t expectedLength;
    };
    const Case cases[] = {
        {"", "a", 1023},
        {"", "\xd0\xb6", 1022},
        {"a", "\xd0\xb6", 1023},
        {"aa", "\xf0\x9f\x98\x80", 1020},
        {"", "\xe2\x82\xac", 1022},
    };
    for (const auto& [filler, character, expectedLength] : cases) {
        std::string message = filler;
        while (message.size() < 1200) message += character;
        const std::string whole = "Exception E in module m at 00000000.\r\n" + message + ".\r\n";
        const std::string cut = FallbackErrorText("E", "m", 0, message);
        EXPECT_EQ(cut.size(), expectedLength) << "cut length with \"" << character << "\" after "
                                              << filler.size() << " filler bytes";
        EXPECT_EQ(whole.compare(0, cut.size(), cut), 0) << "cut text is a prefix of the whole text";
    }
    EXPECT_EQ(FallbackErrorText("E", "m", 0, std::string(900, 'a')).size(), 38u + 900 + 3)
        << "a text under the limit is not cut";
}

TEST(MessageText, RuntimeErrorText) {
    EXPECT_EQ(RuntimeErrorText(217, 0x0040A1B2), "Runtime error 217 at 0040A1B2");
    EXPECT_EQ(RuntimeErrorText(5, 0), "Runtime error   5 at 00000000");
    EXPECT_EQ(RuntimeErrorText(42, 0xDEADBEEF), "Runtime error  42 at DEADBEEF");
    EXPECT_EQ(RuntimeErrorText(1000, 0xFFFFFFFF), "Runtime error 1000 at FFFFFFFF") << "wider numbers are not cut";
    EXPECT_EQ(RuntimeErrorText(-5, 0x0000000A), "Runtime error  -5 at 0000000A");
}

TEST(MessageText, OleErrorMessage) {
    struct Case {
        std::string description;
        std::string systemText;
        std::int32_t code;
        std::string expected;
    };
    const Case cases[] = {
        {"Access is denied. ", "ignored", 5, "Access is denied"},
        {"Stop!", "", 5, "Stop!"},
        {"Error.\t\x01", "", 5, "Error"},
        {"", "Class not registered\r\n", static_cast<std::int32_t>(0x80040154), "Class not registered"},
        {" .\r\n", "Unspecified error\r\n", static_cast<std::int32_t>(0x80004005), "Unspecified error"},
        {"", "", static_cast<std::int32_t>(0x80004005), "OLE error 80004005"},
        {"...", " \r\n", static_cast<std::int32_t>(0x8000FFFF), "OLE error 8000FFFF"},
        {"", "", 1, "OLE error 00000001"},
    };
    for (const auto& [description, systemText, code, expected] : cases) {
        EXPECT_EQ(OleErrorMessage(description, systemText, code), expected)
            << "description \"" << description << "\", system text \"" << systemText << "\"";
    }
    EXPECT_EQ(TrimOleMessage("a.b. \x7f"), "a.b") << "only the trailing run is trimmed";
}

}  // namespace
