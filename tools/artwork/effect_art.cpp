// Hit animations: the ten smash frames shown when a gem reaches the strike line, the seven
// kick-flash frames, and the flare on a sustain being held. Every shape is a pure function
// of the frame number, so the frames play as one continuous burst.
#include <cmath>

#include "tools/artwork/art_designs.h"

namespace qlv::art {
namespace {

// Fixed spark directions and speeds: a small deterministic scatter.
struct Spark {
  float angle, speed, size;
};
constexpr Spark kSparks[] = {
    {-2.9f, 1.00f, 1.0f}, {-2.5f, 0.80f, 0.8f}, {-2.1f, 1.10f, 1.1f}, {-1.8f, 0.70f, 0.9f},
    {-1.5f, 1.20f, 1.2f}, {-1.2f, 0.85f, 0.8f}, {-0.9f, 1.05f, 1.0f}, {-0.55f, 0.75f, 0.9f},
    {-0.2f, 1.00f, 1.1f}, {0.25f, 0.65f, 0.7f}, {2.8f, 0.7f, 0.7f},   {-3.3f, 0.9f, 0.8f},
};

Color Heat(float t) {
  // White-hot at 0, golden, then deep orange at 1.
  if (t < 0.5f) return Mix(Hex(0xffffff), Hex(0xffe27a), t * 2.0f);
  return Mix(Hex(0xffe27a), Hex(0xff6a1a), (t - 0.5f) * 2.0f);
}

}  // namespace

Canvas MakeSmashFrame(int frame) {
  // Drawn 2.05 gem widths wide, centred on the gem with 53% of the picture above the row;
  // the burst is centred on where the gem's face is at the strike line.
  const int w = 256, h = 192;
  Canvas c(w, h);
  // The last frame keeps a trace of the burst, so the animation ends softly, not abruptly.
  const float t = (frame < 1 ? 0 : frame > 10 ? 9 : frame - 1) / 10.0f;
  const float cx = w * 0.5f, cy = 72.0f;
  const float fade = 1.0f - t;
  // Core flash.
  c.Glow([=](float x, float y) {
    float dx = (x - cx) / (36.0f + 30.0f * t), dy = (y - cy) / (18.0f + 14.0f * t);
    float d2 = dx * dx + dy * dy;
    return WithAlpha(Heat(t * 0.8f), 0.95f * fade * fade * std::exp(-d2 * 1.6f));
  });
  // Shock ring, flattened by perspective, expanding and thinning.
  const float rx = 34.0f + 86.0f * t, ry = rx * 0.42f, thick = 1.0f + 6.0f * fade;
  c.Glow([=](float x, float y) {
    float d = std::fabs(SdEllipse(x, y, cx, cy, rx, ry));
    return WithAlpha(Heat(0.2f + 0.6f * t), 0.9f * fade * std::exp(-(d * d) / (thick * thick)));
  });
  // Flame tongue rising in the first frames.
  if (t < 0.6f) {
    const float k = 1.0f - t / 0.6f;
    c.Glow([=](float x, float y) {
      float up = cy - y;
      if (up < -10.0f) return Color{};
      float width = 26.0f * k * (1.0f - Clamp01(up / (70.0f * (0.5f + t))));
      float d = std::fabs(x - cx) - width;
      float a = d < 0.0f ? 0.7f : 0.7f * std::exp(-d / 4.0f);
      return WithAlpha(Heat(0.3f + 0.5f * Clamp01(up / 70.0f)), a * k);
    });
  }
  // Sparks flying out and falling back a little.
  for (const Spark& s : kSparks) {
    float dist = (22.0f + 100.0f * t) * s.speed;
    float sx = cx + std::cos(s.angle) * dist;
    float sy = cy + std::sin(s.angle) * dist * 0.62f + 40.0f * t * t;
    float tail = 10.0f * s.speed * fade;
    float tx = sx - std::cos(s.angle) * tail, ty = sy - std::sin(s.angle) * tail * 0.62f;
    float r = 2.4f * s.size * (0.4f + 0.6f * fade);
    c.Fill([=](float x, float y) { return SdSegment(x, y, tx, ty, sx, sy, r); },
           [=](float, float) { return WithAlpha(Heat(t), fade); }, 1.5f);
  }
  return c;
}

Canvas MakeKickFlash(int frame) {
  // Three board units wide, 55% of the picture above the row: a horizontal blast along the
  // kick bar that spreads up and down the board and dies away.
  const int w = 512, h = 128;
  Canvas c(w, h);
  const float t = (frame < 1 ? 0 : frame > 7 ? 6 : frame - 1) / 7.0f;
  const float fade = 1.0f - t;
  const float cx = w * 0.5f, cy = h * 0.55f - 6.0f;
  const Color hot = Mix(Hex(0xffffff), KickColor(), t);
  c.Glow([=](float x, float y) {
    float dx = (x - cx) / (150.0f + 80.0f * t), dy = (y - cy) / (6.0f + 30.0f * t);
    float d2 = dx * dx * dx * dx + dy * dy;
    return WithAlpha(hot, std::min(1.0f, 1.3f * fade) * std::exp(-d2 * 1.5f));
  });
  // Two thin shock lines moving apart vertically.
  for (int side = -1; side <= 1; side += 2) {
    float ly = cy + side * (4.0f + 40.0f * t);
    c.Glow([=](float x, float y) {
      float d = std::fabs(y - ly);
      float edge = 1.0f - SmoothStep(0.6f, 1.0f, std::fabs(x - cx) / (200.0f + 40.0f * t));
      return WithAlpha(hot, 0.8f * fade * edge * std::exp(-d * d / 3.0f));
    });
  }
  return c;
}

Canvas MakeSustainFlare(const Color& base) {
  // 0.7 board units wide, 53% of the picture above the row: a steady flame rising from the
  // gem's face while its sustain is held.
  const int w = 160, h = 160;
  Canvas c(w, h);
  const float cx = w * 0.5f, cy = 58.0f;
  c.Glow([=](float x, float y) {
    float dx = (x - cx) / 48.0f, dy = (y - cy) / 22.0f;
    return WithAlpha(Shade(base, 1.2f), 0.8f * std::exp(-(dx * dx + dy * dy) * 1.4f));
  });
  // Three flame tongues.
  const float offsets[3] = {-16.0f, 0.0f, 14.0f};
  const float heights[3] = {38.0f, 56.0f, 42.0f};
  for (int i = 0; i < 3; ++i) {
    float fx = cx + offsets[i], fh = heights[i];
    c.Glow([=](float x, float y) {
      float up = cy - y;
      if (up < -6.0f || up > fh) return Color{};
      float width = 11.0f * (1.0f - up / fh) + 1.0f;
      float bend = 4.0f * std::sin(up / fh * 3.0f + i);
      float d = std::fabs(x - fx - bend) - width;
      float a = d < 0.0f ? 0.75f : 0.75f * std::exp(-d / 3.0f);
      return WithAlpha(Mix(Hex(0xffffff), Shade(base, 1.3f), up / fh), a);
    });
  }
  c.Glow([=](float x, float y) {
    float dx = (x - cx) / 18.0f, dy = (y - cy) / 8.0f;
    return WithAlpha(Hex(0xffffff), 0.9f * std::exp(-(dx * dx + dy * dy)));
  });
  return c;
}

}  // namespace qlv::art
