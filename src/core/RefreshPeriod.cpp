// The refresh timer's period from the minutes typed into the edit box.
#include "RefreshPeriod.h"

#include "Exceptions.h"

std::uint32_t MinutesToPeriod(std::int32_t minutes) {
    if (minutes < 0 || minutes > kMaxRefreshMinutes) {
        // No trailing full stop: the error display adds one.
        throw EConvertError("The refresh period must be a whole number of minutes from 0 to 71582");
    }
    return static_cast<std::uint32_t>(minutes) * kMillisecondsPerMinute;
}
