// Where the main window's controls must be at the screen's pixels per inch,
// worked out here from fonts measured by the driver, not read from the viewer.
#include "ExpectedLayout.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kDesignPpi = 96;
constexpr int kDesignTextHeight = 13;
constexpr int kDesignWindowFontHeight = -11;
constexpr int kDefaultFontPoints = 8;
// The browser's saved extent in HIMETRIC (0.01 mm).
constexpr int kBrowserExtentX = 20981;
constexpr int kBrowserExtentY = 12091;
constexpr int kHimetricPerInch = 2540;

struct DesignControl {
    int left, top, width, height;
};

constexpr DesignControl kLabels[4] = {{344, 2, 150, 18}, {576, 0, 149, 21}, {32, 0, 126, 16}, {200, 0, 40, 16}};
constexpr DesignControl kProgress{0, 485, 807, 17};
constexpr DesignControl kBrowser{0, 24, 793, 457};
constexpr DesignControl kEdit{160, 0, 33, 21};

class ScreenFont {
public:
    explicit ScreenFont(const FontChoice& choice) {
        font_ = CreateFontW(choice.height, 0, 0, 0, choice.bold ? FW_BOLD : FW_NORMAL, FALSE, choice.underline,
                            FALSE, DWORD(choice.charset), OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, choice.face);
        dc_ = GetDC(nullptr);
        old_ = SelectObject(dc_, font_);
    }
    ScreenFont(const ScreenFont&) = delete;
    ScreenFont& operator=(const ScreenFont&) = delete;
    ~ScreenFont() {
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
        DeleteObject(font_);
    }
    SIZE Extent(const std::wstring& text) const {
        SIZE size{};
        GetTextExtentPoint32W(dc_, text.c_str(), int(text.size()), &size);
        return size;
    }
    int CellHeight() const {
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc_, &metrics);
        return metrics.tmHeight;
    }

private:
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

int ScalePosition(int value, int m) { return MulDiv(value, m, kDesignTextHeight); }

// The window font only changes when the form's font differs from the font
// a window has by default at this ppi (MS Sans Serif, 8 points).
int WindowFontHeight(int ppi) {
    if (ppi == kDesignPpi) return kDesignWindowFontHeight;
    int defaultHeight = -MulDiv(kDefaultFontPoints, ppi, 72);
    if (defaultHeight == kDesignWindowFontHeight) return kDesignWindowFontHeight;
    return MulDiv(kDesignWindowFontHeight, ppi, kDesignPpi);
}

int LabelFontHeight(int height, int m, int ppi) {
    if (m == kDesignTextHeight) return height;
    int points = -MulDiv(height, 72, ppi);
    int scaledPoints = MulDiv(points, m, kDesignTextHeight);
    return -MulDiv(scaledPoints, ppi, 72);
}

}  // namespace

std::string BoxText(const Box& box) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%d,%d %dx%d", box.left, box.top, box.width, box.height);
    return buffer;
}

Box ToBox(const RECT& rect) { return {int(rect.left), int(rect.top), int(rect.right - rect.left), int(rect.bottom - rect.top)}; }

int ScreenPpi() {
    HDC screen = GetDC(nullptr);
    int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return ppi;
}

ExpectedLayout ComputeLayout(int ppi, const std::wstring& publisherHost) {
    ExpectedLayout layout;
    layout.ppi = ppi;
    layout.windowFontHeight = WindowFontHeight(ppi);
    FontChoice windowFont{L"MS Sans Serif", layout.windowFontHeight, false, false, DEFAULT_CHARSET};
    int editCellHeight = 0;
    {
        ScreenFont font(windowFont);
        layout.zeroHeight = font.Extent(L"0").cy;
        editCellHeight = font.CellHeight();
    }
    const int m = layout.zeroHeight;
    const bool scaled = m != kDesignTextHeight;
    auto position = [&](int value) { return scaled ? ScalePosition(value, m) : value; };
    auto extent = [&](int start, int length) {
        return scaled ? ScalePosition(start + length, m) - ScalePosition(start, m) : length;
    };

    const FontChoice labelFonts[4] = {
        {L"Book Antiqua", -13, true, false, RUSSIAN_CHARSET},
        {L"Book Antiqua", -16, true, true, DEFAULT_CHARSET},
        {L"MS Sans Serif", -13, false, false, DEFAULT_CHARSET},
        {L"MS Sans Serif", -13, false, false, DEFAULT_CHARSET},
    };
    const std::wstring captions[4] = {
        L"Open Positions on Brenvik",
        L" " + publisherHost,
        L"\u041E\u0431\u043D\u043E\u0432\u043B\u044F\u0442\u044C \u043A\u0430\u0436\u0434\u044B\u0435 ",
        L"\u043C\u0438\u043D\u0443\u0442",
    };
    for (int i = 0; i < 4; ++i) {
        ExpectedLabel& label = layout.labels[i];
        label.caption = captions[i];
        label.font = labelFonts[i];
        label.font.height = LabelFontHeight(labelFonts[i].height, m, ppi);
        ScreenFont font(label.font);
        SIZE size = font.Extent(label.caption);
        label.box = {position(kLabels[i].left), position(kLabels[i].top), int(size.cx), int(size.cy)};
    }

    layout.edit = {position(kEdit.left), position(kEdit.top), extent(kEdit.left, kEdit.width),
                   editCellHeight + 8 * GetSystemMetrics(SM_CYBORDER)};
    layout.browser = {position(kBrowser.left), position(kBrowser.top),
                      MulDiv(kBrowserExtentX, ppi, kHimetricPerInch), MulDiv(kBrowserExtentY, ppi, kHimetricPerInch)};
    layout.progressLeft = position(kProgress.left);
    layout.progressTop = position(kProgress.top);
    layout.progressHeight = extent(kProgress.top, kProgress.height);

    int right = layout.browser.left + layout.browser.width;
    int bottom = layout.browser.top + layout.browser.height;
    for (const ExpectedLabel& label : layout.labels) {
        right = std::max(right, label.box.left + label.box.width);
        bottom = std::max(bottom, label.box.top + label.box.height);
    }
    right = std::max(right, layout.edit.left + layout.edit.width);
    bottom = std::max(bottom, layout.edit.top + layout.edit.height);
    layout.rangeX = right;
    layout.rangeY = bottom + layout.progressHeight;
    return layout;
}
