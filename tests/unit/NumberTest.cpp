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
    {"5", 5, 300000},          {"05", 5, 300000},        {"1", 1, 60000},
    {"02", 2, 120000},         {"0", 0, 0},              {"000", 0, 0},
    {"+3", 3, 180000},         {" 10", 10, 600000},      {"   7", 7, 420000},
    {"$A", 10, 600000},        {"0xA", 10, 600000},      {"xA", 10, 600000},
    {"Xa", 10, 600000},        {"0X1f", 31, 1860000},    {"$0000000001", 1, 60000},
    {"71582", 71582, 4294920000u},                       {"$1179E", 71582, 4294920000u},
    {"71583", 71583, kRefused}, {"-1", -1, kRefused},    {"-$1", -1, kRefused},
    {"2147483647", 2147483647, kRefused},                {"-2147483648", INT32_MIN, kRefused},
    {"$7FFFFFFF", INT32_MAX, kRefused},                  {"$FFFFFFFF", -1, kRefused},
    {"$80000000", INT32_MIN, kRefused},                  {"-$80000000", INT32_MIN, kRefused},
    {"-$FFFFFFFF", 1, 60000},  {"-0", 0, 0},             {"+0x0", 0, 0},
    {"", kInvalid, kRefused},  {" ", kInvalid, kRefused}, {"10 ", kInvalid, kRefused},
    {"\t10", kInvalid, kRefused},                        {"- 1", kInvalid, kRefused},
    {"+", kInvalid, kRefused}, {"--1", kInvalid, kRefused}, {"+-1", kInvalid, kRefused},
    {"$", kInvalid, kRefused}, {"0x", kInvalid, kRefused}, {"-x", kInvalid, kRefused},
    {"$G", kInvalid, kRefused}, {"0x-1", kInvalid, kRefused}, {"$ 1", kInvalid, kRefused},
    {"1.5", kInvalid, kRefused}, {"1e3", kInvalid, kRefused}, {"abc", kInvalid, kRefused},
    {"2147483648", kInvalid, kRefused},                  {"-2147483649", kInvalid, kRefused},
    {"99999999999999999999", kInvalid, kRefused},        {"$100000000", kInvalid, kRefused},
    {"0x123456789", kInvalid, kRefused},                 {"$$1", kInvalid, kRefused},
    {"0$1", kInvalid, kRefused}, {"00x1", kInvalid, kRefused}, {"1x", kInvalid, kRefused},
    {std::string_view("1\0", 2), kInvalid, kRefused},    {"\xD0\x9F", kInvalid, kRefused},
};

TEST(Number, TextToMinutesToPeriod) {
    for (const Row& row : kRows) {
        const std::string name = "text \"" + std::string(row.text) + "\"";
        EXPECT_EQ(ModelStrToInt(row.text), row.value) << name << " (reference model)";
        EXPECT_EQ(TryStrToInt(row.text), row.value) << name;
        try {
            const std::uint32_t period = MinutesToPeriod(StrToInt(row.text));
            EXPECT_EQ(period, row.period) << name;
        } catch (const EConvertError& error) {
            EXPECT_EQ(row.period, kRefused) << name << ": " << error.Message();
            if (!row.value) {
                EXPECT_EQ(error.Message(), NotAnIntegerMessage(row.text)) << name;
            }
        }
    }
}

}  // namespace
