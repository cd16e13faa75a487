// The text syntax of form definitions: what it accepts, what it refuses
// with the line named, and that no input makes it do anything else.
#include "Exceptions.h"
#include "FormDefinition.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace {

const std::string kHead = "form F: TF\n";

TEST(FormParser, AcceptedSyntax) {
    const FormDefinition form = ParseFormDefinition(
        "# leading comment\r\n"
        "form F: TF\r\n"
        "\tLeft\t-12  \r\n"
        "  # indented comment\n"
        "Big -9223372036854775808\n"
        "Positive +7\n"
        "Caption \"a \\\"q\\\" \\\\ b\\nc\"\n"
        "Empty \"\"\n"
        "Style [ ]\n"
        "Styles [fsBold,fsItalic ,  fsUnderline]\n"
        "Data <>\n"
        "Blob <0102\n"
        "  A0ff\n"
        ">\n"
        "\n"
        "component Other : TOther\n"
        "On True\n"
        "Font.Name \"\xd0\xbc\xd0\xb8\"\n");
    EXPECT_EQ(form.name, "F");
    EXPECT_EQ(form.className, "TF");
    ASSERT_EQ(form.properties.size(), 9u) << "window properties";
    const auto& p = form.properties;
    EXPECT_EQ(p[0].name, "Left");
    EXPECT_EQ(p[0].value.AsInteger(), -12) << "Left";
    EXPECT_EQ(p[0].line, 3) << "line of Left";
    EXPECT_EQ(p[1].value.integer, INT64_MIN) << "lowest 64-bit number";
    EXPECT_THROW(p[1].value.AsInteger(), EReadError) << "beyond 32 bits";
    EXPECT_EQ(p[2].value.AsInteger(), 7) << "plus sign";
    EXPECT_EQ(p[3].value.AsString(), "a \"q\" \\ b\nc") << "escapes";
    EXPECT_EQ(p[4].value.AsString(), "") << "empty string";
    EXPECT_EQ(p[5].value.kind, FormValue::Kind::Set) << "empty set";
    EXPECT_TRUE(p[5].value.set.empty()) << "empty set";
    EXPECT_EQ(p[6].value.AsSet(), (std::vector<std::string>{"fsBold", "fsItalic", "fsUnderline"})) << "set";
    EXPECT_EQ(p[7].value.kind, FormValue::Kind::Bytes) << "empty bytes";
    EXPECT_TRUE(p[7].value.bytes.empty()) << "empty bytes";
    EXPECT_EQ(p[8].value.AsBytes(), (std::vector<std::uint8_t>{0x01, 0x02, 0xA0, 0xFF})) << "bytes over lines";
    ASSERT_EQ(form.components.size(), 1u);
    EXPECT_EQ(form.components[0].name, "Other");
    EXPECT_EQ(form.components[0].className, "TOther");
    ASSERT_EQ(form.components[0].properties.size(), 2u);
    EXPECT_TRUE(form.components[0].properties[0].value.AsBoolean()) << "True";
    EXPECT_EQ(form.components[0].properties[1].name, "Font.Name") << "dotted name";
    EXPECT_EQ(form.components[0].properties[1].value.AsString(), "\xd0\xbc\xd0\xb8") << "UTF-8 text";
    EXPECT_EQ(form.components[0].properties[1].line, 18) << "line numbers count every line";
}

TEST(FormParser, ValueKindsAreChecked) {
    const FormDefinition form = ParseFormDefinition(kHead + "N 5\nS \"5\"\nI Five\nB False\n");
    const auto& p = form.properties;
    EXPECT_THROW(p[0].value.AsString(), EReadError) << "integer as string";
    EXPECT_THROW(p[0].value.AsBoolean(), EReadError) << "integer as boolean";
    EXPECT_THROW(p[1].value.AsInteger(), EReadError) << "string as integer";
    EXPECT_THROW(p[1].value.AsIdentifier(), EReadError) << "string as identifier";
    EXPECT_THROW(p[2].value.AsBoolean(), EReadError) << "other identifier as boolean";
    EXPECT_THROW(p[0].value.AsSet(), EReadError) << "integer as set";
    EXPECT_THROW(p[1].value.AsBytes(), EReadError) << "string as bytes";
    EXPECT_EQ(p[2].value.AsIdentifier(), "Five");
    EXPECT_FALSE(p[3].value.AsBoolean()) << "False";
    try {
        p[1].value.AsInteger();
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), "Invalid property value");
    }
}

struct ErrorCase {
    std::string what;
    std::string text;
    std::string message;
};

const ErrorCase kErrors[] = {
    {"empty text", "", "line 1: no form line"},
    {"comments only", "# a\n# b", "line 2: no form line"},
    {"property before the form", "Left 1\n", "line 1: property before the form line"},
    {"component before the form", "component A: TA\n", "line 1: component before the form line"},
    {"two forms", kHead + "form G: TG\n", "line 2: a second form line"},
    {"form without class", "form F\n", "line 1: expected \":\" after the name"},
    {"form without a name", "form : TF\n", "line 1: expected a component name"},
    {"class missing", "form F:\n", "line 1: expected a class name"},
    {"text after the class", kHead + "component A: TA x\n", "line 2: unexpected text after the class name"},
    {"duplicate component", kHead + "component A: TA\ncomponent A: TB\n", "line 3: duplicate component name A"},
    {"component named like the form", kHead + "component F: TA\n", "line 2: duplicate component name F"},
    {"duplicate property", kHead + "Left 1\nLeft 2\n", "line 3: duplicate property Left"},
    {"name that is no identifier", kHead + "1Left 1\n", "line 2: expected a property name"},
    {"symbol instead of a name", kHead + "=Left 1\n", "line 2: expected a property name"},
    {"missing value", kHead + "Left\n", "line 2: expected a blank and a value after Left"},
    {"blank but no value", kHead + "Left   \n", "line 2: expected a blank and a value after Left"},
    {"no blank before the value", kHead + "Left\"x\"\n", "line 2: expected a blank and a value after Left"},
    {"empty name part", kHead + "Font. 1\n", "line 2: malformed property name"},
    {"double dot", kHead + "Font..Name 1\n", "line 2: malformed property name"},
    {"unknown value", kHead + "Left @\n", "line 2: unknown kind of value"},
    {"sign without digits", kHead + "Left -\n", "line 2: malformed number"},
    {"number with a unit", kHead + "Left 12px\n", "line 2: unexpected text after the value"},
    {"number beyond 64 bits", kHead + "Left 9223372036854775808\n", "line 2: number out of range"},
    {"number far beyond 64 bits", kHead + "Left -99999999999999999999\n", "line 2: number out of range"},
    {"two values", kHead + "Left 1 2\n", "line 2: unexpected text after the value"},
    {"unterminated string", kHead + "Caption \"abc\n", "line 2: unterminated string"},
    {"string ending in a backslash", kHead + "Caption \"abc\\\n", "line 2: unterminated string"},
    {"unknown escape", kHead + "Caption \"a\\tb\"\n", "line 2: unknown escape in string"},
    {"text after a string", kHead + "Caption \"a\" b\n", "line 2: unexpected text after the value"},
    {"unterminated set", kHead + "Style [fsBold\n", "line 2: unterminated set"},
    {"set with a trailing comma", kHead + "Style [fsBold,]\n", "line 2: malformed set"},
    {"set without commas", kHead + "Style [fsBold fsItalic]\n", "line 2: malformed set"},
    {"set of numbers", kHead + "Style [1]\n", "line 2: malformed set"},
    {"odd hex digits", kHead + "Data <4C 0>\n", "line 2: odd number of hexadecimal digits"},
    {"odd hex digits on a later line", kHead + "Data <\n4C 00\n0\n>\n", "line 4: odd number of hexadecimal digits"},
    {"odd run of digits", kHead + "Data <4C0 0>\n", "line 2: odd number of hexadecimal digits"},
    {"not a hex digit", kHead + "Data <00 G1>\n", "line 2: invalid character in byte value"},
    {"comment inside bytes", kHead + "Data <00\n# no\n>\n", "line 3: invalid character in byte value"},
    {"unterminated bytes", kHead + "Data <4C 00\n00\n", "line 2: unterminated byte value"},
    {"text after bytes", kHead + "Data <00> 1\n", "line 2: unexpected text after the value"},
    {"stray continuation byte", kHead + "Caption \"\x80\"\n", "line 2: invalid UTF-8"},
    {"overlong slash", kHead + "Caption \"\xc0\xaf\"\n", "line 2: invalid UTF-8"},
    {"truncated sequence", kHead + "Caption \"\xd0\"\n", "line 2: invalid UTF-8"},
    {"truncated at the end", kHead + "Caption \xe2\x82", "line 2: invalid UTF-8"},
    {"surrogate", kHead + "Caption \"\xed\xa0\x80\"\n", "line 2: invalid UTF-8"},
    {"beyond U+10FFFF", kHead + "Caption \"\xf4\x90\x80\x80\"\n", "line 2: invalid UTF-8"},
    {"bad UTF-8 in a comment", kHead + "# \xff\n", "line 2: invalid UTF-8"},
    {"bad UTF-8 inside bytes", kHead + "Data <00\n\xfe\n>\n", "line 3: invalid UTF-8"},
    {"control character", kHead + "Caption \"a\x01\"\n", "line 2: control character"},
    {"NUL byte", kHead + std::string("Left 1\0\n", 8), "line 2: control character"},
    {"carriage return inside a line", kHead + "Left\r1\n", "line 2: control character"},
    {"delete character", kHead + "Caption \"\x7f\"\n", "line 2: control character"},
};

TEST(FormParser, MalformedInputNamesTheLine) {
    for (const auto& [what, text, message] : kErrors) {
        try {
            ParseFormDefinition(text);
            ADD_FAILURE() << what << ": accepted";
        } catch (const EReadError& error) {
            EXPECT_EQ(error.Message(), "Form definition line " + message.substr(5)) << what;
        }
    }
}

std::string Unit1Text() {
    std::ifstream file(QB_UNIT1_FORM, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

// Damaged copies of the real definition either parse or fail with
// EReadError; nothing else may come out of the parser.
TEST(FormParser, DamagedDefinitionsFailCleanly) {
    const std::string original = Unit1Text();
    ASSERT_GT(original.size(), 1000u) << "Unit1.form read";
    static const char kBytes[] = "\"\\<>[],:.#- \t\r\n0aFx\x80\xd0\xff";
    std::mt19937 random(4242);
    int parsed = 0;
    int refused = 0;
    constexpr int kCopies = 3000;
    for (int i = 0; i < kCopies; ++i) {
        std::string text = original;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % text.size();
            switch (random() % 4) {
            case 0: text[at] = kBytes[random() % (sizeof kBytes - 1)]; break;
            case 1: text.erase(at, 1 + random() % 8); break;
            case 2: text.insert(at, 1, kBytes[random() % (sizeof kBytes - 1)]); break;
            default: text.resize(at); break;
            }
            if (text.empty()) text = "x";
        }
        try {
            ParseFormDefinition(text);
            ++parsed;
        } catch (const EReadError&) {
            ++refused;
        }
    }
    EXPECT_GT(parsed, 0) << "damage inside comments and texts still parses";
    EXPECT_GT(refused, 0) << "some damage must be detected";
}

}  // namespace
