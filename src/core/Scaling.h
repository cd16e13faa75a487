// Adapting the main window, laid out at 96 pixels per inch, to the screen.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Same contract as the Windows MulDiv (named apart from it, which windows.h
// declares in the global namespace too): a * b held in 64 bits, divided by c,
// rounded to the nearest integer with halves away from zero; -1 when c is 0
// or the result does not fit 32 bits.
std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c);

struct Bounds {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Bounds&) const = default;
};

// Scales a control by m/d: left and top like positions, width and height
// through the scaled right and bottom edges so that adjoining controls keep
// adjoining. keepHeight is for controls whose class fixes their height.
Bounds ScaleBounds(const Bounds& bounds, int m, int d, bool keepHeight);

// A label's own font is scaled through its point size at the screen's ppi.
int ScaleFontHeight(int height, int m, int d, int screenPpi);

struct FontAttributes {
    std::string name;
    int height = 0;  // negative: character height in pixels
    bool bold = false, italic = false, underline = false, strikeOut = false;
    std::uint32_t color = 0;  // COLORREF-like, or a system colour marker
    int charset = 1;
    bool operator==(const FontAttributes&) const = default;
};

// The font a window has before its definition is read: "MS Sans Serif",
// 8 points at the screen's ppi, no style, window-text colour, DEFAULT_CHARSET.
FontAttributes DefaultWindowFont(int screenPpi);

// The window font after reading the definition: rescaled to
// MulDiv(designHeight, screenPpi, designPpi) only when the screen differs
// from the design ppi and the definition changed anything from the default
// font; otherwise returned unchanged.
FontAttributes AdaptWindowFont(const FontAttributes& loaded, int designHeight, int designPpi, int screenPpi);

// HIMETRIC (0.01 mm) to pixels at ppi, rounded.
int HimetricToPixels(int himetric, int ppi);
int PixelsToHimetric(int pixels, int ppi);

// The extent, in HIMETRIC, that the browser control's saved state holds: two
// little-endian 32-bit values at bytes 4 and 8; none in a shorter state.
struct Extent {
    int cx = 0;
    int cy = 0;
    bool operator==(const Extent&) const = default;
};
std::optional<Extent> SavedStateExtent(const std::vector<std::uint8_t>& state);
