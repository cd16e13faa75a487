// Where the main window's controls must be at this screen's resolution, from fonts it measures, and what it shows.
#include "Harness.h"

#include <algorithm>
#include <set>

namespace {

// The design's text height at 96 pixels per inch, which the scaling rules start from.
constexpr int kDesignTextHeight = 13;

SIZE Extent(const wchar_t* face, int height, int weight, bool underline, BYTE charset, const std::wstring& text,
            TEXTMETRICW* metrics = nullptr) {
    HFONT font = CreateFontW(height, 0, 0, 0, weight, FALSE, underline, FALSE, charset, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, face);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), int(text.size()), &size);
    if (metrics) GetTextMetricsW(dc, metrics);
    DeleteObject(SelectObject(dc, old)), ReleaseDC(nullptr, dc);
    return size;
}

}  // namespace

Layout ExpectedLayout(const std::wstring& host) {
    HDC screen = GetDC(nullptr);
    int ppi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    // The window font of height -11 is scaled to this resolution, unless 8 points already come to 11 pixels here.
    int windowFont = ppi != 96 && -MulDiv(8, ppi, 72) != -11 ? MulDiv(-11, ppi, 96) : -11;
    TEXTMETRICW metrics{};
    int m = Extent(L"MS Sans Serif", windowFont, FW_NORMAL, false, DEFAULT_CHARSET, L"0", &metrics).cy;
    auto scaled = [&](int design) { return MulDiv(design, m, kDesignTextHeight); };
    auto link = [&](int left, int top, const std::wstring& caption, int height, bool underline, BYTE charset) {
        // Converts a font height in pixels at 96 ppi to points, and back to pixels at this resolution and text height.
        int scaledHeight = -MulDiv(MulDiv(-MulDiv(height, 72, ppi), m, kDesignTextHeight), ppi, 72);
        SIZE size = Extent(L"Book Antiqua", scaledHeight, FW_BOLD, underline, charset, caption);
        return RECT{scaled(left), scaled(top), scaled(left) + size.cx, scaled(top) + size.cy};
    };
    // The page view, the second rectangle, takes its size from the control's saved extent in HIMETRIC.
    return {{scaled(160), 0, scaled(160 + 33), metrics.tmHeight + 8 * GetSystemMetrics(SM_CYBORDER)},
            {0, scaled(24), MulDiv(20981, ppi, 2540), scaled(24) + MulDiv(12091, ppi, 2540)},
            {link(344, 2, L"Open Positions on Brenvik", -13, false, RUSSIAN_CHARSET),
             link(576, 0, L" " + host, -16, true, DEFAULT_CHARSET),
             {scaled(32), 0, scaled(32 + 20), scaled(12)},
             {scaled(200), 0, scaled(200 + 20), scaled(12)}},
            scaled(485 + 17) - scaled(485)};
}

Picture::Picture(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    width = client.right - client.left, height = client.bottom - client.top;
    pixels.resize(size_t(width) * size_t(height));
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, client.left, client.top, SRCCOPY);
    // GetDIBits reads a bitmap only once no device context holds it; the rows come top down as 0x00RRGGBB.
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB}};
    GetDIBits(memory, HBITMAP(SelectObject(memory, old)), 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap), DeleteDC(memory), ReleaseDC(nullptr, screen);
}

bool Picture::Ink(int x, int y) const {
    DWORD p = pixels[size_t(y) * size_t(width) + size_t(x)], b = pixels[0];
    int difference = 0;
    for (int shift : {0, 8, 16}) difference += std::abs(int((p >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    return difference > 96;
}

RECT Picture::InkBounds(const RECT& region) const {
    RECT ink{};  // UnionRect ignores an empty rectangle
    for (LONG y = std::max(0L, region.top); y < std::min(LONG(height), region.bottom); ++y)
        for (LONG x = std::max(0L, region.left); x < std::min(LONG(width), region.right); ++x)
            if (RECT dot{x, y, x + 1, y + 1}; Ink(x, y)) UnionRect(&ink, &ink, &dot);
    return ink;
}

// Blank columns part the letters. A face that lacks the caption's letters draws the same empty box for each of them.
size_t Picture::DistinctGlyphs(const RECT& region) const {
    std::set<std::string> shapes;
    std::string shape;
    for (LONG x = region.left; x <= region.right && x < width; ++x) {
        std::string column;
        for (LONG y = region.top; y < region.bottom && y < height; ++y)
            column += x < region.right && Ink(x, y) ? '#' : '.';
        if (column.find('#') != std::string::npos) shape += column;
        else if (!shape.empty()) shapes.insert(shape), shape.clear();
    }
    return shapes.size();
}
