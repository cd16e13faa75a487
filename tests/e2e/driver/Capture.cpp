// Pixels of what a window shows, taken from the screen, and a BMP file of
// them for people to look at.
#include "Capture.h"

#include "Files.h"

Rgb Image::At(int x, int y) const {
    uint32_t value = pixels_[size_t(y) * width_ + x];
    return {int((value >> 16) & 0xFF), int((value >> 8) & 0xFF), int(value & 0xFF)};
}

bool Image::SaveBmp(const std::wstring& path) const {
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = -height_;
    info.biPlanes = 1;
    info.biBitCount = 32;
    info.biCompression = BI_RGB;
    DWORD bytes = DWORD(pixels_.size() * sizeof(uint32_t));
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + bytes;
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    data.append(reinterpret_cast<const char*>(pixels_.data()), bytes);
    return WriteWholeFile(path, data);
}

namespace {

// A top-down 32-bit DIB section selected into a memory DC.
class DibSurface {
public:
    DibSurface(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
        if (bitmap_) old_ = SelectObject(dc_, bitmap_);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;
    ~DibSurface() {
        if (old_) SelectObject(dc_, old_);
        if (bitmap_) DeleteObject(bitmap_);
        if (dc_) DeleteDC(dc_);
    }
    bool Ok() const { return bitmap_ && bits_; }
    HDC Dc() const { return dc_; }
    void CopyTo(Image& image) const {
        GdiFlush();
        memcpy(image.Data(), bits_, size_t(image.Width()) * image.Height() * 4);
        for (int i = 0; i < image.Width() * image.Height(); ++i) image.Data()[i] &= 0x00FFFFFF;
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    void* bits_ = nullptr;
};

}  // namespace

Image CaptureScreen(const RECT& screenRect) {
    int width = screenRect.right - screenRect.left;
    int height = screenRect.bottom - screenRect.top;
    if (width <= 0 || height <= 0) return {};
    DibSurface surface(width, height);
    if (!surface.Ok()) return {};
    HDC screen = GetDC(nullptr);
    BOOL copied = BitBlt(surface.Dc(), 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!copied) return {};
    Image image(width, height);
    surface.CopyTo(image);
    return image;
}

Image Render(int width, int height, Rgb background, void (*draw)(HDC, void*), void* context) {
    DibSurface surface(width, height);
    if (!surface.Ok()) return {};
    RECT all{0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(RGB(background.r, background.g, background.b));
    FillRect(surface.Dc(), &all, brush);
    DeleteObject(brush);
    draw(surface.Dc(), context);
    Image image(width, height);
    surface.CopyTo(image);
    return image;
}
