// The main window's expected geometry at the screen's resolution, and a
// capture of what the window shows.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct Layout {
    int ppi = 96;
    RECT edit{}, browser{};  // in the main window's client coordinates
    RECT label1{}, label2{};  // the link captions' extents in their fonts
    int label3Left = 0, label4Left = 0;
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
