// Colours as the form definition names them. A value with the top bit set
// stands for a system colour (the low byte is its GetSysColor index) and is
// resolved only when painting, so it follows the user's colour scheme.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

using Color = std::uint32_t;

constexpr Color kSystemColorFlag = 0x80000000u;
constexpr Color clWindow = kSystemColorFlag | 5;  // COLOR_WINDOW
constexpr Color clWindowText = kSystemColorFlag | 8;  // COLOR_WINDOWTEXT
constexpr Color clBlue = 0x00FF0000u;  // 0x00BBGGRR
constexpr Color clRed = 0x000000FFu;

std::optional<Color> ColorFromName(std::string_view name);
