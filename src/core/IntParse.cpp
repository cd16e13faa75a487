// The program's text-to-integer conversion.
#include "IntParse.h"

#include "Exceptions.h"

#include <string>

namespace {

constexpr int kMaxHexDigits = 8;
constexpr std::uint64_t kMagnitudeOfMin = 2147483648u;

}  // namespace

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::int32_t> TryStrToInt(std::string_view text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    // Only the space is skipped; a leading tab makes the text invalid.
    while (i < n && text[i] == ' ') ++i;

    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n) return std::nullopt;

    bool hex = false;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
        hex = true;
        ++i;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == n) return std::nullopt;

    if (hex) {
        std::uint32_t pattern = 0;
        int significant = 0;
        for (; i < n; ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0) return std::nullopt;
            if (significant > 0 || digit != 0) {
                if (++significant > kMaxHexDigits) return std::nullopt;
            }
            pattern = (pattern << 4) | static_cast<std::uint32_t>(digit);
        }
        // The pattern is taken as signed without a range check, and "-$80000000"
        // wraps back to itself; unsigned arithmetic keeps both well defined.
        if (negative) pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }

    std::uint64_t magnitude = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > kMagnitudeOfMin) return std::nullopt;
    }
    if (negative) { return static_cast<std::int32_t>(0 - static_cast<std::int64_t>(magnitude)); }
    if (magnitude == kMagnitudeOfMin) return std::nullopt;
    return static_cast<std::int32_t>(magnitude);
}

std::int32_t StrToInt(std::string_view text) {
    if (const auto value = TryStrToInt(text)) { return *value; }
    // Built by concatenation: the text has no length limit and may hold any byte.
    std::string message = "'";
    message.append(text);
    message.append("' is not a valid integer value");
    throw EConvertError(std::move(message));
}
