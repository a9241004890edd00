// Bitmap in a platform DIB section, selected into a private memory drawing context.
#include "gfx/gfx.h"

GFX_SysBitmap::GFX_SysBitmap(int width, int height) {
    dc_ = CreateCompatibleDC(nullptr);
    SetSize(width, height);
}

GFX_SysBitmap::~GFX_SysBitmap() {
    if (previous_ && dc_) SelectObject(dc_, previous_);
    if (section_) DeleteObject(section_);
    if (dc_) DeleteDC(dc_);
}

bool GFX_SysBitmap::SetSize(int width, int height) {
    if (!dc_) {
        width_ = 0;
        height_ = 0;
        pixels_ = nullptr;
        return false;
    }
    if (width == width_ && height == height_) return false;
    width_ = width;
    height_ = height;

    // A size that fits the current section reuses it; rows keep the section's pitch.
    if (width > 0 && height > 0 && width <= allocated_width_ && height <= allocated_height_ && pixels_) return true;

    allocated_width_ = width;
    allocated_height_ = height;
    if (previous_) {
        SelectObject(dc_, previous_);
        previous_ = nullptr;
    }
    if (section_) DeleteObject(section_);
    section_ = nullptr;
    pixels_ = nullptr;

    if (width == 0 || height == 0) return false;
    if (width < 0 || height < 0) {
        // A negative size has no storage; report it as empty rather than as a size with no pixels.
        width_ = height_ = 0;
        allocated_width_ = allocated_height_ = 0;
        return false;
    }

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = IsBottomUp() ? height : -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    section_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (section_ && bits) {
        pixels_ = static_cast<GFX_Color32 *>(bits);
        previous_ = SelectObject(dc_, section_);
        return true;
    }
    if (section_) DeleteObject(section_);
    section_ = nullptr;
    width_ = 0;
    height_ = 0;
    allocated_width_ = allocated_height_ = 0;
    pixels_ = nullptr;
    return true;
}
