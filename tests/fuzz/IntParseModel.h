// A second statement of the program's text-to-integer rules, written to be
// read against their wording rather than to be fast. The parser fuzzer holds
// TryStrToInt and StrToInt to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int32_t> ModelStrToInt(std::string_view text);
