// Beat, half-beat and measure lines, and the sustain strips.
#include <cmath>

#include "tools/artwork/art_designs.h"

namespace qlv::art {

Canvas MakeMarker(MarkerKind kind) {
  // Drawn 2.05 board units wide with three quarters of the picture above the row, so the
  // line itself sits at three quarters of the height.
  const int w = 512, h = 32;
  Canvas c(w, h);
  const float cy = h * 0.75f, cx = w * 0.5f;
  float half = 1.0f, alpha = 0.4f, glow = 0.0f;
  Color color = Hex(0xc8d2ff);
  switch (kind) {
    case MarkerKind::kMeasure: half = 3.2f; alpha = 0.95f; glow = 0.35f; color = Hex(0xf2f5ff); break;
    case MarkerKind::kBeat: half = 1.8f; alpha = 0.7f; glow = 0.12f; color = Hex(0xc8d2ff); break;
    case MarkerKind::kHalfBeat: half = 0.9f; alpha = 0.35f; glow = 0.0f; color = Hex(0x9aa6d8); break;
  }
  const float span = cx - 14.0f;
  if (glow > 0.0f) {
    c.Glow([=](float x, float y) {
      float d = SdSegment(x, y, cx - span, cy, cx + span, cy, half);
      return WithAlpha(color, d < 0.0f ? glow : glow * std::exp(-d / 3.0f));
    });
  }
  c.Fill([=](float x, float y) { return SdSegment(x, y, cx - span, cy, cx + span, cy, half); },
         [=](float x, float) {
           // Slightly brighter in the middle of the board, fading at the rails.
           float t = std::fabs(x - cx) / span;
           return WithAlpha(Shade(color, 1.1f - 0.25f * t), alpha * (1.0f - 0.35f * t * t));
         });
  return c;
}

Canvas MakeSustain(const Color& base, bool highlighted) {
  // The renderer reads only the middle third of the top row and stretches it across a strip
  // three quarters of a gem wide, so the cross-section is drawn there; every row repeats it
  // so the file also looks like what it is.
  const int w = 96, h = 12;
  Canvas c(w, h);
  const float third = w / 3.0f;
  c.Fill([](float, float) { return -1.0f; },
         [=](float x, float) {
           float t = (x - third) / third;  // 0..1 across the strip
           if (t < 0.0f || t > 1.0f) return Color{};
           float d = std::fabs(t - 0.5f) * 2.0f;  // 0 centre .. 1 edge
           float body = 1.0f - SmoothStep(0.42f, 0.55f, d);
           float halo = (1.0f - SmoothStep(0.5f, 1.0f, d)) * (highlighted ? 0.55f : 0.3f);
           float core = 1.0f - SmoothStep(0.0f, highlighted ? 0.3f : 0.16f, d);
           Color col = Mix(Shade(base, 0.7f), Shade(base, 1.2f), 1.0f - d);
           if (highlighted) col = Shade(col, 1.25f);
           col = Mix(col, Hex(0xffffff), core * (highlighted ? 0.85f : 0.5f));
           float rim = SmoothStep(0.34f, 0.46f, d) * body;
           col = Mix(col, Shade(base, 0.35f), rim * (highlighted ? 0.2f : 0.6f));
           return WithAlpha(col, std::fmax(body, halo));
         });
  return c;
}

}  // namespace qlv::art
