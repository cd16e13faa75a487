// Reading the form definition: damaged text fails with the reader's own
// error naming the line, and a property that cannot be applied names its
// component and property.
#include "Exceptions.h"
#include "FormDefinition.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kSample =
    "form Form1: TForm1\r\n"
    "  Left 432\n"
    "  Caption \"Open \\\"Positions\\\" \\\\ on\\n\"\n"
    "  Font.Style [fsBold, fsUnderline]\n"
    "# a comment\n"
    "component WebBrowser1: TWebBrowser\n"
    "  ControlData <4C00 0000\n"
    "    FF>\n"
    "  Top -9223372036854775808\n"
    "component Timer1: TTimer\n"
    "  OnTimer Timer1Timer\n";

TEST(FormReader, ReadsTheSample) {
    const FormDefinition form = ParseFormDefinition(kSample);
    ASSERT_EQ(form.properties.size(), 3u);
    EXPECT_EQ(form.properties[1].value.AsString(), "Open \"Positions\" \\ on\n");
    EXPECT_EQ(form.properties[2].value.AsSet(), (std::vector<std::string>{"fsBold", "fsUnderline"}));
    ASSERT_EQ(form.components.size(), 2u);
    EXPECT_EQ(form.components[0].properties[0].value.AsBytes(), (std::vector<std::uint8_t>{0x4C, 0, 0, 0, 0xFF}));
    EXPECT_EQ(form.components[0].properties[1].value.integer, INT64_MIN);
    EXPECT_EQ(form.components[0].properties[1].line, 9);
    EXPECT_EQ(form.components[1].properties[0].value.AsIdentifier(), "Timer1Timer");
}

TEST(FormReader, DamagedTextNamesTheLine) {
    struct Row { std::string_view text, message; };
    const Row kRows[] = {
        {"", "line 1: no form line"},
        {"Left 1", "line 1: property before the form line"},
        {"form F: T\ncomponent A: X\ncomponent A: X", "line 3: duplicate component name A"},
        {"form F: T\nLeft 1\nLeft 2", "line 3: duplicate property Left"},
        {"form F: T\nLeft 9223372036854775808", "line 2: number out of range"},
        {"form F: T\nCaption \"abc", "line 2: unterminated string"},
        {"form F: T\nCaption \"a\\t\"", "line 2: unknown escape in string"},
        {"form F: T\nData <0A 1\n>", "line 2: odd number of hexadecimal digits"},
        {"form F: T\nData <0A\n\n", "line 2: unterminated byte value"},
        {"form F: T\nStyle [a", "line 2: unterminated set"},
        {"form F: T\nLeft 1 2", "line 2: unexpected text after the value"},
        {"form F: T\nLeft\x01 1", "line 2: control character"},
        {"form F: T\nCaption \"\xC3\x28\"", "line 2: invalid UTF-8"},
        {"form F: T\nCaption \"\xED\xA0\x80\"", "line 2: invalid UTF-8"},
        {"form F: T\nform G: T", "line 2: a second form line"},
    };
    for (const Row& r : kRows) {
        try {
            ParseFormDefinition(r.text);
            ADD_FAILURE() << "parsed: " << r.text;
        } catch (const EReadError& error) {
            EXPECT_EQ(error.Message(), "Form definition " + std::string(r.message)) << r.text;
        }
    }
    // Every cut and every one-byte change of the sample either parses or
    // raises the reader's own error; anything else escapes and fails here.
    for (std::size_t i = 0; i < kSample.size(); ++i) {
        for (const char c : {'\0', '"', '<', '>', '[', '\\', '-', '9', ' ', '\n', '\xC3', 'x'}) {
            std::string damaged(kSample);
            damaged[i] = c;
            for (const std::string& text : {damaged, std::string(kSample.substr(0, i))}) {
                try {
                    ParseFormDefinition(text);
                } catch (const EReadError&) {
                }
            }
        }
    }
}

class Reader : public FormReader {
public:
    void SetFormProperty(const FormProperty& property) override { property.value.AsInteger(); }
    void CreateComponent(const FormComponent&) override {}
    void SetComponentProperty(const FormComponent&, const FormProperty& property) override {
        if (property.name == "OnTimer") throw EOutOfResources("Not enough timers available");
        property.value.AsString();
    }
};

TEST(FormReader, FailuresNameComponentAndProperty) {
    struct Row { std::string_view text, message; };
    const Row kRows[] = {
        {"form Form1: TForm1\nLeft \"x\"", "Error reading Form1.Left: Invalid property value"},
        {"form Form1: TForm1\nLeft 2147483648", "Error reading Form1.Left: Invalid property value"},
        {"form Form1: TForm1\nLeft -2147483648\ncomponent Timer1: TTimer\nOnTimer Timer1Timer",
         "Error reading Timer1.OnTimer: Not enough timers available"},
        {"form Form1: TForm1\ncomponent Label1: TLabel\nFont.Name [a]",
         "Error reading Label1.Font.Name: Invalid property value"},
    };
    for (const Row& r : kRows) {
        Reader reader;
        try {
            ReadFormDefinition(ParseFormDefinition(r.text), reader);
            ADD_FAILURE() << "read: " << r.text;
        } catch (const EReadError& error) {
            EXPECT_EQ(error.Message(), r.message) << r.text;
        }
    }
}

}  // namespace
