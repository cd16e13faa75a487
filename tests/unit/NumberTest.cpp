// The interval edit box's text to minutes to timer period, as Edit1Change
// applies it: one row per text.
#include "Exceptions.h"
#include "IntParse.h"
#include "NumberModel.h"
#include "RefreshPeriod.h"

#include <gtest/gtest.h>

namespace {

constexpr std::optional<std::int32_t> kInvalid;
constexpr std::optional<std::uint32_t> kRefused;

struct Row {
    std::string_view text;
    std::optional<std::int32_t> value;
    std::optional<std::uint32_t> period;  // kRefused: the minutes are out of range
};

const Row kRows[] = {
    {"5", 5, 300000}, {"05", 5, 300000}, {"1", 1, 60000}, {"02", 2, 120000}, {"0", 0, 0}, {"000", 0, 0},
    {"+3", 3, 180000}, {" 10", 10, 600000}, {"   7", 7, 420000}, {"$A", 10, 600000},
    {"0xA", 10, 600000}, {"xA", 10, 600000}, {"Xa", 10, 600000}, {"0X1f", 31, 1860000},
    {"$0000000001", 1, 60000}, {"71582", 71582, 4294920000u}, {"$1179E", 71582, 4294920000u},
    {"71583", 71583, kRefused}, {"-1", -1, kRefused}, {"-$1", -1, kRefused},
    {"2147483647", 2147483647, kRefused}, {"-2147483648", INT32_MIN, kRefused},
    {"$7FFFFFFF", INT32_MAX, kRefused}, {"$FFFFFFFF", -1, kRefused}, {"$80000000", INT32_MIN, kRefused},
    {"-$80000000", INT32_MIN, kRefused}, {"-$FFFFFFFF", 1, 60000}, {"-0", 0, 0}, {"+0x0", 0, 0},
};

const std::string_view kNotNumbers[] = {
    "", " ", "10 ", "\t10", "- 1", "+", "--1", "+-1", "$", "0x", "-x", "$G", "0x-1", "$ 1", "1.5",
    "1e3", "abc", "2147483648", "-2147483649", "99999999999999999999", "$100000000", "0x123456789",
    "$$1", "0$1", "00x1", "1x", std::string_view("1\0", 2), "\xD0\x9F",
};

TEST(Number, TextToMinutesToPeriod) {
    std::vector<Row> rows(std::begin(kRows), std::end(kRows));
    for (const std::string_view text : kNotNumbers) rows.push_back({text, kInvalid, kRefused});
    for (const Row& row : rows) {
        const std::string name = "text \"" + std::string(row.text) + "\"";
        EXPECT_EQ(ModelStrToInt(row.text), row.value) << name << " (reference model)";
        EXPECT_EQ(TryStrToInt(row.text), row.value) << name;
        try {
            const std::uint32_t period = MinutesToPeriod(StrToInt(row.text));
            EXPECT_EQ(period, row.period) << name;
        } catch (const EConvertError& error) {
            EXPECT_EQ(row.period, kRefused) << name << ": " << error.Message();
            if (!row.value) { EXPECT_EQ(error.Message(), NotAnIntegerMessage(row.text)) << name; }
        }
    }
}

}  // namespace
