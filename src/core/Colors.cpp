// The colour names that the form definition uses.
#include "Colors.h"

#include <array>
#include <utility>

std::optional<Color> ColorFromName(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, Color>, 4> kNamed{{
        {"clWindow", clWindow},
        {"clWindowText", clWindowText},
        {"clBlue", clBlue},
        {"clRed", clRed},
    }};
    for (const auto& [colorName, color] : kNamed) {
        if (colorName == name) { return color; }
    }
    return std::nullopt;
}
