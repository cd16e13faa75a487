// The program's one conversion of a text to a signed 32-bit integer, as the
// refresh-interval edit box uses it.
//
// Rules: leading spaces (code 32 only) are skipped; one optional sign "+" or
// "-" directly before the number; "$", "x", "X", "0x" or "0X" start a
// hexadecimal number of at most 8 significant digits whose 32-bit pattern is
// read as signed (so "$FFFFFFFF" is -1) and then negated for "-"; otherwise
// decimal digits, leading zeros allowed, value within the int32 range.
// Anything after the number, a trailing blank included, makes it invalid.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int32_t> TryStrToInt(std::string_view text);

// The value of one hexadecimal digit of either case, or -1.
int HexDigitValue(char c);

// Raises EConvertError "'<text>' is not a valid integer value" when invalid.
std::int32_t StrToInt(std::string_view text);
