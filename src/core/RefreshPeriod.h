// Turns the minutes the user typed into the refresh timer's period.
#pragma once

#include <cstdint>

constexpr std::int32_t kMaxRefreshMinutes = 71582;  // largest n with n * 60000 < 2^32
constexpr std::uint32_t kMillisecondsPerMinute = 60000;

// 0 to kMaxRefreshMinutes give minutes * 60000 exactly (0 stops the timer).
// Any other number would wrap to a period unrelated to what was typed, so it
// raises EConvertError naming the accepted range instead.
std::uint32_t MinutesToPeriod(std::int32_t minutes);
