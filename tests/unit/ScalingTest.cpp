// MulDiv and the pixels-per-inch adaptation of the main window.
#include "Colors.h"
#include "Scaling.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(Scaling, MulDivMatchesTheWindowsContract) {
    struct Case {
        std::int32_t a, b, c, expected;
    };
    const Case cases[] = {
        {0, 5, 3, 0},
        {1, 1, 0, -1},
        {kMax, kMax, 0, -1},
        {5, 1, 2, 3},
        {-5, 1, 2, -3},
        {5, -1, 2, -3},
        {5, 1, -2, -3},
        {-5, 1, -2, 3},
        {-5, -1, -2, -3},
        {3, 1, 2, 2},
        {-3, 1, 2, -2},
        {7, 1, 3, 2},
        {8, 1, 3, 3},
        {-7, 1, 3, -2},
        {-8, 1, 3, -3},
        {-11, 120, 96, -14},
        {-11, 103, 96, -12},
        {11, 120, 96, 14},
        {-11, 144, 96, -17},
        {kMax, kMax, kMax, kMax},
        {kMax, 2, 1, -1},
        {kMin, -1, 1, -1},
        {1 << 30, 4, 2, -1},
        {kMax, 2, 2, kMax},
        {1, 1, kMin, 0},
    };
    for (const auto& [a, b, c, expected] : cases) {
        EXPECT_EQ(MulDivRounded(a, b, c), expected) << "MulDivRounded(" << a << ", " << b << ", " << c << ")";
    }
}

struct ControlCase {
    std::string name;
    Bounds designed;
    bool keepHeight;
    Bounds at16of13;
};

// The controls of the main window as designed at 96 ppi, and where they go
// when "0" measures 16 pixels instead of 13 (120 ppi).
const ControlCase kControls[] = {
    {"Label1", {344, 2, 150, 18}, false, {423, 2, 185, 23}},
    {"Label2", {576, 0, 149, 21}, false, {709, 0, 183, 26}},
    {"Label3", {32, 0, 126, 16}, false, {39, 0, 155, 20}},
    {"Label4", {200, 0, 40, 16}, false, {246, 0, 49, 20}},
    {"ProgressBar1", {0, 485, 807, 17}, false, {0, 597, 993, 21}},
    {"WebBrowser1", {0, 24, 793, 457}, false, {0, 30, 976, 562}},
    {"Edit1", {160, 0, 33, 21}, true, {197, 0, 41, 21}},
};

void ExpectBounds(const Bounds& actual, const Bounds& expected, const std::string& what) {
    EXPECT_EQ(actual.left, expected.left) << what << " left";
    EXPECT_EQ(actual.top, expected.top) << what << " top";
    EXPECT_EQ(actual.width, expected.width) << what << " width";
    EXPECT_EQ(actual.height, expected.height) << what << " height";
}

TEST(Scaling, EveryControlAt16Of13) {
    for (const auto& control : kControls) {
        ExpectBounds(ScaleBounds(control.designed, 16, 13, control.keepHeight), control.at16of13,
                     control.name);
    }
}

TEST(Scaling, BoundsAt144Ppi) {
    // "0" measures 20 pixels in the window font at 144 ppi.
    ExpectBounds(ScaleBounds({0, 24, 793, 457}, 20, 13, false), {0, 37, 1220, 703}, "WebBrowser1");
    ExpectBounds(ScaleBounds({0, 485, 807, 17}, 20, 13, false), {0, 746, 1242, 26}, "ProgressBar1");
    ExpectBounds(ScaleBounds({160, 0, 33, 21}, 20, 13, true), {246, 0, 51, 21}, "Edit1");
    ExpectBounds(ScaleBounds({344, 2, 150, 18}, 13, 13, false), {344, 2, 150, 18}, "Label1 at 1:1");
}

TEST(Scaling, LabelFontsGoThroughWholePoints) {
    struct Case {
        std::string what;
        int height, m, d, ppi, expected;
    };
    const Case cases[] = {
        {"Label1 at 120 ppi", -13, 16, 13, 120, -17},
        {"Label2 at 120 ppi", -16, 16, 13, 120, -20},
        {"Label3 at 120 ppi", -13, 16, 13, 120, -17},
        {"Label1 at 144 ppi", -13, 20, 13, 144, -22},
        {"Label2 at 144 ppi", -16, 20, 13, 144, -24},
        {"Label1 unscaled at 96 ppi", -13, 13, 13, 96, -13},
    };
    for (const auto& [what, height, m, d, ppi, expected] : cases) {
        EXPECT_EQ(ScaleFontHeight(height, m, d, ppi), expected) << what;
    }
}

FontAttributes DefinitionWindowFont() {
    FontAttributes font;
    font.name = "MS Sans Serif";
    font.height = -11;
    font.color = clWindowText;
    font.charset = 1;
    return font;
}

TEST(Scaling, WindowFontAdaptsOnlyWhenItDiffersFromTheDefault) {
    struct Case {
        int ppi;
        int expectedHeight;
    };
    const Case cases[] = {{96, -11}, {101, -11}, {102, -11}, {103, -11}, {104, -12}, {120, -14}, {144, -17}};
    for (const auto& [ppi, expectedHeight] : cases) {
        const FontAttributes adapted = AdaptWindowFont(DefinitionWindowFont(), -11, 96, ppi);
        EXPECT_EQ(adapted.height, expectedHeight) << "window font height at " << ppi << " ppi";
        EXPECT_EQ(adapted.name, "MS Sans Serif") << "face at " << ppi << " ppi";
    }

    FontAttributes otherFace = DefinitionWindowFont();
    otherFace.name = "Tahoma";
    EXPECT_EQ(AdaptWindowFont(otherFace, -11, 96, 102).height, -12) << "another face at 102 ppi";
    FontAttributes bold = DefinitionWindowFont();
    bold.bold = true;
    EXPECT_EQ(AdaptWindowFont(bold, -11, 96, 102).height, -12) << "bold at 102 ppi";
    FontAttributes otherCharset = DefinitionWindowFont();
    otherCharset.charset = 204;
    EXPECT_EQ(AdaptWindowFont(otherCharset, -11, 96, 96).height, -11) << "design ppi never rescales";
}

TEST(Scaling, DefaultWindowFontIsEightPoints) {
    struct Case {
        int ppi;
        int height;
    };
    const Case cases[] = {{96, -11}, {101, -11}, {103, -11}, {104, -12}, {120, -13}, {144, -16}};
    for (const auto& [ppi, height] : cases) {
        FontAttributes expected = DefinitionWindowFont();
        expected.height = height;
        EXPECT_EQ(DefaultWindowFont(ppi), expected) << "default font at " << ppi << " ppi";
    }
}

TEST(Scaling, Himetric) {
    EXPECT_EQ(HimetricToPixels(20981, 96), 793) << "extent width";
    EXPECT_EQ(HimetricToPixels(12091, 96), 457) << "extent height";
    EXPECT_EQ(HimetricToPixels(20981, 120), 991) << "extent width at 120 ppi";
    EXPECT_EQ(PixelsToHimetric(793, 96), 20981) << "width back";
    EXPECT_EQ(PixelsToHimetric(457, 96), 12091) << "height back";
}

}  // namespace
