// Where the main window's controls must be at the screen's pixels per inch,
// worked out here from fonts measured by the driver, not read from the viewer.
#pragma once

#include <windows.h>

#include <string>

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};

std::string BoxText(const Box& box);
Box ToBox(const RECT& rect);

struct FontChoice {
    const wchar_t* face;
    int height;
    bool bold;
    bool underline;
    int charset;
};

struct ExpectedLabel {
    std::wstring caption;
    FontChoice font;  // the height after scaling
    Box box;          // left/top scaled, size = the caption's extent
};

struct ExpectedLayout {
    int ppi = 96;
    int windowFontHeight = -11;
    int zeroHeight = 13;  // M: height of "0" in the window font
    ExpectedLabel labels[4];
    Box edit;
    Box browser;      // scaled position, size from the saved extent
    int progressHeight = 17;
    int progressLeft = 0, progressTop = 0;  // before the bar is laid along the bottom
    int rangeX = 0, rangeY = 0;             // automatic scrolling ranges
};

// The screen's vertical pixels per inch, as the viewer reads it.
int ScreenPpi();
ExpectedLayout ComputeLayout(int ppi, const std::wstring& publisherHost);
