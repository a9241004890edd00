// The raster graphics library: 32-bit bitmaps and the drawing operations on them.
//
// Threads: nothing here keeps shared mutable state or takes locks. Operations touch only the
// bitmaps passed in; the caller serialises drawing into one bitmap (in the plug-in everything
// runs on the host's main thread).
//
// Pixels: `GFX_Color32` words, blue, green, red, alpha in address order (0xAARRGGBB as a value).
// Alpha is an ordinary fourth channel; nothing is premultiplied.
//
// Strengths: every drawing operation takes a float strength, 1.0 = full. The integer weight is
// strength × 256 truncated toward zero. A strength of exactly 0.0 or a non-finite strength draws
// nothing; strengths beyond ±4.0 act as ±4.0.
//
// Failures: drawing operations report nothing. A null bitmap, null pixel data, a non-positive
// size, an empty or fully clipped area or an unknown operation draws nothing. Coordinates may be
// any 32-bit values: clipping never overflows and nothing outside the bitmap is written.
#pragma once

#include <windows.h>

#include <cstdint>

typedef uint32_t GFX_Color32;

// ---------------------------------------------------------------------------------------------
// Combine-mode word.
//   bits 0-7   operation (GFX_COMBINE_OP_MASK)
//   bits 8-15  filter field; the value 1 selects filtered sampling in the scaled blit
//   bit 16     GFX_COMBINE_SOURCE_ALPHA: blits scale the weight by each source pixel's alpha
// Operation bytes 0xF0-0xFF copy one channel (unscaled blit only): destination channel =
// (op >> 2) & 3, source channel = op & 3, channels numbered 0 blue, 1 green, 2 red, 3 alpha.
typedef uint32_t GFX_CombineMode;

constexpr GFX_CombineMode GFX_COMBINE_OP_MASK = 0xFF;
constexpr GFX_CombineMode GFX_COMBINE_FILTER_MASK = 0xFF00;
constexpr GFX_CombineMode GFX_COMBINE_FILTERED = 0x100;
constexpr GFX_CombineMode GFX_COMBINE_SOURCE_ALPHA = 0x10000;

constexpr GFX_CombineMode GFX_COMBINE_COPY = 0;
constexpr GFX_CombineMode GFX_COMBINE_ADD = 1;
constexpr GFX_CombineMode GFX_COMBINE_DODGE = 2;
constexpr GFX_CombineMode GFX_COMBINE_MULTIPLY = 3;
constexpr GFX_CombineMode GFX_COMBINE_SOFT_LIGHT = 4;
constexpr GFX_CombineMode GFX_COMBINE_HSV_SHIFT = 5;
constexpr GFX_CombineMode GFX_COMBINE_CHANNEL_COPY = 0xF0;

// ---------------------------------------------------------------------------------------------
// Bitmaps.
//
// The interface's virtual operations keep this order; other binaries may rely on it.
// Row y of the image (0 = top) starts at PixelData() + y × RowPitch() when IsBottomUp() is false,
// and at stored row PixelHeight() − 1 − y otherwise. Every operation honours that flag.
class GFX_IBitmap {
public:
    // Destroying through the interface releases the object and its storage.
    virtual ~GFX_IBitmap() {}
    // First pixel of the first stored row; null when there is no storage.
    virtual GFX_Color32 *PixelData() = 0;
    virtual int PixelWidth() = 0;
    virtual int PixelHeight() = 0;
    // Distance between the starts of consecutive stored rows, in pixels (not bytes).
    virtual int RowPitch() = 0;
    virtual bool IsBottomUp() { return false; }
    // Changes the size; the pixel contents are undefined afterwards. Returns false when the size
    // is unchanged (nothing touched); see each class for the rest.
    virtual bool SetSize(int width, int height) = 0;
    // The platform drawing context the pixels are selected into, or null.
    virtual HDC DeviceContext() { return nullptr; }
    // Reserved; always 0.
    virtual int QueryExtra(int key, void *data) { return 0; }
};

// Pixels in a heap block. Rows are packed (RowPitch() == PixelWidth()). Storage is never
// cleared. A size that is not positive, or whose byte count does not fit in a signed 32-bit
// value, or whose allocation fails, leaves no storage and a size of 0 × 0.
class GFX_MemBitmap final : public GFX_IBitmap {
public:
    GFX_MemBitmap(int width, int height);
    ~GFX_MemBitmap() override;
    GFX_MemBitmap(const GFX_MemBitmap &) = delete;
    GFX_MemBitmap &operator=(const GFX_MemBitmap &) = delete;

    GFX_Color32 *PixelData() override { return pixels_; }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return width_; }
    // Same size: false. Otherwise true; growth reserves a quarter more than needed, shrinking
    // keeps the block.
    bool SetSize(int width, int height) override;

    // Size of the pixel block in bytes (0 without a block).
    int Capacity() const { return capacity_; }

private:
    GFX_Color32 *pixels_ = nullptr;  // malloc/realloc, owned
    int width_ = 0;
    int height_ = 0;
    int capacity_ = 0;
};

// Pixels in a platform DIB section selected into a private memory drawing context, so a window
// can copy the frame with one block transfer. RowPitch() is the width the DIB section was made
// with, which stays after a shrink that reuses it.
class GFX_SysBitmap final : public GFX_IBitmap {
public:
    GFX_SysBitmap(int width, int height);
    ~GFX_SysBitmap() override;
    GFX_SysBitmap(const GFX_SysBitmap &) = delete;
    GFX_SysBitmap &operator=(const GFX_SysBitmap &) = delete;

    GFX_Color32 *PixelData() override { return pixels_; }
    int PixelWidth() override { return width_; }
    int PixelHeight() override { return height_; }
    int RowPitch() override { return allocated_width_; }
    HDC DeviceContext() override { return dc_; }
    // Same size: false. A size that fits the current DIB section reuses it (true). Otherwise the
    // section is replaced; a zero (or negative) size leaves none and returns false; a failed
    // creation leaves 0 × 0 without storage and returns true.
    bool SetSize(int width, int height) override;

private:
    int width_ = 0;
    int height_ = 0;
    HDC dc_ = nullptr;                      // owned
    GFX_Color32 *pixels_ = nullptr;         // owned by the DIB section
    int allocated_width_ = 0;
    int allocated_height_ = 0;
    HBITMAP section_ = nullptr;             // owned
    HGDIOBJ previous_ = nullptr;            // selected back before the section is deleted
};

// ---------------------------------------------------------------------------------------------
// Pixel arithmetic shared by every operation.

// floor(65536 / n) − 1 for n = 1..255, entry 0 = 0.
extern const uint16_t GFX_InverseTable[256];

// Stores each value clamped to 0..255 into its byte of *pixel.
void GFX_PutClamped(GFX_Color32 *pixel, int red, int green, int blue, int alpha);

// Hue 0..383 (64 per sixth: 0 red, 128 green, 256 blue), saturation and value 0..255. Each
// channel and the alpha are taken as their low eight bits.
GFX_Color32 GFX_PackHsv(int hue, int saturation, int value, int alpha);
// The inverse conversion (not exact: packing the result back may differ by one).
void GFX_RgbToHsv(int red, int green, int blue, int *hue, int *saturation, int *value);

// Per-pixel mixers: combine a source colour (channels 0..255) into *pixel with a weight
// (256 = full). The "WithAlpha" forms scale the weight by the source alpha: w × (a + 1) / 256;
// copy, add and multiply leave the pixel alone when a is 0. GFX_MixCopyWithAlphaFull is the
// full-strength source-alpha copy.
void GFX_MixCopy(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixCopyWithAlpha(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixCopyWithAlphaFull(GFX_Color32 *pixel, int red, int green, int blue, int alpha);
void GFX_MixAdd(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixAddWithAlpha(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixDodge(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixDodgeWithAlpha(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixMultiply(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixMultiplyWithAlpha(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
void GFX_MixSoftLight(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);
// Shifts the pixel's hue by red, saturation by green and value by blue (128 = no change); the
// pixel's alpha becomes the source alpha.
void GFX_MixHsvShift(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight);

// ---------------------------------------------------------------------------------------------
// Blits.

// Combines the rectangle `source_rect` of `source` (right and bottom exclusive; null = all of
// it) into `destination` with its top-left pixel at (x, y). Source and destination must be
// different bitmaps. Never resizes either bitmap.
void GFX_DrawBitmap(GFX_IBitmap *destination, GFX_IBitmap *source, int x, int y, const RECT *source_rect,
                    float alpha, GFX_CombineMode mode);

// Draws the source rectangle (fractional source coordinates) stretched into the destination
// rectangle; filtered sampling when the mode's filter field is 1.
void GFX_DrawBitmapScaled(GFX_IBitmap *destination, GFX_IBitmap *source, int dstX, int dstY, int dstW, int dstH,
                          float srcX, float srcY, float srcW, float srcH, float alpha, GFX_CombineMode mode);

// ---------------------------------------------------------------------------------------------
// Lines.

// A one-pixel line between two image points, both inclusive; only the operation byte of `mode`
// is used. `antialias` non-zero smooths sloped lines.
void GFX_StrokeLine(GFX_IBitmap *bitmap, int x1, int y1, int x2, int y2, GFX_Color32 color, float alpha,
                    GFX_CombineMode mode, unsigned char antialias);

// Clips a segment to [0, width) × [0, height), moving the end points in place. False when no
// part of the segment is inside.
bool GFX_ClipSegment(int *x1, int *y1, int *x2, int *y2, int width, int height);

// ---------------------------------------------------------------------------------------------
// Rectangles.

// Every pixel of every row := pixel (no blending); pixels between the width and the row pitch
// are untouched.
void GFX_SetAllPixels(GFX_IBitmap *bitmap, GFX_Color32 pixel);

// Blends a solid colour into the clipped rectangle. The weight itself stands for the source
// alpha; with GFX_COMBINE_SOURCE_ALPHA the strength is first scaled by the colour's alpha byte.
void GFX_BlendRect(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 color, float alpha,
                   GFX_CombineMode mode);

// Four lines along columns x..x+w and rows y..y+h, both inclusive.
void GFX_OutlineRect(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 color, float alpha,
                     GFX_CombineMode mode);

// The inside (x + 1, y + 1, w − 1, h − 1) filled with `fill`, then the outline in `outline`.
void GFX_FramedBox(GFX_IBitmap *bitmap, int x, int y, int w, int h, GFX_Color32 fill, GFX_Color32 outline,
                   float alpha, GFX_CombineMode mode);

// ---------------------------------------------------------------------------------------------
// Text with the built-in 8×8 font.

// Glyph for character code c (1..127) at index c − 1; byte k is pixel row k, the most
// significant bit the leftmost pixel.
extern const unsigned char GFX_BuiltinFont8x8[127][8];

// Draws a NUL-terminated byte string; cells are 8 × 8, tab advances 40 pixels, line feed returns
// to x and moves down 8, carriage return is ignored. A null text draws nothing. Only the
// operation byte of `mode` is used; the colour's alpha byte is the source alpha.
void GFX_PrintString(GFX_IBitmap *bitmap, int x, int y, const char *text, GFX_Color32 color, float alpha,
                     GFX_CombineMode mode);
// One cell with its top-left corner at (x, y). Only the low byte of `code` counts, taken as a
// signed character; 0 and the bytes 128..255 have no glyph and draw nothing.
void GFX_PrintGlyph(GFX_IBitmap *bitmap, int x, int y, int code, GFX_Color32 color, float alpha,
                    GFX_CombineMode mode);

// ---------------------------------------------------------------------------------------------
// Pictures.

// Loads a PNG file into `bitmap` (resized to the image) or, when null, into a new GFX_MemBitmap
// the caller owns. Returns the bitmap, or null on any failure.
GFX_IBitmap *GFX_ReadPngFile(const char *path, GFX_IBitmap *bitmap);
