// Gems, cymbals and the kick bar. Gems are pucks seen from behind and above: a coloured top
// face with a dark rim, a shaded side band, a specular highlight and a centre cap. The
// renderer draws them with their bottom edge on the note's row.
#include <cmath>

#include "tools/artwork/art_designs.h"
#include "tools/artwork/board_layout.h"

namespace qlv::art {

Color LaneColor(int lane) {
  switch (lane) {
    case 0: return Hex(0x2fd14a);
    case 1: return Hex(0xec2f2f);
    case 2: return Hex(0xf7d21c);
    case 3: return Hex(0x2b7ff2);
    default: return Hex(0xff8b1e);
  }
}

Color StyleColor() { return Hex(0x8cf2ff); }
Color KickColor() { return Hex(0xff8b1e); }

namespace {

const Color kRim = Hex(0x0b0b12);
const Color kWhite = Hex(0xffffff);

// Silhouette of the whole puck: top face, side band and bottom face.
float PuckBody(float x, float y, float cx, float cy, float rx, float ry, float depth) {
  float top = SdEllipse(x, y, cx, cy, rx, ry);
  float bottom = SdEllipse(x, y, cx, cy + depth, rx, ry);
  float band = std::fmax(std::fabs(x - cx) - rx, std::fabs(y - (cy + depth * 0.5f)) - depth * 0.5f);
  return std::fmin(std::fmin(top, bottom), band);
}

void DrawShadow(Canvas& c, float cx, float cy, float rx, float ry) {
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy, rx, ry); },
         [](float, float) { return Hex(0x000000, 0.45f); }, 10.0f);
}

void DrawPuck(Canvas& c, const Color& base, GemFace face, bool style) {
  const float cx = kGemFaceX, cy = kGemFaceY, rx = kGemFaceRx, ry = kGemFaceRy, dp = kGemDepth;
  DrawShadow(c, cx, cy + dp + 10.0f, rx - 2.0f, ry * 0.55f);
  // Dark rim: the silhouette grown by three pixels.
  c.Fill([=](float x, float y) { return PuckBody(x, y, cx, cy, rx, ry, dp) - 3.0f; },
         [](float, float) { return kRim; });
  // Side band: darker base colour, lit a little at its upper edge.
  c.Fill([=](float x, float y) { return PuckBody(x, y, cx, cy, rx, ry, dp); },
         [=](float, float y) {
           float t = Clamp01((y - cy) / (dp + ry));
           return Shade(base, 0.62f - 0.3f * t);
         });
  // Silver lip between side and face.
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy + 3.0f, rx, ry); },
         [=](float x, float) {
           float t = std::fabs(x - cx) / rx;
           return Mix(Hex(0xe8e8f0), Hex(0x6a6a78), t);
         });
  // Top face: radial shading, brightest towards the upper left.
  Color face_base = style ? Mix(base, kWhite, 0.15f) : base;
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy, rx - 1.0f, ry - 1.0f); },
         [=](float x, float y) {
           float dx = (x - (cx - rx * 0.3f)) / rx, dy = (y - (cy - ry * 0.5f)) / ry;
           float d = std::sqrt(dx * dx + dy * dy);
           return Shade(face_base, 1.28f - 0.5f * Clamp01(d));
         });
  // Inner groove ring.
  c.Fill([=](float x, float y) {
           return std::fabs(SdEllipse(x, y, cx, cy, rx * 0.68f, ry * 0.68f)) - 2.5f;
         },
         [=](float, float) { return Shade(face_base, 0.45f); });
  if (face == GemFace::kPlain) {
    // Dark centre cap with a metal ring: the plain strum note.
    c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy, rx * 0.40f, ry * 0.40f); },
           [=](float x, float) {
             float t = std::fabs(x - cx) / (rx * 0.4f);
             return Mix(Hex(0xf4f4fa), Hex(0x8a8a96), t);
           });
    c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy + 1.0f, rx * 0.31f, ry * 0.31f); },
           [](float, float y) { return Mix(Hex(0x1a1a22), Hex(0x3a3a48), Clamp01((y - 30.0f) / 30.0f)); });
  } else {
    // Bright white cap that fills most of the face: hammer-on/pull-off notes read as
    // "lit" gems even when small.
    c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy, rx * 0.62f, ry * 0.62f); },
           [=](float x, float y) {
             float dx = (x - cx) / (rx * 0.62f), dy = (y - cy) / (ry * 0.62f);
             float d = std::sqrt(dx * dx + dy * dy);
             return Mix(kWhite, Mix(base, kWhite, 0.55f), SmoothStep(0.35f, 1.0f, d));
           });
    c.Fill([=](float x, float y) {
             return std::fabs(SdEllipse(x, y, cx, cy, rx - 1.5f, ry - 1.5f)) - 1.8f;
           },
           [](float, float) { return Hex(0xffffff, 0.9f); });
  }
  // Specular highlight on the upper left of the face.
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx - rx * 0.32f, cy - ry * 0.5f, rx * 0.36f, ry * 0.2f); },
         [](float, float) { return Hex(0xffffff, 0.55f); }, 7.0f);
}

void DrawStyleGlow(Canvas& c, float cx, float cy, float rx, float ry) {
  const Color glow = StyleColor();
  c.Glow([=](float x, float y) {
    float d = SdEllipse(x, y, cx, cy, rx, ry);
    float a = d < 0.0f ? 0.35f : 0.35f * std::exp(-d / 6.0f);
    return WithAlpha(glow, a);
  });
}

}  // namespace

Canvas MakeGem(const Color& base, GemFace face, bool style) {
  Canvas c(kGemW, kGemH);
  DrawPuck(c, base, face, style);
  if (style) DrawStyleGlow(c, kGemFaceX, kGemFaceY + kGemDepth * 0.5f, kGemFaceRx + 2.0f, kGemFaceRy + 10.0f);
  return c;
}

Canvas MakeCymbal(const Color& base, bool style) {
  // A flat metal dish, wider and thinner than a pad gem, with lathe rings, a bell and a
  // tinted edge; drawn in the same frame as a gem so it lines up with the pads.
  Canvas c(kGemW, kGemH);
  const float cx = kGemFaceX, cy = kGemFaceY + 10.0f, rx = kGemFaceRx + 6.0f, ry = kGemFaceRy - 6.0f;
  DrawShadow(c, cx, cy + 26.0f, rx - 8.0f, ry * 0.5f);
  c.Fill([=](float x, float y) { return PuckBody(x, y, cx, cy, rx, ry, 6.0f) - 2.5f; },
         [](float, float) { return kRim; });
  c.Fill([=](float x, float y) { return PuckBody(x, y, cx, cy, rx, ry, 6.0f); },
         [=](float, float) { return Shade(base, 0.5f); });
  Color tint = style ? Mix(base, kWhite, 0.2f) : base;
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy, rx - 1.0f, ry - 1.0f); },
         [=](float x, float y) {
           float dx = (x - cx) / rx, dy = (y - cy) / ry;
           float d = std::sqrt(dx * dx + dy * dy);
           // Rings of the lathe and a sheen sweeping from the upper left.
           float rings = 0.5f + 0.5f * std::cos(d * 40.0f);
           float sheen = Clamp01(1.0f - std::fabs((x - cx) / rx + (y - cy) / ry * 0.8f + 0.3f));
           Color metal = Mix(Shade(tint, 0.8f), Shade(tint, 1.35f), 0.35f * rings + 0.5f * sheen);
           return Mix(metal, Shade(tint, 0.55f), SmoothStep(0.85f, 1.0f, d));
         });
  // Bell in the middle.
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx, cy - 3.0f, rx * 0.24f, ry * 0.36f); },
         [=](float x, float y) {
           float t = Clamp01(((x - cx) + (y - cy)) / (rx * 0.3f) + 0.5f);
           return Mix(Mix(tint, kWhite, 0.75f), Shade(tint, 0.7f), t);
         });
  c.Fill([=](float x, float y) { return SdEllipse(x, y, cx - 5.0f, cy - 7.0f, 4.0f, 2.5f); },
         [](float, float) { return Hex(0xffffff, 0.9f); }, 2.0f);
  if (style) DrawStyleGlow(c, cx, cy, rx, ry + 4.0f);
  return c;
}

Canvas MakeKick(const Color& base, bool style) {
  // A long bar across the whole board (2.15 board units wide), bottom edge on the row.
  const int w = 512, h = 40;
  Canvas c(w, h);
  const float cx = w * 0.5f, cy = 22.0f, hw = w * 0.5f - 6.0f, hh = 8.0f;
  c.Fill([=](float x, float y) { return SdRoundBox(x, y, cx, cy + 6.0f, hw, hh, hh); },
         [](float, float) { return Hex(0x000000, 0.4f); }, 6.0f);
  c.Fill([=](float x, float y) { return SdRoundBox(x, y, cx, cy, hw + 2.5f, hh + 2.5f, hh + 2.5f); },
         [](float, float) { return kRim; });
  c.Fill([=](float x, float y) { return SdRoundBox(x, y, cx, cy, hw, hh, hh); },
         [=](float, float y) {
           float t = (y - (cy - hh)) / (2.0f * hh);
           // Bright top edge, saturated middle, dark underside.
           if (t < 0.35f) return Mix(Shade(base, 1.5f), base, t / 0.35f);
           return Mix(base, Shade(base, 0.45f), (t - 0.35f) / 0.65f);
         });
  c.Fill([=](float x, float y) { return SdRoundBox(x, y, cx, cy - 4.0f, hw - 10.0f, 1.4f, 1.4f); },
         [](float, float) { return Hex(0xffffff, 0.6f); }, 2.0f);
  if (style) {
    const Color glow = StyleColor();
    c.Glow([=](float x, float y) {
      float d = SdRoundBox(x, y, cx, cy, hw, hh, hh);
      return WithAlpha(glow, d < 0.0f ? 0.3f : 0.35f * std::exp(-d / 4.0f));
    });
  }
  return c;
}

}  // namespace qlv::art
