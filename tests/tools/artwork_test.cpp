#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tools/artwork/art_catalog.h"
#include "tools/artwork/art_designs.h"
#include "tools/artwork/board_layout.h"

namespace qlv::art {
namespace {

struct Pixel {
  int a, r, g, b;
};

Pixel At(const std::vector<uint32_t>& words, int width, int x, int y) {
  uint32_t w = words[static_cast<size_t>(y) * width + x];
  return Pixel{static_cast<int>(w >> 24), static_cast<int>((w >> 16) & 0xFF), static_cast<int>((w >> 8) & 0xFF),
               static_cast<int>(w & 0xFF)};
}

// Sum of alpha over the picture: how much of it is drawn.
double Opacity(const Canvas& c) {
  double sum = 0;
  for (int y = 0; y < c.height(); ++y)
    for (int x = 0; x < c.width(); ++x) sum += c.At(x, y).a;
  return sum;
}

TEST(ArtCatalog, NamesEveryPictureOfTheImageSetOnce) {
  std::set<std::string> expected = {"QLV_background1", "track_guitar", "track_drum", "gem_cym_yellow", "gem_cym_blue",
                                    "gem_cym_green", "gem_style", "gem_hopo_style", "gem_cym_style", "gem_kick",
                                    "gem_kick_style", "beat_marker", "half_beat_marker", "measure",
                                    "smash_flare_style", "sustain_style", "sustain_style_hi"};
  for (const char* lane : {"green", "red", "yellow", "blue", "orange"}) {
    for (const char* kind : {"gem_", "gem_hopo_", "sustain_", "smash_flare_"}) expected.insert(kind + std::string(lane));
    expected.insert("sustain_" + std::string(lane) + "_hi");
  }
  for (int i = 1; i <= 10; ++i) expected.insert("smash_" + std::to_string(i));
  for (int i = 1; i <= 7; ++i) expected.insert("kick_flash_" + std::to_string(i));
  ASSERT_EQ(expected.size(), 59u);

  std::multiset<std::string> names;
  for (const ArtEntry& e : ArtCatalog()) names.insert(e.name);
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
  EXPECT_EQ(names.size(), expected.size()) << "a name appears twice";
}

TEST(Canvas, StoresStraightAlphaAndBleedsColourIntoClearPixels) {
  Canvas c(4, 1);
  c.Fill([](float x, float) { return x < 1.0f ? -1.0f : 1e9f; }, [](float, float) { return Hex(0x336699, 0.5f); });
  std::vector<uint32_t> w = c.ToWords();
  // Half-covered with a half-transparent colour: alpha 128, colour unchanged (not darkened).
  EXPECT_EQ(w[0], 0x80336699u);
  // A clear neighbour takes the colour so filtered scaling pulls no black into the edge.
  EXPECT_EQ(w[1], 0x00336699u);
}

TEST(Canvas, LayersCompositeLikeOver) {
  Canvas c(1, 1);
  auto all = [](float, float) { return -1.0f; };
  c.Fill(all, [](float, float) { return Hex(0xFF0000); });
  c.Fill(all, [](float, float) { return Hex(0x0000FF, 0.25f); });
  Pixel p = At(c.ToWords(), 1, 0, 0);
  EXPECT_EQ(p.a, 255);
  EXPECT_EQ(p.r, 191);
  EXPECT_EQ(p.b, 64);
}

TEST(GemArt, SitsOnItsBottomEdgeAndReadsByLaneAndKind) {
  for (int lane = 0; lane < 5; ++lane) {
    Canvas plain = MakeGem(LaneColor(lane), GemFace::kPlain, false);
    Canvas hopo = MakeGem(LaneColor(lane), GemFace::kHopo, false);
    ASSERT_EQ(plain.width(), kGemW);
    ASSERT_EQ(plain.height(), kGemH);
    std::vector<uint32_t> pw = plain.ToWords(), hw = hopo.ToWords();
    // The renderer puts the picture's bottom edge on the note's row: the puck must reach
    // close to it, and its body must not be cut off.
    int lowest_solid = -1;
    for (int y = 0; y < kGemH; ++y)
      if (At(pw, kGemW, kGemW / 2, y).a > 200) lowest_solid = y;
    EXPECT_GE(lowest_solid, kGemH - 20) << lane;
    EXPECT_LT(lowest_solid, kGemH - 1) << lane;
    // Centre: a dark cap on a strum gem, a bright white cap on a hammer-on.
    Pixel pc = At(pw, kGemW, static_cast<int>(kGemFaceX), static_cast<int>(kGemFaceY));
    Pixel hc = At(hw, kGemW, static_cast<int>(kGemFaceX), static_cast<int>(kGemFaceY));
    EXPECT_LT(pc.r + pc.g + pc.b, 200) << lane;
    EXPECT_GT(std::min({hc.r, hc.g, hc.b}), 220) << lane;
    // Ring between cap and rim carries the lane colour.
    Pixel ring = At(pw, kGemW, static_cast<int>(kGemFaceX + kGemFaceRx * 0.85f), static_cast<int>(kGemFaceY));
    const Color c = LaneColor(lane);
    const int want[3] = {static_cast<int>(c.r * 255), static_cast<int>(c.g * 255), static_cast<int>(c.b * 255)};
    const int got[3] = {ring.r, ring.g, ring.b};
    const int strongest = static_cast<int>(std::max_element(want, want + 3) - want);
    EXPECT_EQ(std::max_element(got, got + 3) - got, strongest) << "lane " << lane;
  }
}

TEST(SustainArt, TheSampledStripIsASolidCoreWithSoftEdges) {
  for (bool hi : {false, true}) {
    Canvas s = MakeSustain(LaneColor(3), hi);
    std::vector<uint32_t> w = s.ToWords();
    // The renderer samples only the middle third of the top row.
    const int third = s.width() / 3;
    Pixel centre = At(w, s.width(), third + third / 2, 0);
    Pixel edge = At(w, s.width(), third, 0);
    EXPECT_EQ(centre.a, 255);
    EXPECT_LT(edge.a, 128);
    EXPECT_GT(centre.b, centre.r);
  }
  Pixel plain = At(MakeSustain(LaneColor(3), false).ToWords(), 96, 48, 0);
  Pixel hi = At(MakeSustain(LaneColor(3), true).ToWords(), 96, 48, 0);
  EXPECT_GT(hi.r + hi.g + hi.b, plain.r + plain.g + plain.b) << "a held sustain must look brighter";
}

TEST(MarkerArt, LineSitsAtThreeQuartersAndWeightsDiffer) {
  double weight[3];
  const MarkerKind kinds[3] = {MarkerKind::kMeasure, MarkerKind::kBeat, MarkerKind::kHalfBeat};
  for (int i = 0; i < 3; ++i) {
    Canvas c = MakeMarker(kinds[i]);
    std::vector<uint32_t> w = c.ToWords();
    const int x = c.width() / 2, row = c.height() * 3 / 4;
    EXPECT_GT(At(w, c.width(), x, row).a, 60) << i;
    EXPECT_EQ(At(w, c.width(), x, 2).a, 0) << i;
    weight[i] = Opacity(c);
  }
  EXPECT_GT(weight[0], weight[1]);
  EXPECT_GT(weight[1], weight[2]);
}

TEST(AnimationArt, BurstsSpreadAndDieAway) {
  double first = Opacity(MakeSmashFrame(1)), last = Opacity(MakeSmashFrame(10));
  EXPECT_LT(last, first * 0.5);
  // The shock ring grows: the widest drawn column moves outwards over the first frames.
  auto reach = [](const Canvas& c) {
    int widest = 0;
    for (int y = 0; y < c.height(); ++y)
      for (int x = c.width() / 2; x < c.width(); ++x)
        if (c.At(x, y).a > 0.2f) widest = std::max(widest, x);
    return widest;
  };
  EXPECT_GT(reach(MakeSmashFrame(6)), reach(MakeSmashFrame(1)));
  // The kick flash is brightest at once and fades frame by frame, while it spreads.
  auto peak = [](const Canvas& c) {
    float top = 0;
    for (int y = 0; y < c.height(); ++y)
      for (int x = 0; x < c.width(); ++x) top = std::max(top, c.At(x, y).a);
    return top;
  };
  float previous = 2.0f;
  double most = 0;
  for (int f = 1; f <= 7; ++f) {
    Canvas flash = MakeKickFlash(f);
    EXPECT_LE(peak(flash), previous + 0.01f) << "kick flash frame " << f;
    previous = peak(flash);
    most = std::max(most, Opacity(flash));
  }
  EXPECT_LT(previous, 0.5f) << "the last frame is faint";
  EXPECT_LT(Opacity(MakeKickFlash(7)), most * 0.5);
  EXPECT_NE(MakeSmashFrame(3).ToWords(), MakeSmashFrame(4).ToWords());
}

// The track is stretched over the renderer's square; its strike targets must sit where gems
// arrive and show the lane colours in lane order.
TEST(TrackArt, TargetsSitWhereTheRendererPutsGems) {
  struct Expect {
    bool drums;
    std::vector<double> lanes;
    std::vector<int> colour;
  };
  const Expect cases[] = {
      {false, {-0.8, -0.4, 0.0, 0.4, 0.8}, {0, 1, 2, 3, 4}},
      {true, {-0.7125, -0.2375, 0.2375, 0.7125}, {1, 2, 3, 0}},
  };
  for (const Expect& e : cases) {
    Canvas track = MakeTrack(e.drums);
    const int n = track.width();
    ASSERT_EQ(track.height(), n);
    std::vector<uint32_t> w = track.ToWords();
    const double gem = kGemWidth * HighwayUnitWidth(0.0);
    const double face_row = kStrikeRow - (kGemH - kGemFaceY) / kGemW * gem;
    const double ring_dx = kGemFaceRx / kGemW * gem * 0.8;
    for (size_t i = 0; i < e.lanes.size(); ++i) {
      const double cx = ColumnAt(e.lanes[i], 0.0);
      Pixel ring = At(w, n, static_cast<int>((cx + ring_dx) * n), static_cast<int>(face_row * n));
      Pixel well = At(w, n, static_cast<int>(cx * n), static_cast<int>(face_row * n));
      const Color c = LaneColor(e.colour[i]);
      const int want[3] = {static_cast<int>(c.r * 255), static_cast<int>(c.g * 255), static_cast<int>(c.b * 255)};
      const int got[3] = {ring.r, ring.g, ring.b};
      EXPECT_EQ(std::max_element(got, got + 3) - got, std::max_element(want, want + 3) - want)
          << (e.drums ? "drums" : "guitar") << " lane " << i;
      EXPECT_LT(well.r + well.g + well.b, ring.r + ring.g + ring.b) << "the target's middle is a dark well";
    }
    // Halfway up the board: inside is drawn, outside the rails is clear.
    const double k = 0.5, row = HighwayRowFraction(k);
    EXPECT_GT(At(w, n, static_cast<int>(ColumnAt(0.1, k) * n), static_cast<int>(row * n)).a, 200);
    EXPECT_EQ(At(w, n, static_cast<int>(ColumnAt(1.3, k) * n), static_cast<int>(row * n)).a, 0);
    EXPECT_EQ(At(w, n, static_cast<int>(ColumnAt(-1.3, k) * n), static_cast<int>(row * n)).a, 0);
  }
}

TEST(TrackArt, GuitarDividersFollowTheLanes) {
  Canvas track = MakeTrack(false);
  const int n = track.width();
  std::vector<uint32_t> w = track.ToWords();
  const double k = 0.3, row = HighwayRowFraction(k);
  auto light = [&](double lat) {
    Pixel p = At(w, n, static_cast<int>(std::lround(ColumnAt(lat, k) * n)), static_cast<int>(row * n));
    return p.r + p.g + p.b;
  };
  for (double edge : {-0.6, -0.2, 0.2, 0.6}) {
    EXPECT_GT(light(edge), light(edge + 0.1) + 40) << "divider at " << edge;
  }
}

}  // namespace
}  // namespace qlv::art
