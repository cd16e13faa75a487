// The model splits the text into blanks, sign, prefix and digits first and
// only then asks whether the digits are acceptable; range limits are checked
// by comparing digit strings, so no arithmetic can overflow on the way.
#include "IntParseModel.h"

#include <cctype>
#include <initializer_list>

namespace {

constexpr std::string_view kDecimalDigits = "0123456789";
constexpr std::string_view kHexDigits = "0123456789abcdefABCDEF";
// Magnitude limits as digit strings: for strings of the same length without
// leading zeros, comparing the strings compares the numbers.
constexpr std::string_view kLargestPositive = "2147483647";
constexpr std::string_view kLargestNegative = "2147483648";
constexpr std::size_t kMaxHexDigits = 8;

bool MadeOf(std::string_view digits, std::string_view alphabet) {
    return !digits.empty() && digits.find_first_not_of(alphabet) == std::string_view::npos;
}

std::string_view Significant(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view{} : digits.substr(first);
}

std::uint32_t NibbleOf(char c) {
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return static_cast<std::uint32_t>(std::string_view("0123456789abcdef").find(lower));
}

std::optional<std::int32_t> Hexadecimal(std::string_view digits, bool negative) {
    if (!MadeOf(digits, kHexDigits)) return std::nullopt;
    const std::string_view significant = Significant(digits);
    if (significant.size() > kMaxHexDigits) return std::nullopt;
    std::uint32_t pattern = 0;
    for (const char c : significant) pattern = pattern << 4 | NibbleOf(c);
    // Negating the pattern modulo 2^32 is negating the signed value, with
    // 0x80000000 staying itself.
    if (negative) pattern = 0u - pattern;
    return static_cast<std::int32_t>(pattern);
}

std::optional<std::int32_t> Decimal(std::string_view digits, bool negative) {
    if (!MadeOf(digits, kDecimalDigits)) return std::nullopt;
    const std::string_view significant = Significant(digits);
    const std::string_view limit = negative ? kLargestNegative : kLargestPositive;
    if (significant.size() > limit.size() ||
        (significant.size() == limit.size() && significant > limit)) {
        return std::nullopt;
    }
    std::int64_t magnitude = 0;
    for (const char c : significant) magnitude = magnitude * 10 + (c - '0');
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

bool StartsWithAny(std::string_view text, std::initializer_list<std::string_view> prefixes) {
    for (const std::string_view prefix : prefixes) {
        if (text.starts_with(prefix)) return true;
    }
    return false;
}

}  // namespace

std::optional<std::int32_t> ModelStrToInt(std::string_view text) {
    const std::size_t firstNonBlank = text.find_first_not_of(' ');
    std::string_view number =
        firstNonBlank == std::string_view::npos ? std::string_view{} : text.substr(firstNonBlank);

    bool negative = false;
    if (StartsWithAny(number, {"-", "+"})) {
        negative = number.front() == '-';
        number.remove_prefix(1);
    }

    if (StartsWithAny(number, {"0x", "0X"})) return Hexadecimal(number.substr(2), negative);
    if (StartsWithAny(number, {"$", "x", "X"})) return Hexadecimal(number.substr(1), negative);
    return Decimal(number, negative);
}
