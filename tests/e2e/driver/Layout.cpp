// Where the main window's controls must be at this screen's pixels per inch,
// worked out from fonts the driver measures itself, and what the window shows.
#include "Layout.h"

#include <algorithm>
#include <set>

namespace {

// The designed top strip at 96 pixels per inch, and the window font's
// definition, which the scaling rules start from.
constexpr int kDesignTextHeight = 13;
constexpr int kEditLeft = 160, kEditWidth = 33, kBrowserTop = 24, kLabel1Left = 344, kLabel2Left = 576;

HFONT MakeFont(const wchar_t* face, int height, bool bold, bool underline, BYTE charset) {
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, underline, FALSE, charset,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
}

SIZE Extent(HFONT font, const std::wstring& text, TEXTMETRICW* metrics = nullptr) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    if (metrics) GetTextMetricsW(dc, metrics);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    DeleteObject(font);
    return size;
}

int ScaledFontHeight(int height, int ppi, int m) {
    int points = -MulDiv(height, 72, ppi);
    return -MulDiv(MulDiv(points, m, kDesignTextHeight), ppi, 72);
}

RECT Scaled(int left, int top, int width, int height, int m) {
    int x = MulDiv(left, m, kDesignTextHeight), y = MulDiv(top, m, kDesignTextHeight);
    return {x, y, MulDiv(left + width, m, kDesignTextHeight), MulDiv(top + height, m, kDesignTextHeight)};
}

}  // namespace

Layout ExpectedLayout(const std::wstring& host) {
    Layout layout;
    HDC screen = GetDC(nullptr);
    layout.ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // The definition's -11 differs from the default font at this resolution
    // unless 8 points already are 11 pixels here.
    int windowFont = -11;
    if (layout.ppi != 96 && -MulDiv(8, layout.ppi, 72) != -11) windowFont = MulDiv(-11, layout.ppi, 96);
    TEXTMETRICW metrics{};
    int m = Extent(MakeFont(L"MS Sans Serif", windowFont, false, false, DEFAULT_CHARSET), L"0", &metrics).cy;
    RECT edit = Scaled(kEditLeft, 0, kEditWidth, 21, m);
    edit.bottom = edit.top + metrics.tmHeight + 8 * GetSystemMetrics(SM_CYBORDER);
    layout.edit = edit;
    RECT browser = Scaled(0, kBrowserTop, 793, 457, m);
    // The page view takes its size from the control's saved extent in HIMETRIC.
    browser.right = browser.left + MulDiv(20981, layout.ppi, 2540);
    browser.bottom = browser.top + MulDiv(12091, layout.ppi, 2540);
    layout.browser = browser;
    RECT bar = Scaled(0, 485, 807, 17, m);
    layout.progressHeight = bar.bottom - bar.top;
    auto link = [&](int left, int top, const std::wstring& caption, int height, bool underline, BYTE charset) {
        RECT at = Scaled(left, top, 0, 0, m);
        SIZE size = Extent(MakeFont(L"Book Antiqua", ScaledFontHeight(height, layout.ppi, m), true, underline, charset),
                           caption);
        return RECT{at.left, at.top, at.left + size.cx, at.top + size.cy};
    };
    layout.label1 = link(kLabel1Left, 2, L"Open Positions on Brenvik", -13, false, RUSSIAN_CHARSET);
    layout.label2 = link(kLabel2Left, 0, L" " + host, -16, true, DEFAULT_CHARSET);
    layout.label3Left = MulDiv(32, m, kDesignTextHeight);
    layout.label4Left = MulDiv(200, m, kDesignTextHeight);
    return layout;
}

Picture::Picture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    width = client.right - client.left;
    height = client.bottom - client.top;
    pixels.resize(size_t(width) * size_t(height));
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, client.left, client.top, SRCCOPY);
    GdiFlush();
    if (bits) std::copy_n(static_cast<DWORD*>(bits), pixels.size(), pixels.begin());
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

bool Picture::Ink(int x, int y) const {
    auto channel = [](DWORD p, int shift) { return int((p >> shift) & 0xFF); };
    DWORD p = pixels[size_t(y) * size_t(width) + size_t(x)], b = pixels[0];
    int difference = 0;
    for (int shift : {0, 8, 16}) difference += std::abs(channel(p, shift) - channel(b, shift));
    return difference > 96;
}

RECT Picture::InkBounds(const RECT& region) const {
    RECT ink{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = std::max(0L, region.top); y < std::min(LONG(height), region.bottom); ++y)
        for (LONG x = std::max(0L, region.left); x < std::min(LONG(width), region.right); ++x)
            if (Ink(x, y)) ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                                  std::max(ink.bottom, y + 1)};
    return ink.left == LONG_MAX ? RECT{} : ink;
}

// Letters stand apart by blank columns; a face without the caption's
// letters draws the same empty box for each, so few distinct shapes show.
size_t Picture::DistinctGlyphs(const RECT& region) const {
    std::set<std::string> shapes;
    std::string shape;
    for (LONG x = region.left; x <= region.right && x < width; ++x) {
        std::string column;
        for (LONG y = region.top; y < region.bottom && y < height; ++y) column += x < region.right && Ink(x, y) ? '#' : '.';
        if (column.find('#') != std::string::npos) {
            shape += column;
        } else if (!shape.empty()) {
            shapes.insert(shape);
            shape.clear();
        }
    }
    return shapes.size();
}
