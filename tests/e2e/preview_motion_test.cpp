// qlv-preview's render loop against the real plug-in binary: the editor is painted at its own
// 15 ms pace whatever the frame rate, frames fall exactly on block ends, and a render that starts
// late shows what playing from the chart's start would show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "e2e/highway_charts.h"
#include "host/chart_project.h"
#include "host/cli/ini_override.h"
#include "host/cli/preview_session.h"

namespace {
namespace fs = std::filesystem;
using namespace highway_charts;
using qlv::cli::PreviewOptions;
using qlv::cli::PreviewSession;

const std::string kPlugin = QLV_PLUGIN_DIR "/qlv_preview.so";

class PreviewMotion : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qlv-motion-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    std::string error;
    ASSERT_TRUE(ini_.Create(0, &error)) << error;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  std::string Write(const ChartBuilder& chart, const std::string& name) {
    const std::string path = (dir_ / name).string();
    std::string error;
    EXPECT_TRUE(chart.WriteFile(path, &error)) << error;
    return path;
  }

  // Frames `count` frames of a render; each frame's pixels, panels side by side.
  std::vector<std::vector<uint32_t>> Render(const std::string& chart, PreviewOptions options, int64_t count) {
    PreviewSession session;
    std::string error;
    std::vector<std::vector<uint32_t>> frames;
    if (!session.Open(ChartProject::Load(chart, options.track, &error), kPlugin, options, &error)) {
      ADD_FAILURE() << error;
      return frames;
    }
    for (int64_t f = 0; f < count; ++f) {
      std::vector<uint32_t> px;
      if (!session.RenderFrame(f, &px, &error)) {
        ADD_FAILURE() << error;
        break;
      }
      frames.push_back(std::move(px));
    }
    return frames;
  }

  static PreviewOptions Options(double start, double fps, int width, int height) {
    PreviewOptions o;
    o.track = "PART GUITAR";
    o.start_seconds = start;
    o.fps = fps;
    o.width = width;
    o.height = height;
    return o;
  }

  fs::path dir_;
  qlv::cli::IniOverride ini_;
};

// Pixels of a box that differ between two frames of the same size.
int Differing(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width, int x0, int y0, int x1,
              int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += a[static_cast<size_t>(y) * width + x] != b[static_cast<size_t>(y) * width + x];
  return n;
}

TEST_F(PreviewMotion, AHitFlareLastsTheSameTimeAtEveryFrameRate) {
  ChartBuilder with_gem, without_gem;
  with_gem.Tempo(0, 120.0);
  without_gem.Tempo(0, 120.0);
  Note(with_gem, 2.0, GREEN);
  Note(with_gem, 9.0, RED);  // both charts end alike
  Note(without_gem, 9.0, RED);
  const std::string gem = Write(with_gem, "gem.mid"), empty = Write(without_gem, "empty.mid");
  // Live, a flare lasts 30 paints of the 15 ms timer.
  const double live = 30 * 0.015;
  for (double fps : {24.0, 30.0, 60.0}) {
    const PreviewOptions o = Options(1.5, fps, 320, 180);
    const auto count = static_cast<int64_t>(1.5 * fps);
    const auto a = Render(gem, o, count), b = Render(empty, o, count);
    ASSERT_EQ(a.size(), b.size());
    int shown = 0;
    for (int64_t f = 0; f < count; ++f) {
      if (1.5 + f / fps < 2.0) continue;  // the gem is still on its way
      // The green key's neighbourhood at the strike line (lower left of the board).
      shown += Differing(a[f], b[f], 320, 60, 110, 160, 170) > 20;
    }
    EXPECT_NEAR(shown / fps, live, 1.0 / fps + 0.016) << fps << " fps: the flare showed in " << shown << " frames";
  }
}

// Rows of the bright horizontal lines (beat, half-beat and measure lines) crossing column x
// between rows y0 and y1: the brightness-weighted centre of each run of bright pixels, which
// follows a line's sub-pixel position through its filtered edges.
std::vector<double> LineRows(const std::vector<uint32_t>& px, int width, int x, int y0, int y1) {
  constexpr int kFloor = 250;  // the board itself stays below this (sum of the three channels)
  std::vector<double> rows;
  double weight = 0.0, moment = 0.0;
  for (int y = y0; y <= y1; ++y) {
    int level = 0;
    if (y < y1) {
      const uint32_t p = px[static_cast<size_t>(y) * width + x];
      level = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) - kFloor;
    }
    if (level > 0) {
      weight += level;
      moment += static_cast<double>(level) * y;
    } else if (weight > 0.0) {
      if (weight > 150.0) rows.push_back(moment / weight);
      weight = moment = 0.0;
    }
  }
  return rows;
}

// Largest distance of the points from the least-squares cubic through them.
double WorstOffCubic(const std::vector<double>& xs, const std::vector<double>& ys) {
  double m[4][5] = {};
  const double mid = xs[xs.size() / 2];
  for (size_t i = 0; i < xs.size(); ++i) {
    double p[4] = {1.0, xs[i] - mid, 0.0, 0.0};
    p[2] = p[1] * p[1];
    p[3] = p[2] * p[1];
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 4; ++c) m[r][c] += p[r] * p[c];
      m[r][4] += p[r] * ys[i];
    }
  }
  for (int c = 0; c < 4; ++c) {
    for (int r = c + 1; r < 4; ++r) {
      const double k = m[r][c] / m[c][c];
      for (int j = c; j < 5; ++j) m[r][j] -= k * m[c][j];
    }
  }
  double coef[4];
  for (int r = 3; r >= 0; --r) {
    double v = m[r][4];
    for (int j = r + 1; j < 4; ++j) v -= m[r][j] * coef[j];
    coef[r] = v / m[r][r];
  }
  double worst = 0.0;
  for (size_t i = 0; i < xs.size(); ++i) {
    const double x = xs[i] - mid;
    worst = std::max(worst, std::fabs(coef[0] + x * (coef[1] + x * (coef[2] + x * coef[3])) - ys[i]));
  }
  return worst;
}

TEST_F(PreviewMotion, TheHighwayMovesSteadilyAtCommonFrameRates) {
  ChartBuilder chart;
  chart.Tempo(0, 120.0);
  Note(chart, 30.0, GREEN);  // nothing on the highway but its lines
  const std::string path = Write(chart, "lines.mid");
  for (double fps : {30.0, 60.0}) {
    const auto frames = Render(path, Options(2.0, fps, 1280, 720), 120);
    ASSERT_EQ(frames.size(), 120u);
    // Follow each line down the board while it is the nearest one above the strike line's keys:
    // its rows, frame after frame, lie on a smooth curve (the perspective) to within a pixel,
    // as they would not if frames showed whatever block end came after their time.
    std::vector<double> xs, ys;
    size_t tracks = 0;
    auto finish = [&] {
      if (xs.size() >= 8) {
        ++tracks;
        // A pixel of rounding, and a little for the centre's own error.
        EXPECT_LE(WorstOffCubic(xs, ys), 1.25) << fps << " fps, the line followed up to frame " << xs.back();
      }
      xs.clear();
      ys.clear();
    };
    for (size_t f = 0; f < frames.size(); ++f) {
      const std::vector<double> rows = LineRows(frames[f], 1280, 560, 120, 430);
      if (rows.empty() || (!ys.empty() && rows.back() <= ys.back())) finish();
      if (!rows.empty()) {
        xs.push_back(static_cast<double>(f));
        ys.push_back(rows.back());
      }
    }
    finish();
    EXPECT_GE(tracks, 3u) << fps << " fps: too few lines were followed";
  }
}

TEST_F(PreviewMotion, ALateStartShowsWhatPlayingFromTheStartShows) {
  // A style phrase and the drum flip that begin long before the render's start.
  ChartBuilder with(480, "PART DRUMS"), without(480, "PART DRUMS");
  for (ChartBuilder* c : {&with, &without}) {
    c->Tempo(0, 120.0);
    for (double t = 9.0; t < 13.0; t += 0.25) Note(*c, t, (static_cast<int>(t * 4) % 3) == 0 ? KICK : YELLOW);
    Note(*c, 20.0, RED);
  }
  with.Text(Ticks(1.0), "mix 3 drums0d");
  Note(with, 1.0, STYLE_PHRASE, 14.0);
  const std::string phrased = Write(with, "phrased.mid"), plain = Write(without, "plain.mid");
  PreviewOptions o = Options(10.0, 30.0, 240, 160);
  o.track = "PART DRUMS";
  o.mode = qlv::cli::Mode::kProDrums;
  const auto late = Render(phrased, o, 1);
  o.start_seconds = 0.0;
  const auto from_start = Render(phrased, o, 301);
  o.start_seconds = 10.0;
  const auto unphrased = Render(plain, o, 1);
  ASSERT_EQ(late.size(), 1u);
  ASSERT_EQ(from_start.size(), 301u);
  ASSERT_EQ(unphrased.size(), 1u);
  EXPECT_EQ(late[0], from_start[300]) << "the frame at 0:10 must not depend on where the render started";
  EXPECT_NE(late[0], unphrased[0]) << "the phrase and the flip change the picture";
}

}  // namespace
