// The 96 ppi layout on the screen: MulDiv's rounding, placement and fonts at 96 and 144 ppi, the HIMETRIC extent.
#include "Scaling.h"

#include <gtest/gtest.h>

namespace {

// m: the measured height of "0" in the window font; the layout's is 13. At 101 to 103 ppi the default window font
// already is -11, so nothing is rescaled; -17 at 144 pins the rounding (-16.5).
// clang-format off
struct MulDivRow { int a, b, c, result; };
const MulDivRow kMulDiv[] = {
    {5, 3, 2, 8}, {-5, 3, 2, -8}, {5, 3, -2, -8}, {8, 1, 3, 3}, {1, 1, 3, 0}, {-2, 1, 3, -1}, {7, 1, 0, -1},
    {INT32_MAX, 2, 1, -1}, {INT32_MIN, 1, -1, -1}, {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX},
};
struct ControlRow { int ppi, m; Bounds before; bool fixedHeight; Bounds after; };
const ControlRow kControls[] = {
    {96, 13, {0, 24, 793, 457}, false, {0, 24, 793, 457}}, {144, 20, {0, 24, 793, 457}, false, {0, 37, 1220, 703}},
    {144, 20, {344, 2, 150, 18}, false, {529, 3, 231, 28}}, {144, 20, {160, 0, 33, 21}, true, {246, 0, 51, 21}},
};
struct FontRow { int ppi, m, height, scaled; };
const FontRow kFonts[] = {{96, 13, -13, -13}, {144, 20, -13, -22}, {144, 20, -16, -24}};
struct WindowFontRow { int ppi; bool bold; int height; };
const WindowFontRow kWindowFonts[] = {{96, false, -11}, {103, false, -11}, {103, true, -12}, {104, false, -12},
                                      {144, false, -17}};
struct HimetricRow { int himetric, ppi, pixels; };
const HimetricRow kHimetric[] = {{20981, 96, 793}, {20981, 144, 1189}, {13, 96, 0}, {14, 96, 1}};
// clang-format on

TEST(Scaling, MulDivRoundsHalvesAwayFromZero) {
    for (const MulDivRow& r : kMulDiv)
        EXPECT_EQ(MulDivRounded(r.a, r.b, r.c), r.result) << r.a << " " << r.b << " " << r.c;
}

TEST(Scaling, ControlsAndTheirFonts) {
    for (const ControlRow& r : kControls)
        EXPECT_EQ(ScaleBounds(r.before, r.m, 13, r.fixedHeight), r.after)
            << r.ppi << " ppi, control at " << r.before.left << "," << r.before.top;
    for (const FontRow& f : kFonts)
        EXPECT_EQ(ScaleFontHeight(f.height, f.m, 13, f.ppi), f.scaled) << f.ppi << " ppi, label font " << f.height;
}

TEST(Scaling, WindowFont) {
    const FontAttributes loaded = DefaultWindowFont(96);  // "MS Sans Serif", -11
    for (const WindowFontRow& r : kWindowFonts) {
        FontAttributes font = loaded;
        font.bold = r.bold;
        EXPECT_EQ(AdaptWindowFont(font, -11, 96, r.ppi).height, r.height) << r.ppi << " ppi, bold " << r.bold;
    }
}

TEST(Scaling, HimetricExtent) {
    for (const HimetricRow& r : kHimetric)
        EXPECT_EQ(HimetricToPixels(r.himetric, r.ppi), r.pixels) << r.himetric << " " << r.ppi;
    EXPECT_EQ(PixelsToHimetric(1189, 144), 20973);
}

}  // namespace
