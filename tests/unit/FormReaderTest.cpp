// Reading the form definition: damaged text fails with the reader's own error naming the line, and a property that
// cannot be applied names its component and property. The fuzz target feeds it damaged text at random.
#include "Exceptions.h"
#include "FormDefinition.h"

#include <gtest/gtest.h>

namespace {

constexpr std::string_view kSample = "form Form1: TForm1\r\n"
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
    EXPECT_EQ(form.properties.at(1).value.AsString(), "Open \"Positions\" \\ on\n");
    EXPECT_EQ(form.properties.at(2).value.AsSet(), (std::vector<std::string>{"fsBold", "fsUnderline"}));
    const std::vector<FormProperty>& browser = form.components.at(0).properties;
    EXPECT_EQ(browser.at(0).value.AsBytes(), (std::vector<std::uint8_t>{0x4C, 0, 0, 0, 0xFF}));
    EXPECT_EQ(browser.at(1).value.integer, INT64_MIN) << "line " << browser.at(1).line;
    EXPECT_EQ(form.components.at(1).properties.at(0).value.AsIdentifier(), "Timer1Timer");
}

struct Reader : FormReader {
    void SetFormProperty(const FormProperty& property) override { property.value.AsInteger(); }
    void CreateComponent(const FormComponent&) override {}
    void SetComponentProperty(const FormComponent&, const FormProperty& property) override {
        if (property.name == "OnTimer") throw EOutOfResources("Not enough timers available");
        property.value.AsString();
    }
};

TEST(FormReader, FailuresNameWhereTheyAre) {
    // clang-format off
    struct Row { std::string_view text, message; };
    // clang-format on
    const Row kRows[] = {
        {"", "Form definition line 1: no form line"},
        {"Left 1", "Form definition line 1: property before the form line"},
        {"form F: T\ncomponent A: X\ncomponent A: X", "Form definition line 3: duplicate component name A"},
        {"form F: T\nLeft 1\nLeft 2", "Form definition line 3: duplicate property Left"},
        {"form F: T\nLeft 9223372036854775808", "Form definition line 2: number out of range"},
        {"form F: T\nCaption \"abc", "Form definition line 2: unterminated string"},
        {"form F: T\nCaption \"a\\t\"", "Form definition line 2: unknown escape in string"},
        {"form F: T\nData <0A 1\n>", "Form definition line 2: odd number of hexadecimal digits"},
        {"form F: T\nData <0A\n\n", "Form definition line 2: unterminated byte value"},
        {"form F: T\nStyle [a", "Form definition line 2: unterminated set"},
        {"form F: T\nLeft\x01 1", "Form definition line 2: control character"},
        {"form F: T\nCaption \"\xC3\x28\"", "Form definition line 2: invalid UTF-8"},
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
        } catch (const EReadError& error) { EXPECT_EQ(error.Message(), r.message) << r.text; }
    }
}

}  // namespace
