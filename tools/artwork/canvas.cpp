#include "tools/artwork/canvas.h"

#include <algorithm>
#include <cmath>

namespace qlv::art {

Color Hex(uint32_t rgb, float alpha) {
  return Color{((rgb >> 16) & 0xFF) / 255.0f, ((rgb >> 8) & 0xFF) / 255.0f, (rgb & 0xFF) / 255.0f,
               alpha};
}

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float SmoothStep(float e0, float e1, float x) {
  if (e0 == e1) return x < e0 ? 0.0f : 1.0f;
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}

Color Mix(const Color& a, const Color& b, float t) {
  t = Clamp01(t);
  return Color{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
               a.a + (b.a - a.a) * t};
}

Color Shade(const Color& c, float f) {
  if (f <= 1.0f) return Color{c.r * f, c.g * f, c.b * f, c.a};
  return Mix(c, Color{1, 1, 1, c.a}, f - 1.0f);
}

Color WithAlpha(const Color& c, float alpha) { return Color{c.r, c.g, c.b, alpha}; }

float SdCircle(float x, float y, float cx, float cy, float r) {
  return std::hypot(x - cx, y - cy) - r;
}

float SdEllipse(float x, float y, float cx, float cy, float rx, float ry) {
  // Distance estimate: the implicit function divided by its gradient length. Exact on the
  // outline, which is all an anti-aliased edge needs.
  float nx = (x - cx) / rx, ny = (y - cy) / ry;
  float f = std::sqrt(nx * nx + ny * ny);
  if (f < 1e-6f) return -std::min(rx, ry);
  float gx = nx / (f * rx), gy = ny / (f * ry);
  float g = std::sqrt(gx * gx + gy * gy);
  return (f - 1.0f) / g;
}

float SdRoundBox(float x, float y, float cx, float cy, float hw, float hh, float radius) {
  float qx = std::fabs(x - cx) - (hw - radius);
  float qy = std::fabs(y - cy) - (hh - radius);
  float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
  return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

float SdSegment(float x, float y, float ax, float ay, float bx, float by, float half_width) {
  float pax = x - ax, pay = y - ay, bax = bx - ax, bay = by - ay;
  float len2 = bax * bax + bay * bay;
  float h = len2 > 0.0f ? Clamp01((pax * bax + pay * bay) / len2) : 0.0f;
  return std::hypot(pax - bax * h, pay - bay * h) - half_width;
}

Canvas::Canvas(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)),
      px_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {}

void Canvas::Over(int x, int y, const Color& c, float cover) {
  Color& d = px_[static_cast<size_t>(y) * width_ + x];
  float a = Clamp01(c.a) * cover;
  d.r = c.r * a + d.r * (1.0f - a);
  d.g = c.g * a + d.g * (1.0f - a);
  d.b = c.b * a + d.b * (1.0f - a);
  d.a = a + d.a * (1.0f - a);
}

void Canvas::AddLight(int x, int y, const Color& c) {
  Color& d = px_[static_cast<size_t>(y) * width_ + x];
  float a = Clamp01(c.a);
  d.r = std::min(d.r + c.r * a, 1.0f);
  d.g = std::min(d.g + c.g * a, 1.0f);
  d.b = std::min(d.b + c.b * a, 1.0f);
  d.a = a + d.a * (1.0f - a);
  // Premultiplied colour may not exceed its alpha.
  d.r = std::min(d.r, d.a);
  d.g = std::min(d.g, d.a);
  d.b = std::min(d.b, d.a);
}

void Canvas::Draw(const Canvas& src, int dx, int dy) {
  for (int y = 0; y < src.height_; ++y) {
    int ty = y + dy;
    if (ty < 0 || ty >= height_) continue;
    for (int x = 0; x < src.width_; ++x) {
      int tx = x + dx;
      if (tx < 0 || tx >= width_) continue;
      const Color& s = src.At(x, y);
      Color& d = px_[static_cast<size_t>(ty) * width_ + tx];
      d.r = s.r + d.r * (1.0f - s.a);
      d.g = s.g + d.g * (1.0f - s.a);
      d.b = s.b + d.b * (1.0f - s.a);
      d.a = s.a + d.a * (1.0f - s.a);
    }
  }
}

std::vector<uint32_t> Canvas::ToWords() const {
  const size_t n = px_.size();
  std::vector<uint32_t> out(n);
  // Straight colour of every pixel; fully transparent pixels take the colour of their
  // visible neighbours (a few rings deep) so that filtered scaling, which mixes colour and
  // alpha separately, does not pull dark fringes into soft edges.
  std::vector<Color> straight(n);
  std::vector<uint8_t> known(n, 0);
  for (size_t i = 0; i < n; ++i) {
    const Color& c = px_[i];
    float a = Clamp01(c.a);
    if (a * 255.0f >= 0.5f) {
      straight[i] = Color{Clamp01(c.r / a), Clamp01(c.g / a), Clamp01(c.b / a), a};
      known[i] = 1;
    }
  }
  for (int pass = 0; pass < 6; ++pass) {
    std::vector<uint8_t> next = known;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        size_t i = static_cast<size_t>(y) * width_ + x;
        if (known[i]) continue;
        float r = 0, g = 0, b = 0;
        int count = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_) continue;
            size_t j = static_cast<size_t>(ny) * width_ + nx;
            if (!known[j]) continue;
            r += straight[j].r;
            g += straight[j].g;
            b += straight[j].b;
            ++count;
          }
        }
        if (count > 0) {
          straight[i] = Color{r / count, g / count, b / count, 0.0f};
          next[i] = 1;
        }
      }
    }
    known.swap(next);
  }
  for (size_t i = 0; i < n; ++i) {
    const Color& c = straight[i];
    uint32_t A = static_cast<uint32_t>(std::lround(Clamp01(px_[i].a) * 255.0f));
    uint32_t R = static_cast<uint32_t>(std::lround(c.r * 255.0f));
    uint32_t G = static_cast<uint32_t>(std::lround(c.g * 255.0f));
    uint32_t B = static_cast<uint32_t>(std::lround(c.b * 255.0f));
    out[i] = (A << 24) | (R << 16) | (G << 8) | B;
  }
  return out;
}

}  // namespace qlv::art
