// qlv-preview driven as a user drives it: a separate process, real plug-in binary, real files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gfx/gfx.h"
#include "host/chart_builder.h"
#include "host/smf_writer.h"
#include "tests/host/chart_text_sample.h"

namespace {
namespace fs = std::filesystem;

const std::string kProgram = QLV_BINARY_DIR "/host/qlv-preview";
const std::string kDemo = QLV_BINARY_DIR "/demo/qlv_demo.mid";

struct RunResult {
  int status = -1;
  std::string out, err;
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const fs::path& p) {
  std::ifstream in(p);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class PreviewE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qlv-preview-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // Runs the program with a PATH without ffmpeg unless asked, so results do not depend on
  // what the machine has installed.
  RunResult Preview(const std::vector<std::string>& args, const std::string& path = "/nonexistent",
                    const std::string& wrapper = "") {
    std::string cmd = "PATH=" + Quote(path) + " " + wrapper;
    cmd += Quote(kProgram);
    for (const std::string& a : args) cmd += " " + Quote(a);
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    cmd += " >" + Quote(out.string()) + " 2>" + Quote(err.string());
    RunResult r;
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    fs::remove(out);
    fs::remove(err);
    return r;
  }

  std::vector<std::string> Small(const std::string& out) {
    return {"--size", "320x180", "--fps", "10", "--duration", "0.5", "-o", out};
  }

  static std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Exit status 1 or 2, exactly one line on stderr mentioning `what`, and nothing in `out`
  // that could pass for a result.
  void ExpectCleanFailure(const RunResult& r, const std::string& what, const fs::path& out) {
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(what), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("qlv-preview: ", 0), 0u) << r.err;
    for (const std::string& name : Listing(out)) ADD_FAILURE() << "left behind: " << name;
  }

  fs::path dir_;
};

std::unique_ptr<GFX_IBitmap> LoadPng(const fs::path& p) {
  return std::unique_ptr<GFX_IBitmap>(GFX_ReadPngFile(p.string().c_str(), nullptr));
}

std::vector<uint32_t> Pixels(GFX_IBitmap* b) {
  std::vector<uint32_t> out;
  for (int y = 0; y < b->PixelHeight(); ++y)
    out.insert(out.end(), b->PixelData() + y * b->RowPitch(), b->PixelData() + y * b->RowPitch() + b->PixelWidth());
  return out;
}

// Bright, saturated pixels in rows [y0, y1): lane colours. The generated placeholders that
// stand in for missing pictures are dim and translucent and give almost none.
int SaturatedPixels(const std::vector<uint32_t>& px, int width, int y0, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t p = px[static_cast<size_t>(y) * width + x];
      int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      n += (std::max({r, g, b}) > 180 && std::min({r, g, b}) < 90);
    }
  }
  return n;
}

TEST_F(PreviewE2E, RendersTheDemoChartWithFramesSheetAndSummary) {
  const fs::path out = dir_ / "demo";
  std::vector<std::string> args = Small(out.string());
  args.insert(args.end(), {"--start", "0:12"});
  RunResult r = Preview(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"contact_sheet.png", "frame_000001.png", "frame_000002.png",
                                                    "frame_000003.png", "frame_000004.png", "frame_000005.png"}));
  // Without ffmpeg: one line saying how to get the video, and the summary.
  EXPECT_NE(r.out.find("apt-get install ffmpeg"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("5 frames of Expert Guitar"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(out.string()), std::string::npos) << r.out;
  EXPECT_TRUE(r.err.empty()) << r.err;

  auto first = LoadPng(out / "frame_000001.png");
  auto last = LoadPng(out / "frame_000005.png");
  ASSERT_TRUE(first && last);
  EXPECT_EQ(first->PixelWidth(), 320);
  EXPECT_EQ(first->PixelHeight(), 180);
  // The highway moves: consecutive renders of a playing chart differ; and every pixel is opaque.
  std::vector<uint32_t> a = Pixels(first.get()), b = Pixels(last.get());
  EXPECT_NE(a, b);
  for (uint32_t p : a) ASSERT_EQ(p >> 24, 0xFFu);
  EXPECT_GT(SaturatedPixels(a, 320, 100, 150), 100) << "the lane colours of our pictures";
  auto sheet = LoadPng(out / "contact_sheet.png");
  ASSERT_TRUE(sheet);
  EXPECT_GT(sheet->PixelWidth(), 320);
}

TEST_F(PreviewE2E, ThePicturesBesideThePluginAreTheOnesShown) {
  // The same plug-in copied where no picture folder lies beside it shows placeholders only.
  const fs::path bare = dir_ / "bare";
  fs::create_directories(bare);
  for (const auto& e : fs::directory_iterator(QLV_PLUGIN_DIR))
    if (e.path().extension() == ".so") fs::copy_file(e.path(), bare / e.path().filename());
  std::vector<std::string> with = Small((dir_ / "with").string()), without = Small((dir_ / "without").string());
  with.insert(with.end(), {"--start", "0:12"});
  without.insert(without.end(), {"--start", "0:12", "--plugin", (bare / "qlv_preview.so").string()});
  RunResult ours_run = Preview(with), bare_run = Preview(without);
  ASSERT_EQ(ours_run.status, 0);
  ASSERT_EQ(bare_run.status, 0);
  EXPECT_TRUE(ours_run.err.empty()) << ours_run.err;
  // Missing pictures are said before rendering, in one line naming the folder.
  EXPECT_NE(bare_run.err.find((bare / "qlview").string()), std::string::npos) << bare_run.err;
  EXPECT_EQ(std::count(bare_run.err.begin(), bare_run.err.end(), '\n'), 1) << bare_run.err;
  auto ours = LoadPng(dir_ / "with" / "frame_000003.png");
  auto placeholders = LoadPng(dir_ / "without" / "frame_000003.png");
  ASSERT_TRUE(ours && placeholders);
  EXPECT_GT(SaturatedPixels(Pixels(ours.get()), 320, 0, 180), 80);
  EXPECT_LT(SaturatedPixels(Pixels(placeholders.get()), 320, 0, 180), 20);
}

TEST_F(PreviewE2E, AStartPastTheChartsEndIsNoticed) {
  std::vector<std::string> args = Small((dir_ / "late").string());
  args.insert(args.end(), {"--start", "59:00"});
  RunResult r = Preview(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("the chart ends at 0:"), std::string::npos) << r.out;
}

TEST_F(PreviewE2E, SameInputGivesIdenticalFrames) {
  std::vector<std::string> args = {"-i", "pro-drums", "--start", "42.5", "-d", "hard"};
  std::vector<std::string> one = Small((dir_ / "one").string()), two = Small((dir_ / "two").string());
  one.insert(one.end(), args.begin(), args.end());
  two.insert(two.end(), args.begin(), args.end());
  ASSERT_EQ(Preview(one).status, 0);
  ASSERT_EQ(Preview(two).status, 0);
  for (int f = 1; f <= 5; ++f) {
    const std::string name = "frame_00000" + std::to_string(f) + ".png";
    auto a = LoadPng(dir_ / "one" / name), b = LoadPng(dir_ / "two" / name);
    ASSERT_TRUE(a && b) << name;
    EXPECT_EQ(Pixels(a.get()), Pixels(b.get())) << name;
  }
}

TEST_F(PreviewE2E, GridShowsFourDifficultiesSideBySide) {
  const fs::path out = dir_ / "grid";
  std::vector<std::string> args = {"--grid", "--size", "160x120", "--fps", "10", "--duration", "0.2",
                                   "--start", "14", "-o", out.string(), "--sheet", "8"};
  RunResult r = Preview(args);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Listing(out), (std::vector<std::string>{"contact_sheet.png", "frame_000001.png", "frame_000002.png"}));
  // The sheet has one thumbnail per panel, at the panel's own size: two moments of four panels.
  auto sheet = LoadPng(out / "contact_sheet.png");
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->PixelWidth(), 8 + 4 * (160 + 8));
  EXPECT_EQ(sheet->PixelHeight(), 8 + 2 * (120 + 12 + 8));
  auto frame = LoadPng(out / "frame_000002.png");
  ASSERT_TRUE(frame);
  // Four panels with a visible gap of one colour between them.
  const int gap = 6, width = 4 * 160 + 3 * gap;
  ASSERT_EQ(frame->PixelWidth(), width);
  ASSERT_EQ(frame->PixelHeight(), 120);
  // Each panel has its own difficulty, so the panels differ from one another.
  std::vector<uint32_t> px = Pixels(frame.get());
  auto panel = [&](int i) {
    std::vector<uint32_t> p;
    for (int y = 24; y < 120; ++y)
      p.insert(p.end(), px.begin() + y * width + i * (160 + gap), px.begin() + y * width + i * (160 + gap) + 160);
    return p;
  };
  for (int i = 0; i < 4; ++i)
    for (int j = i + 1; j < 4; ++j) EXPECT_NE(panel(i), panel(j)) << i << " vs " << j;
  for (int y = 0; y < 120; ++y)
    for (int x = 160; x < 160 + gap; ++x) ASSERT_EQ(px[y * width + x], px[0 * width + 160]) << x << "," << y;
  EXPECT_NE(px[60 * width + 160], px[60 * width + 159]);
}

TEST_F(PreviewE2E, BadOptionsAreRefusedBeforeAnythingIsWritten) {
  const fs::path out = dir_ / "bad";
  struct Case {
    std::vector<std::string> args;
    const char* what;
  };
  const Case cases[] = {
      {{"--difficulty", "insane"}, "insane"},
      {{"--start", "1:75"}, "1:75"},
      {{"--size", "10x10"}, "--size"},
      {{"--frobnicate"}, "--frobnicate"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", out.string()});
    RunResult r = Preview(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.what), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out)) << c.what;
  }
}

TEST_F(PreviewE2E, MissingOrBrokenInputsFailWithOneClearLine) {
  const fs::path out = dir_ / "out";
  const fs::path garbage = dir_ / "garbage.mid";
  std::ofstream(garbage) << "this is not a MIDI file at all";
  const fs::path truncated = dir_ / "truncated.mid";
  {
    std::ifstream in(kDemo, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 100u);
    std::ofstream(truncated, std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  }
  struct Case {
    std::vector<std::string> args;
    std::string what;
  };
  const Case cases[] = {
      {{(dir_ / "nope.mid").string()}, "nope.mid"},
      {{garbage.string()}, "garbage.mid"},
      {{truncated.string()}, "truncated.mid"},
      {{"--track", "PART TUBA"}, "PART TUBA"},
      {{"--plugin", (dir_ / "missing.so").string()}, "missing.so"},
      {{"--plugin", garbage.string()}, "garbage.mid"},
      {{"--audio", (dir_ / "nope.ogg").string()}, "nope.ogg"},
      {{"--audio-dir", dir_.string()}, "no audio in"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = Small(out.string());
    args.insert(args.end(), c.args.begin(), c.args.end());
    RunResult r = Preview(args);
    SCOPED_TRACE(c.what);
    ExpectCleanFailure(r, c.what, out);
  }
}

TEST_F(PreviewE2E, AnUnwritableOutputFolderIsNamed) {
  const fs::path file = dir_ / "occupied";
  std::ofstream(file) << "x";
  RunResult r = Preview(Small(file.string()));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("occupied"), std::string::npos) << r.err;
  EXPECT_EQ(Slurp(file), "x");
  r = Preview(Small((file / "below").string()));
  EXPECT_NE(r.status, 0);
  EXPECT_NE(r.err.find("cannot write to output folder"), std::string::npos) << r.err;
}

TEST_F(PreviewE2E, AFullDiskIsSaidSoNamingTheOutputFolder) {
  const fs::path disk = dir_ / "small disk";
  fs::create_directories(disk);
  const std::string mount = "mount -t tmpfs -o size=96k tmpfs " + Quote(disk.string()) + " 2>/dev/null";
  if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
  const fs::path out = disk / "render";
  std::vector<std::string> args = Small(out.string());
  args.push_back("--frames");
  RunResult r = Preview(args);
  std::system(("umount " + Quote(disk.string())).c_str());
  EXPECT_NE(r.err.find("no space left on device"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(out.string()), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(".qlv-preview-partial"), std::string::npos) << "the staging folder is ours, not the user's";
  ExpectCleanFailure(r, "render", disk);
}

TEST_F(PreviewE2E, ARerunReplacesEarlierResults) {
  const fs::path out = dir_ / "again";
  std::vector<std::string> longer = Small(out.string());
  longer.insert(longer.end(), {"--duration", "0.8"});
  ASSERT_EQ(Preview(longer).status, 0);
  ASSERT_TRUE(fs::exists(out / "frame_000008.png"));
  ASSERT_EQ(Preview(Small(out.string())).status, 0);
  EXPECT_FALSE(fs::exists(out / "frame_000008.png")) << "a shorter render must not keep old frames";
  EXPECT_TRUE(fs::exists(out / "frame_000005.png"));
}

// The editor's control strip shows the settings the plug-in took: the time offset (from the
// INI file written before loading) and the threshold (from the settings chunk).
TEST_F(PreviewE2E, OffsetAndThresholdReachThePluginThroughItsOwnInterfaces) {
  auto strip = [&](const std::string& name, std::vector<std::string> extra) {
    std::vector<std::string> args = {"--size", "400x120", "--fps", "10", "--duration", "0.1", "--sheet", "0",
                                     "-o", (dir_ / name).string()};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(Preview(args).status, 0) << name;
    auto png = LoadPng(dir_ / name / "frame_000001.png");
    std::vector<uint32_t> out;
    if (!png) return out;
    std::vector<uint32_t> px = Pixels(png.get());
    // TIME OFFS value box (154..226) and HOPO THRESH value box (234..322), rows 12..21.
    for (int y = 12; y < 22; ++y) out.insert(out.end(), px.begin() + y * 400 + 154, px.begin() + y * 400 + 323);
    return out;
  };
  const auto plain = strip("plain", {});
  const auto again = strip("again", {});
  const auto offset = strip("offset", {"--offset", "-250"});
  const auto hopo = strip("hopo", {"--hopo", "240"});
  ASSERT_FALSE(plain.empty());
  EXPECT_EQ(plain, again);
  EXPECT_NE(plain, offset);
  EXPECT_NE(plain, hopo);
  EXPECT_NE(offset, hopo);
}

// A stand-in encoder on PATH: shows exactly what the previewer pipes to ffmpeg.
void WriteScript(const fs::path& p, const std::string& body) {
  std::ofstream(p) << "#!/bin/sh\n" << body;
  fs::permissions(p, fs::perms::owner_all);
}

TEST_F(PreviewE2E, FramesArePipedToTheEncoderAsRawPictures) {
  const fs::path bin = dir_ / "bin";
  fs::create_directories(bin);
  // Keeps the raw stream under the output name ffmpeg is given (its last argument).
  WriteScript(bin / "ffmpeg", "for last; do :; done\ncat > \"$last\"\n");
  const fs::path out = dir_ / "video";
  std::vector<std::string> args = Small(out.string());
  args.push_back("--frames");
  RunResult r = Preview(args, bin.string() + ":/usr/bin:/bin");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("apt-get"), std::string::npos) << r.out;
  std::ifstream in(out / "preview.mp4", std::ios::binary);
  std::vector<char> raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(raw.size(), 320u * 180u * 4u * 5u) << "five whole frames, nothing more";
  // Each frame in the stream is the PNG of its number, byte for byte (blue, green, red, alpha):
  // the frames are kept on other threads than the painter's, in order.
  for (int f = 1; f <= 5; ++f) {
    auto png = LoadPng(out / ("frame_00000" + std::to_string(f) + ".png"));
    ASSERT_TRUE(png) << f;
    std::vector<uint32_t> px = Pixels(png.get());
    EXPECT_EQ(std::memcmp(raw.data() + (f - 1) * 320 * 180 * 4, px.data(), px.size() * 4), 0) << f;
  }
}

TEST_F(PreviewE2E, AFailingEncoderFailsTheRenderAndLeavesNothing) {
  const fs::path bin = dir_ / "bin";
  fs::create_directories(bin);
  WriteScript(bin / "ffmpeg", "cat > /dev/null\nexit 3\n");
  const fs::path out = dir_ / "video";
  RunResult r = Preview(Small(out.string()), bin.string() + ":/usr/bin:/bin");
  ExpectCleanFailure(r, "ffmpeg", out);
}

// An encoder gone before the first frame: the painter must not wait for it (the test is run
// with a time limit, so a hang fails it).
TEST_F(PreviewE2E, AnEncoderThatQuitsAtOnceStopsTheRenderPromptly) {
  const fs::path bin = dir_ / "bin";
  fs::create_directories(bin);
  WriteScript(bin / "ffmpeg", "exit 3\n");
  const fs::path out = dir_ / "video";
  RunResult r = Preview({"--size", "320x180", "--fps", "30", "--duration", "120", "--frames", "-o", out.string()},
                        bin.string() + ":/usr/bin:/bin", "timeout 60 ");
  EXPECT_NE(r.status, 124) << "still running after a minute";
  ExpectCleanFailure(r, "ffmpeg", out);
}

TEST_F(PreviewE2E, AnInterruptedRenderLeavesNothingAndOnlyOneLine) {
  const fs::path out = dir_ / "stopped";
  const fs::path err = dir_ / "stderr.txt";
  const fs::path bin = dir_ / "bin";
  fs::create_directories(bin);
  // An encoder that complains when Ctrl-C reaches it, as ffmpeg does.
  WriteScript(bin / "ffmpeg", "trap 'echo encoder interrupted >&2; exit 1' INT\ncat > /dev/null\n");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setpgid(0, 0);  // the terminal's foreground group: Ctrl-C goes to all of it
    FILE* e = std::freopen(err.string().c_str(), "w", stderr);
    (void)e;
    setenv("PATH", (bin.string() + ":/usr/bin:/bin").c_str(), 1);
    execl(kProgram.c_str(), kProgram.c_str(), "--size", "160x90", "--fps", "30", "--duration", "60", "-o",
          out.string().c_str(), "--frames", "-q", static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(child, child);
  // Wait until frames are being written into the hidden staging folder, then interrupt.
  bool started = false;
  for (int i = 0; i < 600 && !started; ++i) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(out, ec), end; !ec && it != end; it.increment(ec))
      started |= it->path().filename().string().rfind("frame_", 0) == 0;
    if (!started) usleep(50 * 1000);
  }
  kill(-child, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(started);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  usleep(200 * 1000);  // an encoder that outlived the program would still write now
  const std::string said = Slurp(err);
  EXPECT_NE(said.find("interrupted"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
  for (const std::string& name : Listing(out)) ADD_FAILURE() << "left behind: " << name;
}

TEST_F(PreviewE2E, HelpExplainsTheFirstSteps) {
  RunResult r = Preview({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Usage:"), std::string::npos);
  EXPECT_NE(r.out.find("--instrument"), std::string::npos);
  EXPECT_TRUE(r.err.empty());
}

}  // namespace

// Every frame_NNNNNN.png of a folder, in order.
std::vector<std::vector<uint32_t>> Frames(const fs::path& folder) {
  std::vector<std::vector<uint32_t>> frames;
  for (int f = 1;; ++f) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06d.png", f);
    auto png = LoadPng(folder / name);
    if (!png) break;
    frames.push_back(Pixels(png.get()));
  }
  return frames;
}

// Guitar gems from 0.6 s to 2.4 s at 120 per minute, a star power phrase over half of them.
ChartBuilder GuitarChart(const std::string& track, int star_pitch) {
  ChartBuilder b(480, track);
  b.Tempo(0, 120.0);
  for (int i = 0; i < 12; ++i) b.Note(576 + i * 144, 96 + i % 5, i % 4 == 0 ? 300 : 60);
  b.Note(1200, star_pitch, 900);
  return b;
}

TEST_F(PreviewE2E, ChartFilesShowExactlyWhatTheSameChartAsMidiShows) {
  std::string error;
  auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  };
  const std::string chart = write("sample.chart", chart_text_sample::CHART);
  const std::string five = write("five.chart", chart_text_sample::FIVE_LANE_CHART);
  ASSERT_TRUE(chart_text_sample::Guitar().WriteFile((dir_ / "guitar.mid").string(), &error)) << error;
  ASSERT_TRUE(chart_text_sample::Drums().WriteFile((dir_ / "drums.mid").string(), &error)) << error;
  ASSERT_TRUE(chart_text_sample::FiveLaneDrums().WriteFile((dir_ / "five.mid").string(), &error)) << error;
  struct Case {
    std::string text, midi, instrument;
  };
  for (const Case& c : {Case{chart, "guitar.mid", "guitar"}, Case{chart, "drums.mid", "pro-drums"},
                        Case{five, "five.mid", "pro-drums"}}) {
    SCOPED_TRACE(c.midi);
    const std::vector<std::string> common = {"--size", "320x180", "--fps", "5", "--duration", "2.2", "--start", "0.2",
                                             "--sheet", "0", "-i", c.instrument};
    std::vector<std::string> a = common, b = common;
    a.insert(a.end(), {c.text, "-o", (dir_ / "from_chart").string()});
    b.insert(b.end(), {(dir_ / c.midi).string(), "-o", (dir_ / "from_midi").string()});
    ASSERT_EQ(Preview(a).status, 0);
    ASSERT_EQ(Preview(b).status, 0);
    const auto from_chart = Frames(dir_ / "from_chart"), from_midi = Frames(dir_ / "from_midi");
    ASSERT_EQ(from_chart.size(), 11u);
    EXPECT_TRUE(from_chart == from_midi);
    int lit = 0;
    for (const auto& frame : from_chart) lit = std::max(lit, SaturatedPixels(frame, 320, 30, 180));
    EXPECT_GT(lit, 100) << "gems on the highway";
  }
}

TEST_F(PreviewE2E, AnyTrackOfAnyMidiFileCanBeShown) {
  std::string error;
  const std::string reference = (dir_ / "reference.mid").string();
  ASSERT_TRUE(GuitarChart("PART GUITAR", 116).WriteFile(reference, &error)) << error;
  // Format 0: tempo and notes in one unnamed track.
  SmfFile single = GuitarChart("", 116).ToSmf();
  single.format = 0;
  SmfTrack merged = single.tracks[0];
  for (size_t i = 1; i < single.tracks[1].events.size(); ++i) merged.events.push_back(single.tracks[1].events[i]);
  std::stable_sort(merged.events.begin(), merged.events.end(),
                   [](const SmfEvent& a, const SmfEvent& b) { return a.tick < b.tick; });
  merged.events.erase(merged.events.begin());  // no name
  single.tracks = {merged};
  const std::string format0 = (dir_ / "format0.mid").string();
  ASSERT_TRUE(WriteSmfFile(single, format0, &error)) << error;
  // An older game's file: "T1 GEMS", star power on note 103.
  const std::string old = (dir_ / "old.mid").string();
  ASSERT_TRUE(GuitarChart("T1 GEMS", 103).WriteFile(old, &error)) << error;

  auto render = [&](std::vector<std::string> args, RunResult* result = nullptr) {
    const fs::path out = dir_ / "out";
    std::vector<std::string> all = Small(out.string());
    all.insert(all.end(), {"--duration", "1.5", "--fps", "4", "--start", "0.5"});
    all.insert(all.end(), args.begin(), args.end());
    RunResult r = Preview(all);
    EXPECT_EQ(r.status, 0) << r.err;
    if (result) *result = r;
    return Frames(out);
  };
  const auto expected = render({reference});
  ASSERT_EQ(expected.size(), 6u);
  EXPECT_TRUE(render({format0}) == expected) << "format 0, unnamed track";
  RunResult r;
  EXPECT_TRUE(render({old}, &r) == expected) << "found by its usual name, 103 shown as 116";
  EXPECT_NE(r.err.find("note 103"), std::string::npos) << r.err;
  EXPECT_TRUE(render({old, "-t", "2"}) == expected);
  EXPECT_TRUE(render({old, "-t", "T1 GEMS"}) == expected);
  EXPECT_FALSE(render({old, "-t", "#2", "--no-compat"}) == expected) << "without star power";

  r = Preview({old, "-t", "PART TUBA", "-o", (dir_ / "none").string()});
  ExpectCleanFailure(r, "tracks: 1 \"TEMPO\" (0 notes), 2 \"T1 GEMS\" (13 notes)", dir_ / "none");
}

TEST_F(PreviewE2E, ASongFolderShowsItsChartWithTheNamesOfItsSongIni) {
  std::string error;
  const fs::path song = dir_ / "Band - Tune";
  fs::create_directories(song);
  ASSERT_TRUE(GuitarChart("PART GUITAR", 116).WriteFile((song / "notes.mid").string(), &error)) << error;
  ASSERT_TRUE(GuitarChart("PART GUITAR", 116).WriteFile((dir_ / "plain.mid").string(), &error)) << error;
  std::ofstream(song / "song.ini") << "[Song]\nname = Tune\nartist = Band\ndelay = 500\nthis is not a key\n";
  const std::vector<std::string> common = {"--size", "320x180", "--fps", "4", "--duration", "1.5", "--start", "1"};
  std::vector<std::string> a = common, b = common;
  a.insert(a.end(), {song.string(), "-o", (dir_ / "folder").string(), "--verbose"});
  b.insert(b.end(), {(dir_ / "plain.mid").string(), "-o", (dir_ / "plain").string()});
  const RunResult r = Preview(a);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(Preview(b).status, 0);
  // The delay moves the audio against the chart, not the picture against the chart's time.
  EXPECT_TRUE(Frames(dir_ / "folder") == Frames(dir_ / "plain"));
  EXPECT_NE(r.out.find("of \"Band - Tune\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("song.ini:4: delay = 500"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("song.ini:5: not a \"key = value\" line"), std::string::npos) << r.err;
  // The caption above the thumbnails makes the sheet taller than the plain one.
  auto with = LoadPng(dir_ / "folder" / "contact_sheet.png"), without = LoadPng(dir_ / "plain" / "contact_sheet.png");
  ASSERT_TRUE(with && without);
  EXPECT_GT(with->PixelHeight(), without->PixelHeight());
}
