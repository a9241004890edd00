// The lane board ("track") pictures and the background. The track is stretched over the
// renderer's square board, so every lane edge and strike target is computed from the same
// perspective the renderer uses for gems (board_layout.h).
#include <cmath>
#include <cstdint>

#include "tools/artwork/art_designs.h"
#include "tools/artwork/board_layout.h"

namespace qlv::art {
namespace {

constexpr int kTrackSize = 1024;
constexpr double kBoardHalf = 1.0;   // lateral extent of the playing surface
constexpr double kRailWidth = 0.06;  // metal rail outside it

// Small deterministic hash for texture and stars.
float Hash(uint32_t x, uint32_t y) {
  uint32_t h = x * 374761393u + y * 668265263u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return ((h ^ (h >> 16)) & 0xFFFF) / 65535.0f;
}

struct Target {
  double lat;
  Color color;
};

}  // namespace

Canvas MakeTrack(bool drums) {
  const int n = kTrackSize;
  Canvas c(n, n);
  const float px = static_cast<float>(n);
  // Board surface, lane dividers and rails, evaluated per pixel in board coordinates.
  c.Fill([](float, float) { return -1.0f; },
         [=](float x, float y) {
           double v = y / px, uu = x / px;
           double k = DepthAtRow(v);
           double unit = HighwayUnitWidth(k);
           if (unit <= 0.0) return Color{};
           double lat = (uu - 0.5) / unit;
           double pix = unit * px;  // pixels per board unit on this row
           double a_far = 1.0 - SmoothStep(0.95f, 1.22f, static_cast<float>(k));
           double outer = kBoardHalf + kRailWidth;
           double edge = (std::fabs(lat) - outer) * pix;
           float cover = Clamp01(0.5f - static_cast<float>(edge));
           if (cover <= 0.0f || a_far <= 0.0) return Color{};
           Color col;
           if (std::fabs(lat) > kBoardHalf) {
             // Rail: bright chrome with a highlight along its inner edge.
             float t = static_cast<float>((std::fabs(lat) - kBoardHalf) / kRailWidth);
             col = Mix(Hex(0xe6e9f5), Hex(0x5a5f78), t);
           } else {
             // Dark surface, a touch lighter towards the strike line, with faint grain.
             float near = Clamp01(static_cast<float>(1.0 - k));
             col = Mix(Hex(0x0e0f1a), Hex(0x1d2033), near * 0.8f);
             float grain = Hash(static_cast<uint32_t>(lat * 300.0 + 1000.0),
                                static_cast<uint32_t>(k * 900.0 + 1000.0));
             col = Shade(col, 0.93f + 0.14f * grain);
             // Alternate lanes slightly for readability.
             double lane_w = drums ? kDrumLaneWidth : kGuitarLaneWidth;
             int lane_index = static_cast<int>(std::floor((lat + kBoardHalf) / lane_w));
             if (lane_index % 2 == 1) col = Shade(col, 1.07f);
             // Lane dividers: thin lines that narrow with distance.
             double first = drums ? -0.95 + kDrumLaneWidth : -kBoardHalf + kGuitarLaneWidth;
             double best = 1e9;
             for (double L = first; L < kBoardHalf - 0.01; L += lane_w) best = std::fmin(best, std::fabs(lat - L));
             float line_px = static_cast<float>(best * pix);
             float line_half = static_cast<float>(0.006 * pix) + 0.3f;
             float line = Clamp01(line_half + 0.5f - line_px);
             col = Mix(col, Hex(0x8088b0), line * 0.7f);
             if (k < 0.0) col = Shade(col, 0.8f);
           }
           return WithAlpha(col, static_cast<float>(cover * a_far * (std::fabs(lat) > kBoardHalf ? 1.0 : 0.93)));
         });

  // Strike zone: the row the gems' bottoms touch at the line, and the target rings where their
  // faces arrive. Gem faces sit above the row by the picture's layout.
  const double gem_w = kGemWidth * HighwayUnitWidth(0.0);
  const double face_row = kStrikeRow - (kGemH - kGemFaceY) / kGemW * gem_w;
  const double frx = kGemFaceRx / kGemW * gem_w * px, fry = kGemFaceRy / kGemW * gem_w * px;
  const float fy = static_cast<float>(face_row * px);
  const float half_board = static_cast<float>(kBoardHalf * HighwayUnitWidth(0.0) * px);
  // Dark band behind the targets.
  c.Fill([=](float x, float y) {
           float row_half = static_cast<float>(kBoardHalf * HighwayUnitWidth(DepthAtRow(y / px)) * px);
           return std::fmax(std::fabs(x - px * 0.5f) - row_half, std::fabs(y - fy) - static_cast<float>(fry * 1.25));
         },
         [](float, float) { return Hex(0x05050a, 0.75f); });
  // Bright strike line on the row itself.
  const float sy = static_cast<float>(kStrikeRow * px);
  c.Fill([=](float x, float y) {
           return std::fmax(std::fabs(x - px * 0.5f) - half_board, std::fabs(y - sy) - 2.0f);
         },
         [](float, float) { return Hex(0xdfe4ff, 0.85f); });
  if (drums) {
    // Kick lane: an orange guide across the board where the kick bar lands.
    const double kick_w = 2.15 * HighwayUnitWidth(0.0) * px;
    const float ky = static_cast<float>(kStrikeRow * px - 18.0 / 512.0 * kick_w);
    c.Fill([=](float x, float y) {
             return std::fmax(std::fabs(x - px * 0.5f) - half_board + 6.0f, std::fabs(y - ky) - 3.0f);
           },
           [](float, float) { return WithAlpha(KickColor(), 0.55f); });
  }
  Target targets[5];
  int count = 0;
  if (drums) {
    const int colour_of_pad[4] = {1, 2, 3, 0};  // red, yellow, blue, green
    for (int i = 0; i < 4; ++i) targets[count++] = Target{kDrumLane[i], LaneColor(colour_of_pad[i])};
  } else {
    for (int i = 0; i < 5; ++i) targets[count++] = Target{kGuitarLane[i], LaneColor(i)};
  }
  for (int i = 0; i < count; ++i) {
    const float tx = static_cast<float>(ColumnAt(targets[i].lat, 0.0) * px);
    const Color col = targets[i].color;
    const float rx = static_cast<float>(frx), ry = static_cast<float>(fry);
    // Socket, coloured ring, silver bezel and a dark well.
    c.Fill([=](float x, float y) { return SdEllipse(x, y, tx, fy + 4.0f, rx + 4.0f, ry + 4.0f); },
           [](float, float) { return Hex(0x000000, 0.8f); }, 2.0f);
    c.Fill([=](float x, float y) { return SdEllipse(x, y, tx, fy, rx, ry); },
           [=](float x, float) { return Mix(Hex(0xf0f2fa), Hex(0x70748a), std::fabs(x - tx) / rx); });
    c.Fill([=](float x, float y) { return SdEllipse(x, y, tx, fy, rx * 0.9f, ry * 0.9f); },
           [=](float, float y) { return Mix(Shade(col, 1.15f), Shade(col, 0.6f), Clamp01((y - fy + ry) / (2 * ry))); });
    c.Fill([=](float x, float y) { return SdEllipse(x, y, tx, fy + 1.5f, rx * 0.66f, ry * 0.66f); },
           [=](float, float y) { return Mix(Hex(0x050508), Shade(col, 0.25f), Clamp01((y - fy) / ry + 0.5f)); });
    c.Fill([=](float x, float y) { return SdEllipse(x, y, tx - rx * 0.35f, fy - ry * 0.55f, rx * 0.3f, ry * 0.16f); },
           [](float, float) { return Hex(0xffffff, 0.45f); }, 4.0f);
  }
  return c;
}

Canvas MakeBackground() {
  // Stretched over the whole editor: a deep night gradient with a soft stage glow behind the
  // board, a few light beams and scattered specks.
  const int w = 1280, h = 720;
  Canvas c(w, h);
  c.Fill([](float, float) { return -1.0f; },
         [=](float x, float y) {
           float v = y / h, u = x / w;
           Color col = Mix(Hex(0x07081a), Hex(0x1a0d2c), v);
           float dx = (u - 0.5f) / 0.55f, dy = (v - 0.62f) / 0.5f;
           float glow = std::exp(-(dx * dx + dy * dy) * 1.5f);
           col = Mix(col, Hex(0x3a2a78), glow * 0.55f);
           // Vignette.
           float vx = (u - 0.5f) * 2.0f, vy = (v - 0.5f) * 2.0f;
           col = Shade(col, 1.0f - 0.35f * Clamp01(vx * vx * 0.6f + vy * vy * 0.5f));
           return col;
         });
  // Light beams fanning from above the stage.
  const float beams[4][2] = {{0.18f, -0.35f}, {0.38f, -0.12f}, {0.62f, 0.12f}, {0.82f, 0.35f}};
  for (const auto& b : beams) {
    const float bx = b[0] * w, slope = b[1];
    c.Glow([=](float x, float y) {
      float cxl = bx + slope * y;
      float width = 20.0f + y * 0.09f;
      float d = std::fabs(x - cxl) / width;
      return WithAlpha(Hex(0x6f7cff), 0.12f * std::exp(-d * d) * (1.0f - y / h));
    });
  }
  c.Glow([=](float x, float y) {
    uint32_t gx = static_cast<uint32_t>(x / 3.0f), gy = static_cast<uint32_t>(y / 3.0f);
    float hsh = Hash(gx, gy);
    if (hsh < 0.9965f) return Color{};
    return WithAlpha(Hex(0xcfd6ff), (hsh - 0.9965f) / 0.0035f * 0.6f * (1.0f - y / h));
  });
  return c;
}

}  // namespace qlv::art
