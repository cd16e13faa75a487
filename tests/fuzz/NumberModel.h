// The interval box's number rules written a second way, for the unit table and the fuzz target: the text split
// into blanks, sign, prefix and digits, the digits judged as strings, so that no arithmetic can overflow.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline std::optional<std::int32_t> ModelStrToInt(std::string_view text) {
    std::string_view rest = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    const bool negative = rest.starts_with('-');
    if (negative || rest.starts_with('+')) rest.remove_prefix(1);
    const bool hex = rest.starts_with("0x") || rest.starts_with("0X") || rest.starts_with('$') ||
        rest.starts_with('x') || rest.starts_with('X');
    if (hex) rest.remove_prefix(rest.starts_with('0') ? 2 : 1);
    const std::string_view alphabet = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (rest.empty() || rest.find_first_not_of(alphabet) != std::string_view::npos) return std::nullopt;
    const std::string_view digits = rest.substr(std::min(rest.find_first_not_of('0'), rest.size()));
    if (hex) {
        if (digits.size() > 8) return std::nullopt;
        const auto pattern = static_cast<std::uint32_t>(std::stoul("0" + std::string(digits), nullptr, 16));
        return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
    }
    // Same-length digit strings without leading zeros compare like numbers.
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) return std::nullopt;
    const std::int64_t magnitude = std::stoll("0" + std::string(digits));
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}
