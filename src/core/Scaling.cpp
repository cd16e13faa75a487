// Adapting the main window, laid out at 96 pixels per inch, to the screen.
#include "Scaling.h"

#include "Colors.h"

#include <cstdint>
#include <limits>

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kHimetricPerInch = 2540;
constexpr int kDefaultFontPoints = 8;
constexpr int kDefaultCharset = 1;  // DEFAULT_CHARSET

}  // namespace

std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t magnitude =
        product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
    const std::uint64_t divisor =
        c < 0 ? 0 - static_cast<std::uint64_t>(static_cast<std::int64_t>(c)) : static_cast<std::uint64_t>(c);
    // Rounding the magnitude makes halves go away from zero on both sides.
    const std::uint64_t quotient = (magnitude + divisor / 2) / divisor;
    const std::int64_t result = negative ? -static_cast<std::int64_t>(quotient) : static_cast<std::int64_t>(quotient);
    if (result > std::numeric_limits<std::int32_t>::max() || result < std::numeric_limits<std::int32_t>::min()) {
        return -1;
    }
    return static_cast<std::int32_t>(result);
}

Bounds ScaleBounds(const Bounds& bounds, int m, int d, bool keepHeight) {
    Bounds scaled;
    scaled.left = MulDivRounded(bounds.left, m, d);
    scaled.top = MulDivRounded(bounds.top, m, d);
    scaled.width = MulDivRounded(bounds.left + bounds.width, m, d) - scaled.left;
    scaled.height = keepHeight ? bounds.height : MulDivRounded(bounds.top + bounds.height, m, d) - scaled.top;
    return scaled;
}

int ScaleFontHeight(int height, int m, int d, int screenPpi) {
    // Through whole points, the unit a font size is chosen in, not through pixels.
    const int size = -MulDivRounded(height, kPointsPerInch, screenPpi);
    const int newSize = MulDivRounded(size, m, d);
    return -MulDivRounded(newSize, screenPpi, kPointsPerInch);
}

FontAttributes DefaultWindowFont(int screenPpi) {
    FontAttributes font;
    font.name = "MS Sans Serif";
    font.height = -MulDivRounded(kDefaultFontPoints, screenPpi, kPointsPerInch);
    font.color = clWindowText;
    font.charset = kDefaultCharset;
    return font;
}

FontAttributes AdaptWindowFont(const FontAttributes& loaded, int designHeight, int designPpi, int screenPpi) {
    // At 101 to 103 ppi the default font is already -11 pixels, so a
    // definition that repeats it is left alone rather than rescaled to -12.
    if (screenPpi == designPpi || loaded == DefaultWindowFont(screenPpi)) { return loaded; }
    FontAttributes adapted = loaded;
    adapted.height = MulDivRounded(designHeight, screenPpi, designPpi);
    return adapted;
}

int HimetricToPixels(int himetric, int ppi) { return MulDivRounded(himetric, ppi, kHimetricPerInch); }

int PixelsToHimetric(int pixels, int ppi) { return MulDivRounded(pixels, kHimetricPerInch, ppi); }

std::optional<Extent> SavedStateExtent(const std::vector<std::uint8_t>& state) {
    constexpr size_t kExtentOffset = 4;
    if (state.size() < kExtentOffset + 8) return std::nullopt;
    auto readInt32 = [&](size_t at) {
        std::uint32_t value = 0;
        for (size_t i = 0; i < 4; ++i) value |= std::uint32_t{state[at + i]} << (8 * i);
        return static_cast<int>(static_cast<std::int32_t>(value));
    };
    return Extent{readInt32(kExtentOffset), readInt32(kExtentOffset + 4)};
}
