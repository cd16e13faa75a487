// The interval box's text to minutes to timer period, as Edit1Change applies it, held to the number model too.
#include "Exceptions.h"
#include "IntParse.h"
#include "NumberModel.h"
#include "RefreshPeriod.h"

#include <gtest/gtest.h>

namespace {

// No value: not a number; no period: refused.
// clang-format off
struct Row { std::string_view text; std::optional<std::int32_t> value{}; std::optional<std::uint32_t> period{}; };
const Row kRows[] = {
    {"5", 5, 300000}, {"05", 5, 300000}, {"0", 0, 0}, {"-0", 0, 0}, {"+3", 3, 180000}, {" 10", 10, 600000},
    {"$A", 10, 600000}, {"0xA", 10, 600000}, {"xA", 10, 600000}, {"Xa", 10, 600000}, {"0X1f", 31, 1860000},
    {"$0000000001", 1, 60000}, {"71582", 71582, 4294920000u}, {"71583", 71583}, {"-1", -1},
    {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN}, {"$FFFFFFFF", -1}, {"$80000000", INT32_MIN},
    {"-$80000000", INT32_MIN}, {"-$FFFFFFFF", 1, 60000},
    {""}, {" "}, {"10 "}, {"\t10"}, {"- 1"}, {"+"}, {"--1"}, {"$"}, {"0x"}, {"$G"}, {"0x-1"}, {"$ 1"}, {"1.5"},
    {"2147483648"}, {"-2147483649"}, {"99999999999999999999"}, {"$100000000"}, {"00x1"}, {"1x"},
    {std::string_view("1\0", 2)},
};
// clang-format on

TEST(Number, TextToMinutesToPeriod) {
    for (const Row& row : kRows) {
        const std::string name = "text \"" + std::string(row.text) + "\"";
        EXPECT_EQ(ModelStrToInt(row.text), row.value) << name << " (reference model)";
        EXPECT_EQ(TryStrToInt(row.text), row.value) << name;
        try {
            EXPECT_EQ(MinutesToPeriod(StrToInt(row.text)), row.period) << name;
        } catch (const EConvertError& error) {
            EXPECT_FALSE(row.period) << name << ": " << error.Message();
            const std::string invalid = "'" + std::string(row.text) + "' is not a valid integer value";
            if (!row.value) { EXPECT_EQ(error.Message(), invalid) << name; }
        }
    }
}

}  // namespace
