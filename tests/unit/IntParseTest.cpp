// The text-to-integer conversion of the refresh-interval edit box, its error
// text, and the minutes-to-period rule that follows it.
#include "Exceptions.h"
#include "IntParse.h"
#include "RefreshPeriod.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

struct ConversionCase {
    std::string text;
    std::optional<std::int32_t> expected;
};

const ConversionCase kConversions[] = {
    {"5", 5},
    {"05", 5},
    {" 10", 10},
    {"   7", 7},
    {"10 ", std::nullopt},
    {"+3", 3},
    {"$A", 10},
    {"0xA", 10},
    {"0XA", 10},
    {"xA", 10},
    {"XA", 10},
    {"$a", 10},
    {"1.5", std::nullopt},
    {"1e3", std::nullopt},
    {"", std::nullopt},
    {"   ", std::nullopt},
    {"0", 0},
    {"-0", 0},
    {"02", 2},
    {"-2147483648", kMin},
    {"2147483647", kMax},
    {"+2147483647", kMax},
    {"000002147483647", kMax},
    {"2147483648", std::nullopt},
    {"-2147483649", std::nullopt},
    {"99999999999999999999999", std::nullopt},
    {"$FFFFFFFF", -1},
    {"-$FFFFFFFF", 1},
    {"$80000000", kMin},
    {"-$80000000", kMin},
    {"$7FFFFFFF", kMax},
    {"-$1", -1},
    {"-x1", -1},
    {"+0x10", 16},
    {"0x", std::nullopt},
    {"0X", std::nullopt},
    {"$", std::nullopt},
    {"x", std::nullopt},
    {"-$", std::nullopt},
    {"$000000001", 1},
    {"$0000000000000FFFFFFFF", -1},
    {"$100000000", std::nullopt},
    {"$123456789", std::nullopt},
    {"$G", std::nullopt},
    {"$1 ", std::nullopt},
    {"$-1", std::nullopt},
    {"$0x1", std::nullopt},
    {"0x0x1", std::nullopt},
    {"00x1", std::nullopt},
    {"\t5", std::nullopt},
    {"5\t", std::nullopt},
    {" \t5", std::nullopt},
    {"+", std::nullopt},
    {"-", std::nullopt},
    {" -5", -5},
    {"- 1", std::nullopt},
    {"--1", std::nullopt},
    {"+-1", std::nullopt},
    {"-+1", std::nullopt},
    {"abc", std::nullopt},
    {"5abc", std::nullopt},
    {std::string("5\0", 2), std::nullopt},
    {"\xd0\x9f", std::nullopt},
};

TEST(IntParse, ConversionTable) {
    for (const auto& [text, expected] : kConversions) {
        EXPECT_EQ(TryStrToInt(text), expected) << "TryStrToInt(\"" << text << "\")";
        if (expected) {
            EXPECT_EQ(StrToInt(text), *expected) << "StrToInt(\"" << text << "\")";
        } else {
            EXPECT_THROW(StrToInt(text), EConvertError) << "StrToInt(\"" << text << "\")";
        }
    }
}

TEST(IntParse, InvalidTextIsQuotedWholeInTheMessage) {
    const std::string longText(32767, '9');
    const std::string texts[] = {"", "abc", "10 ", " 1.5", longText};
    for (const std::string& text : texts) {
        try {
            StrToInt(text);
            ADD_FAILURE() << "no EConvertError for \"" << text.substr(0, 20) << "\"";
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(), "'" + text + "' is not a valid integer value")
                << "message for a text of " << text.size() << " characters";
            EXPECT_STREQ(error.ClassName(), "EConvertError");
        }
    }
}

struct PeriodCase {
    std::int32_t minutes;
    std::optional<std::uint32_t> period;
};

TEST(RefreshPeriod, MinutesToPeriodBoundaries) {
    const PeriodCase cases[] = {
        {-1, std::nullopt},   {0, 0u},
        {1, 60000u},          {5, 300000u},
        {71582, 4294920000u}, {71583, std::nullopt},
        {kMin, std::nullopt}, {kMax, std::nullopt},
    };
    for (const auto& [minutes, period] : cases) {
        if (period) {
            EXPECT_EQ(MinutesToPeriod(minutes), *period) << "minutes " << minutes;
            continue;
        }
        try {
            MinutesToPeriod(minutes);
            ADD_FAILURE() << "no EConvertError for minutes " << minutes;
        } catch (const EConvertError& error) {
            EXPECT_EQ(error.Message(),
                      "The refresh period must be a whole number of minutes from 0 to 71582")
                << "minutes " << minutes;
        }
    }
}

}  // namespace
