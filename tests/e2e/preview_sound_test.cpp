// qlv-preview's sound: the click track and a song's stems in preview.mp4, decoded back with
// ffmpeg and checked against the frames where the gems reach the strike line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/highway_charts.h"
#include "host/cli/click_track.h"
#include "host/cli/video_pipe.h"

namespace {
namespace fs = std::filesystem;
using namespace highway_charts;

const std::string kProgram = QLV_BINARY_DIR "/host/qlv-preview";
constexpr int kRate = 48000;

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Standard output of a shell command, and its exit status.
std::string Capture(const std::string& command, int* status) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char buffer[65536];
  size_t n = 0;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int raw = pclose(pipe);
  *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return out;
}

// Seconds from the start of the decoded sound to every tick: a sample above a fifth of full scale
// after at least 50 ms below it.
std::vector<double> Onsets(const std::string& pcm) {
  std::vector<double> onsets;
  const size_t count = pcm.size() / 2;
  size_t quiet = kRate;
  for (size_t i = 0; i < count; ++i) {
    const int16_t v = static_cast<int16_t>(static_cast<uint8_t>(pcm[2 * i]) | (static_cast<uint8_t>(pcm[2 * i + 1]) << 8));
    if (std::abs(v) > 32767 / 5) {
      if (quiet >= static_cast<size_t>(kRate / 20)) onsets.push_back(static_cast<double>(i) / kRate);
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  return onsets;
}

class PreviewSound : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qlv::cli::FindOnPath("ffmpeg").empty()) GTEST_SKIP() << "ffmpeg is not installed";
    std::string pattern = (fs::temp_directory_path() / "qlv-sound-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    // One gem per beat at 120 beats a minute.
    ChartBuilder chart;
    chart.Tempo(0, 120.0);
    for (int beat = 2; beat < 12; ++beat) Note(chart, beat * 0.5, beat % 2 ? GREEN : RED);
    std::string error;
    chart_ = (dir_ / "beats.mid").string();
    ASSERT_TRUE(chart.WriteFile(chart_, &error)) << error;
    for (int beat = 2; beat < 12; ++beat) gems_.push_back(beat * 0.5);
  }
  void TearDown() override {
    std::error_code ec;
    if (!dir_.empty()) fs::remove_all(dir_, ec);
  }

  // Renders with `extra` options from `start`, then checks that every tick of the decoded sound
  // lies within 1 ms and one frame of the frame where its gem reaches the strike line.
  void ExpectTicksOnGems(const std::vector<std::string>& extra, double start, const std::string& name) {
    const double fps = 30.0;
    const fs::path out = dir_ / name;
    std::string cmd = Quote(kProgram) + " " + Quote(chart_) + " --size 160x90 --fps 30 --duration 4 -q -o " +
                      Quote(out.string()) + " --start " + std::to_string(start);
    for (const std::string& e : extra) cmd += " " + Quote(e);
    int status = -1;
    Capture(cmd + " 2>&1", &status);
    ASSERT_EQ(status, 0);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(out)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"contact_sheet.png", "preview.mp4"})) << "the default outputs";
    const std::string mp4 = Quote((out / "preview.mp4").string());
    const std::string frames =
        Capture("ffprobe -v error -select_streams v -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " + mp4,
                &status);
    ASSERT_EQ(status, 0);
    EXPECT_EQ(std::atoi(frames.c_str()), 120);
    const std::string pcm = Capture("ffmpeg -v error -i " + mp4 + " -map 0:a -ac 1 -ar 48000 -f s16le -", &status);
    ASSERT_EQ(status, 0);
    EXPECT_NEAR(static_cast<double>(pcm.size()) / 2 / kRate, 4.0, 0.05) << "the sound spans the render";
    const std::vector<double> onsets = Onsets(pcm);
    std::vector<double> expected;
    for (double g : gems_)
      if (g >= start && g < start + 4.0) expected.push_back(g);
    ASSERT_EQ(onsets.size(), expected.size()) << name;
    for (size_t i = 0; i < onsets.size(); ++i) {
      // The first frame at or after the gem's time shows its head at the strike line.
      const double frame_time = std::ceil((expected[i] - start) * fps - 1e-9) / fps;
      EXPECT_NEAR(onsets[i], frame_time, 0.001 + 1.0 / fps) << name << ": gem at " << expected[i];
      EXPECT_NEAR(onsets[i], expected[i] - start, 0.001) << name << ": gem at " << expected[i];
    }
  }

  fs::path dir_;
  std::string chart_;
  std::vector<double> gems_;
};

TEST_F(PreviewSound, ClicksMeetTheirGems) { ExpectTicksOnGems({"--click"}, 0.7, "click"); }

TEST_F(PreviewSound, AStemShiftedByTheSongsDelayMeetsTheGems) {
  // The song's audio: a tick on every beat, with the chart's time 0 a quarter second into it;
  // beside it a second stem that is silent, mixed at the same gain.
  const fs::path song = dir_ / "song";
  fs::create_directories(song);
  std::string error;
  ASSERT_TRUE(qlv::cli::WriteClickTrack((song / "Song.wav").string(), gems_, -0.25, 8.0, 44100, &error)) << error;
  ASSERT_TRUE(qlv::cli::WriteClickTrack((song / "guitar.wav").string(), {}, 0.0, 8.0, 44100, &error)) << error;
  ExpectTicksOnGems({"--audio-dir", song.string(), "--delay", "250"}, 1.3, "stems");
}

TEST_F(PreviewSound, ASongFolderBringsItsAudioShiftedByTheDelayOfItsSongIni) {
  // The same song as a folder: the chart, song.ini with the delay, the audio found by its name.
  const fs::path song = dir_ / "My Song";
  fs::create_directories(song);
  std::string error;
  ASSERT_TRUE(qlv::cli::WriteClickTrack((song / "song.wav").string(), gems_, -0.25, 8.0, 44100, &error)) << error;
  fs::copy_file(chart_, song / "notes.mid");
  std::ofstream(song / "song.ini") << "[song]\ndelay = 250\n";
  chart_ = song.string();
  ExpectTicksOnGems({}, 1.3, "folder");
}

}  // namespace
