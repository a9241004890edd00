// qlv-preview --play as a user meets it: a real X window (on a virtual display) clicked and typed
// into with xdotool, the dummy audio driver as the sound card, real chart and settings files.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gfx/gfx.h"
#include "host/chart_builder.h"
#include "host/live/pcm_decode.h"
#include "tests/plugin/text_pixels.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kProgram = QLV_BINARY_DIR "/host/qlv-preview";
constexpr int kWidth = 480, kHeight = 270;  // the editor; the window adds a 4-pixel margin
constexpr double kRate = 44100.0;

std::string Slurp(const fs::path& p) {
  std::ifstream in(p);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `argv` with `dir` as its working folder and the given extra environment; waits for it
// unless `wait` is false, then returns its pid.
pid_t Spawn(const std::vector<std::string>& args, const fs::path& dir, const std::vector<std::string>& env,
            const fs::path& out, const fs::path& err, bool wait) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(126);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    // Sanitizer builds: what the system's libraries keep until exit is not our leak.
    setenv("LSAN_OPTIONS", "suppressions=" QLV_SOURCE_DIR "/tests/e2e/live_window_leaks.supp", 1);
    if (!freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (wait) {
    int status = 0;
    waitpid(pid, &status, 0);
  }
  return pid;
}

// One virtual X display for the whole suite, at a display number the server picks itself.
class LiveE2E : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const std::string fd = std::to_string(fds[1]);
    xvfb_ = fork();
    if (xvfb_ == 0) {
      close(fds[0]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The server writes the number and the line end separately; the pipe stays open until the
    // line is whole, or the second write would fail and end the server.
    std::string text;
    char c = 0;
    while (text.size() < 16 && read(fds[0], &c, 1) == 1 && c != '\n') text += c;
    close(fds[0]);
    ASSERT_FALSE(text.empty()) << "Xvfb did not start (apt-get install xvfb)";
    display_ = ":" + text;
  }
  static void TearDownTestSuite() {
    if (xvfb_ > 0) {
      kill(xvfb_, SIGTERM);
      waitpid(xvfb_, nullptr, 0);
    }
  }

  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qlv-live-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (player_ > 0) {
      kill(player_, SIGKILL);
      waitpid(player_, nullptr, 0);
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Starts the live window on `chart` and waits until it is up; `audio_driver` picks SDL's.
  void Play(const fs::path& chart, std::vector<std::string> more, const std::string& audio_driver = "dummy") {
    std::vector<std::string> args = {kProgram, chart.string(), "--play", "--size", "480x270",
                                     "--settings", (dir_ / "settings.ini").string()};
    args.insert(args.end(), more.begin(), more.end());
    player_ = Spawn(args, dir_, {"DISPLAY=" + display_, "SDL_AUDIODRIVER=" + audio_driver}, dir_ / "out.txt",
                    dir_ / "err.txt", false);
    ASSERT_TRUE(WaitFor("out.txt", "playing ", 20s)) << Slurp(dir_ / "err.txt");
    window_ = Xdotool("search --sync --onlyvisible --pid " + std::to_string(player_) + " --name '^QLV Preview'");
    ASSERT_FALSE(window_.empty());
    window_ = window_.substr(0, window_.find('\n'));
    // Keys go to the window under the pointer (no window manager on the virtual display).
    Xdotool("mousemove --window " + window_ + " 240 200");
  }

  std::string Xdotool(const std::string& arguments) {
    const fs::path out = dir_ / "xdotool.txt";
    std::string cmd = "DISPLAY=" + display_ + " xdotool " + arguments + " >" + out.string() + " 2>&1";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd << ": " << Slurp(out);
    return Slurp(out);
  }
  void Key(const std::string& key) { Xdotool("key " + key); }

  bool WaitFor(const std::string& file, const std::string& text, std::chrono::milliseconds limit,
               size_t occurrences = 1) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
      const std::string s = Slurp(dir_ / file);
      size_t found = 0;
      for (size_t at = s.find(text); at != std::string::npos; at = s.find(text, at + 1)) ++found;
      if (found >= occurrences) return true;
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

  // Presses P and returns the picture it saved with the block it shows.
  struct Picture {
    std::vector<uint32_t> pixels;  // the window, kWidth + 4 wide
    long long sample = -1;
  };
  Picture TakePicture() {
    Picture picture;
    Key("p");
    EXPECT_TRUE(WaitFor("out.txt", "picture qlv-live-", 5s, ++pictures_));
    const std::string out = Slurp(dir_ / "out.txt");
    size_t line = out.find("picture qlv-live-");
    for (int i = 1; i < pictures_; ++i) line = out.find("picture qlv-live-", line + 1);
    const std::string name = out.substr(line + 8, out.find(' ', line + 8) - line - 8);
    const size_t from = out.find("showing sample ", line);
    if (from != std::string::npos) picture.sample = std::atoll(out.c_str() + from + 15);
    picture.pixels = Read(dir_ / name, kWidth + 4, kHeight + 4);
    return picture;
  }

  // The offline render of the same moment: its frame at the position the picture shows.
  std::vector<uint32_t> Render(const fs::path& chart, long long sample, const std::vector<std::string>& more = {}) {
    char start[32];
    std::snprintf(start, sizeof start, "%.9f", static_cast<double>(sample) / kRate);
    std::vector<std::string> args = {kProgram, chart.string(), "--start", start, "--duration", "0.01",
                                     "--size", "480x270", "--no-video", "--frames", "--sheet", "0", "-o",
                                     (dir_ / "render").string(), "-q"};
    args.insert(args.end(), more.begin(), more.end());
    Spawn(args, dir_, {}, dir_ / "render.out", dir_ / "render.err", true);
    return Read(dir_ / "render" / "frame_000001.png", kWidth, kHeight);
  }

  static std::vector<uint32_t> Read(const fs::path& png, int width, int height) {
    std::unique_ptr<GFX_IBitmap> b(GFX_ReadPngFile(png.string().c_str(), nullptr));
    std::vector<uint32_t> out;
    EXPECT_TRUE(b && b->PixelWidth() == width && b->PixelHeight() == height) << png;
    if (!b || b->PixelWidth() != width || b->PixelHeight() != height) return out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.push_back(b->PixelData()[y * b->RowPitch() + x] | 0xFF000000u);
    return out;
  }

  // The editor's part of a window picture equals `render`; the margin is black.
  static void ExpectShows(const Picture& picture, const std::vector<uint32_t>& render) {
    ASSERT_EQ(render.size(), static_cast<size_t>(kWidth) * kHeight);
    ASSERT_EQ(picture.pixels.size(), static_cast<size_t>(kWidth + 4) * (kHeight + 4));
    int differ = 0, margin = 0;
    for (int y = 0; y < kHeight + 4; ++y)
      for (int x = 0; x < kWidth + 4; ++x) {
        const uint32_t shown = picture.pixels[static_cast<size_t>(y) * (kWidth + 4) + x];
        if (x < kWidth && y < kHeight) {
          differ += shown != render[static_cast<size_t>(y) * kWidth + x];
        } else {
          margin += shown != 0xFF000000u;
        }
      }
    EXPECT_EQ(differ, 0) << "pixels unlike the render at sample " << picture.sample;
    EXPECT_EQ(margin, 0);
  }

  int Finish(int signal_number) {
    if (signal_number) kill(player_, signal_number);
    int status = 0;
    for (int i = 0; i < 500 && waitpid(player_, &status, WNOHANG) == 0; ++i) std::this_thread::sleep_for(20ms);
    const bool ended = waitpid(player_, &status, WNOHANG) != 0 || WIFEXITED(status);
    EXPECT_TRUE(ended) << "the live window did not close";
    player_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  static inline pid_t xvfb_ = -1;
  static inline std::string display_;
  fs::path dir_;
  pid_t player_ = -1;
  std::string window_;
  int pictures_ = 0;
};

// Guitar notes (Expert green to orange) from `first_second` on, one per beat at 120 per minute,
// each a sixteenth long: nothing sounds before the first and no hammer-on is decided by timing.
fs::path WriteChart(const fs::path& path, double first_second, double quarter_notes_per_minute = 120.0) {
  ChartBuilder chart;
  chart.Tempo(0, quarter_notes_per_minute);
  const int first = static_cast<int>(first_second * quarter_notes_per_minute / 60.0 * 480.0);
  for (int i = 0; i < 16; ++i) chart.Note(first + i * 480, 96 + i % 5, 120);
  std::string error;
  EXPECT_TRUE(chart.WriteFile(path.string(), &error)) << error;
  return path;
}

// `seconds` of stereo 16-bit at 44.1 kHz, every sample `level`.
void WriteWav(const fs::path& path, double seconds, int16_t level = 0) {
  const uint32_t frames = static_cast<uint32_t>(seconds * 44100), bytes = frames * 4;
  std::ofstream wav(path, std::ios::binary);
  auto u32 = [&](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
  wav << "RIFF";
  u32(36 + bytes);
  wav << "WAVEfmt ";
  u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
  wav << "data";
  u32(bytes);
  const std::vector<int16_t> samples(frames * 2, level);
  wav.write(reinterpret_cast<const char*>(samples.data()), bytes);
}
void WriteQuietWav(const fs::path& path, uint32_t seconds) { WriteWav(path, seconds); }

// The pictures are taken before any gem reaches the strike line: a gem that has passed it flares
// for a number of paints, which a render started at the same moment has not had.
TEST_F(LiveE2E, TheWindowShowsWhatTheRenderShowsAtTheSameMoment) {
  const fs::path chart = WriteChart(dir_ / "song.mid", 3.5);
  Play(chart, {});
  std::this_thread::sleep_for(2s);
  const Picture picture = TakePicture();
  ASSERT_GT(picture.sample, 0);
  ExpectShows(picture, Render(chart, picture.sample));
  Key("q");
  EXPECT_EQ(Finish(0), 0);
  EXPECT_NE(Slurp(dir_ / "out.txt").find(" frames in "), std::string::npos);
}

TEST_F(LiveE2E, ClicksAndDragsReachTheEditorsControls) {
  const fs::path chart = WriteChart(dir_ / "song.mid", 3.0);
  Play(chart, {});
  // SKILL cycles from Expert to Easy; a drag 40 pixels right on TIME OFFS adds 10 ms, which the
  // editor writes to the settings file when the button is let go.
  Xdotool("mousemove --window " + window_ + " 20 16 click 1");
  Xdotool("mousemove --window " + window_ + " 190 16 mousedown 1 mousemove --window " + window_ +
          " 230 16 mouseup 1");
  ASSERT_TRUE(WaitFor("settings.ini", "timeoffs=10", 2s)) << Slurp(dir_ / "settings.ini");
  std::this_thread::sleep_for(100ms);
  const Picture picture = TakePicture();
  ASSERT_FALSE(picture.pixels.empty());
  for (auto [text, x] : {std::pair<const char*, int>{"Easy", 2}, {"10 MS", 156}}) {
    for (auto [px, py] : TextPixels(text, x, 13, kWidth + 4, kHeight + 4))
      ASSERT_EQ(picture.pixels[static_cast<size_t>(py) * (kWidth + 4) + px], 0xFFFFFFFFu) << text;
  }
  Key("q");
  EXPECT_EQ(Finish(0), 0);
}

TEST_F(LiveE2E, EditsToTheChartAreFollowedAndABrokenFileIsNot) {
  const fs::path chart = WriteChart(dir_ / "song.mid", 8.0);
  // No sound card: the window still plays, on a steady clock.
  WriteQuietWav(dir_ / "song.wav", 1);
  Play(chart, {"--audio", (dir_ / "song.wav").string()}, "no-such-driver");
  EXPECT_NE(Slurp(dir_ / "err.txt").find("steady clock"), std::string::npos) << Slurp(dir_ / "err.txt");
  // A new tempo moves every beat line: a different picture from the next paint on.
  const fs::path edited = WriteChart(dir_ / "edited.mid", 8.0, 150.0);
  fs::copy_file(edited, dir_ / "incoming.mid");
  fs::rename(dir_ / "incoming.mid", chart);
  EXPECT_TRUE(WaitFor("out.txt", "chart reloaded", 1s)) << Slurp(dir_ / "err.txt");
  Picture picture = TakePicture();
  ExpectShows(picture, Render(edited, picture.sample));

  std::ofstream(chart, std::ios::binary) << "MThd but not a chart";
  EXPECT_TRUE(WaitFor("err.txt", "chart not reloaded", 1s)) << Slurp(dir_ / "err.txt");
  picture = TakePicture();
  ExpectShows(picture, Render(edited, picture.sample));

  fs::remove(chart);
  EXPECT_TRUE(WaitFor("err.txt", "the last good chart keeps playing", 1s));
  EXPECT_EQ(Finish(SIGINT), 0);  // Ctrl-C ends it as the close button does
  EXPECT_NE(Slurp(dir_ / "out.txt").find(" frames in "), std::string::npos);
}

// A .chart with two gems from 8 s on, at `bpm` quarter notes per minute.
void WriteChartText(const fs::path& path, int bpm) {
  std::ofstream(path) << "[Song]\n{\n  Resolution = 192\n}\n[SyncTrack]\n{\n  0 = B " << bpm * 1000
                      << "\n}\n[ExpertSingle]\n{\n  " << bpm * 192 * 8 / 60 << " = N 0 0\n  "
                      << bpm * 192 * 8 / 60 + 192 << " = N 1 0\n}\n";
}

// A song folder's .chart is read again as a .chart when it changes, and its song.ini is watched.
TEST_F(LiveE2E, ASongFoldersChartAndSongIniAreFollowed) {
  const fs::path folder = dir_ / "band", edited = dir_ / "edited";
  fs::create_directory(folder);
  fs::create_directory(edited);
  WriteChartText(folder / "notes.chart", 120);
  std::ofstream(folder / "song.ini") << "[song]\nname = Band\n";
  Play(folder, {});
  WriteChartText(edited / "notes.chart", 150);
  fs::copy_file(edited / "notes.chart", dir_ / "incoming.chart");
  fs::rename(dir_ / "incoming.chart", folder / "notes.chart");
  EXPECT_TRUE(WaitFor("out.txt", "chart reloaded", 1s)) << Slurp(dir_ / "err.txt");
  const Picture picture = TakePicture();
  ExpectShows(picture, Render(edited, picture.sample));
  std::ofstream(folder / "song.ini") << "[song]\nname = Band\neighthnote_hopo = 1\n";
  EXPECT_TRUE(WaitFor("out.txt", "chart reloaded", 1s, 2)) << Slurp(dir_ / "err.txt");
  Key("q");
  EXPECT_EQ(Finish(0), 0);
}

// The song folder's case: its own stem is found and decoded as the render would mix it.
TEST_F(LiveE2E, AudioThatCannotBeDecodedIsRefusedBeforeAWindowOpens) {
  const fs::path chart = WriteChart(dir_ / "song.mid", 3.0);
  std::ofstream(dir_ / "notes.txt") << "not a sound";
  fs::create_directory(dir_ / "band");
  WriteChart(dir_ / "band" / "notes.mid", 3.0);
  std::ofstream(dir_ / "band" / "song.ini") << "[song]\ndelay = 250\n";
  std::ofstream(dir_ / "band" / "guitar.ogg") << "not a sound either";
  for (const char* audio : {"notes.txt", "missing.ogg", "guitar.ogg"}) {
    const fs::path out = dir_ / "out.txt", err = dir_ / "err.txt";
    const bool folder = std::string(audio) == "guitar.ogg";
    std::vector<std::string> args = {kProgram, chart.string(), "--play", "--audio", (dir_ / audio).string()};
    if (folder) args = {kProgram, (dir_ / "band").string(), "--play"};
    const pid_t pid = Spawn(args, dir_, {"DISPLAY=" + display_}, out, err, false);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << audio;
    const std::string message = Slurp(err);
    EXPECT_EQ(message.rfind("qlv-preview: ", 0), 0u) << message;
    EXPECT_NE(message.find(audio), std::string::npos) << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
    EXPECT_EQ(Slurp(out), "");
  }
}

// Two stems, one read from the song's delay on and one starting later: each at half gain, so
// that together two near full-scale stems reach but do not pass full scale.
TEST(SongPcm, StemsAreMixedAtEqualGainFromWhereEachStarts) {
  const fs::path dir = fs::temp_directory_path() / ("qlv-live-pcm-" + std::to_string(getpid()));
  fs::create_directories(dir);
  WriteWav(dir / "a.wav", 1.0, 30000);
  WriteWav(dir / "b.wav", 1.0, 30000);
  std::vector<int16_t> pcm;
  std::string error;
  ASSERT_TRUE(qlv::live::DecodePcm({{(dir / "a.wav").string(), 0.5}, {(dir / "b.wav").string(), -0.25}}, 44100, &pcm,
                                   &error))
      << error;
  fs::remove_all(dir);
  const auto at = [&](double seconds) { return pcm[static_cast<size_t>(seconds * 44100) * 2]; };
  EXPECT_NEAR(static_cast<double>(pcm.size()) / 2 / 44100, 1.25, 0.02);  // b ends 0.25 s late
  EXPECT_NEAR(at(0.1), 15000, 300);  // a alone: b has not started
  EXPECT_NEAR(at(0.4), 30000, 300);  // both
}

// One minute of play on the dummy sound card's clock, with seeks both ways.
TEST_F(LiveE2E, PictureStaysWithinOneAudioBlockOfTheSound) {
  const fs::path chart = WriteChart(dir_ / "song.mid", 3.0);
  const fs::path song = dir_ / "song.wav";
  WriteQuietWav(song, 70);
  Play(chart, {"--audio", song.string()});
  const auto start = std::chrono::steady_clock::now();
  const char* seeks[] = {"Right", "Right", "Left", "shift+Right", "Home", "Right", "shift+Left", "space", "space"};
  for (const char* key : seeks) {
    std::this_thread::sleep_for(6s);
    Key(key);
  }
  std::this_thread::sleep_until(start + 60s);
  Key("q");
  EXPECT_EQ(Finish(0), 0);
  const std::string out = Slurp(dir_ / "out.txt");
  const size_t at = out.find("at most ");
  ASSERT_NE(at, std::string::npos) << out;
  EXPECT_LE(std::atoll(out.c_str() + at + 8), 512) << out;
}

}  // namespace
