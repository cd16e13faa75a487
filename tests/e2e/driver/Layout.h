// The main window's expected geometry at the screen's resolution, and a
// capture of what the window shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// In the main window's client coordinates.
struct Layout {
    RECT edit{}, browser{};
    // Label1 to Label4: the links' captions' extents in their fonts; of the
    // others, whose face may vary, where they start and a stretch of their first letters.
    RECT labels[4]{};
    int progressHeight = 17;
};

Layout ExpectedLayout(const std::wstring& host);

// The main window's client area as the screen shows it.
struct Picture {
    explicit Picture(HWND window);
    bool Ink(int x, int y) const;  // differs from the background at the top left corner
    RECT InkBounds(const RECT& region) const;
    size_t DistinctGlyphs(const RECT& region) const;
    int width = 0, height = 0;
    std::vector<DWORD> pixels;
};
