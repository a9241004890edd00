#pragma once
// A small floating-point painting surface for drawing the highway's pictures: shapes are
// given as signed distance functions (pixels, negative inside) and painted with smooth,
// anti-aliased edges. Colours are straight RGBA in 0..1; the surface stores premultiplied
// values so that layering is exact, and converts to 32-bit words at the end.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qlv::art {

struct Color {
  float r = 0, g = 0, b = 0, a = 0;
};

// 0xRRGGBB with the given opacity.
Color Hex(uint32_t rgb, float alpha = 1.0f);
// Linear mix from a (t = 0) to b (t = 1); t is clamped.
Color Mix(const Color& a, const Color& b, float t);
// Brightness scaled towards black (f < 1) or white (f > 1: the excess mixes towards white).
Color Shade(const Color& c, float f);
Color WithAlpha(const Color& c, float alpha);

float Clamp01(float v);
// Smooth Hermite step between e0 and e1.
float SmoothStep(float e0, float e1, float x);

// Signed distances, in pixels, negative inside.
float SdCircle(float x, float y, float cx, float cy, float r);
float SdEllipse(float x, float y, float cx, float cy, float rx, float ry);
float SdRoundBox(float x, float y, float cx, float cy, float hw, float hh, float radius);
float SdSegment(float x, float y, float ax, float ay, float bx, float by, float half_width);

class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }

  // Paints `paint(x, y)` over the canvas wherever `sdf(x, y)` is inside, with an edge
  // `feather` pixels wide. x and y are pixel centres (column + 0.5, row + 0.5).
  template <typename Sdf, typename Paint>
  void Fill(Sdf sdf, Paint paint, float feather = 1.0f) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        float px = x + 0.5f, py = y + 0.5f;
        float cover = Clamp01(0.5f - sdf(px, py) / feather);
        if (cover <= 0.0f) continue;
        Over(x, y, paint(px, py), cover);
      }
    }
  }

  // Adds light: `paint(x, y)` scaled by its alpha is added to the colour and the alpha is
  // raised as by "over". Used for glows and sparks.
  template <typename Paint>
  void Glow(Paint paint) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        Color c = paint(x + 0.5f, y + 0.5f);
        if (c.a <= 0.0f) continue;
        AddLight(x, y, c);
      }
    }
  }

  // Draws another canvas over this one with its top-left corner at (dx, dy).
  void Draw(const Canvas& src, int dx, int dy);

  // The premultiplied pixel at (x, y).
  const Color& At(int x, int y) const { return px_[static_cast<size_t>(y) * width_ + x]; }

  // 0xAARRGGBB words with straight alpha, rows top first.
  std::vector<uint32_t> ToWords() const;

 private:
  void Over(int x, int y, const Color& c, float cover);
  void AddLight(int x, int y, const Color& c);

  int width_;
  int height_;
  std::vector<Color> px_;
};

}  // namespace qlv::art
