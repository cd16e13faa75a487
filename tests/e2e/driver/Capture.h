// Pixels of what a window shows, taken from the screen, and a BMP file of
// them for people to look at.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

class Image {
public:
    Image() = default;
    Image(int width, int height) : width_(width), height_(height), pixels_(size_t(width) * height) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }
    Rgb At(int x, int y) const;
    uint32_t* Data() { return pixels_.data(); }
    bool SaveBmp(const std::wstring& path) const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;  // 0x00RRGGBB, top row first
};

// The screen's pixels in a rectangle of screen coordinates: what the user
// sees there, other windows included, so bring the window to the top first.
Image CaptureScreen(const RECT& screenRect);
// Draws into a fresh image with a callback, for pictures the driver makes
// itself to compare with a capture.
Image Render(int width, int height, Rgb background, void (*draw)(HDC, void*), void* context);
