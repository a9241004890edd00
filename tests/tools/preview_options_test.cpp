#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/cli/preview_options.h"
#include "host/cli/video_pipe.h"

namespace qlv::cli {
namespace {

ParseResult Parse(std::vector<std::string> args, PreviewOptions* out, std::string* error) {
  std::vector<const char*> argv = {"qlv-preview"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  return ParseOptions(static_cast<int>(argv.size()), argv.data(), out, error);
}

TEST(ParseTime, AcceptsSecondsAndClockForms) {
  double s = -1;
  EXPECT_TRUE(ParseTime("90", &s));
  EXPECT_DOUBLE_EQ(s, 90.0);
  EXPECT_TRUE(ParseTime("12.5", &s));
  EXPECT_DOUBLE_EQ(s, 12.5);
  EXPECT_TRUE(ParseTime("1:30", &s));
  EXPECT_DOUBLE_EQ(s, 90.0);
  EXPECT_TRUE(ParseTime("0:02.25", &s));
  EXPECT_DOUBLE_EQ(s, 2.25);
  EXPECT_TRUE(ParseTime("1:00:05", &s));
  EXPECT_DOUBLE_EQ(s, 3605.0);
}

TEST(ParseTime, RejectsMalformedNegativeAndHugeValues) {
  double s = 7.0;
  for (const char* bad : {"", "-1", "1:", ":30", "1:60", "1.5:00", "abc", "1e3", "1:2:3:4", " 5", "nan", "inf",
                          "25:00:00", "0x10", "1..2"}) {
    EXPECT_FALSE(ParseTime(bad, &s)) << bad;
  }
  EXPECT_DOUBLE_EQ(s, 7.0) << "a rejected value must leave the output alone";
}

TEST(ParseSize, AcceptsWidthByHeightWithinLimits) {
  int w = 0, h = 0;
  EXPECT_TRUE(ParseSize("1280x720", &w, &h));
  EXPECT_EQ(w, 1280);
  EXPECT_EQ(h, 720);
  EXPECT_TRUE(ParseSize("640X480", &w, &h));
  EXPECT_EQ(h, 480);
  for (const char* bad : {"1280", "x720", "1280x", "15x100", "100x9000", "-5x100", "12a0x720", "1280x720x3"}) {
    EXPECT_FALSE(ParseSize(bad, &w, &h)) << bad;
  }
}

TEST(ParseOptions, DefaultsFollowTheInstrument) {
  PreviewOptions o;
  std::string error;
  ASSERT_EQ(Parse({}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.track, "PART GUITAR");
  EXPECT_EQ(o.mode, Mode::kGuitarBass);
  EXPECT_EQ(o.difficulty, 3);
  EXPECT_TRUE(o.chart.empty());

  ASSERT_EQ(Parse({"-i", "pro-drums"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.track, "PART DRUMS");
  EXPECT_EQ(o.mode, Mode::kProDrums);
  ASSERT_EQ(Parse({"--instrument=drums"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.mode, Mode::kDrums);
  ASSERT_EQ(Parse({"-i", "KEYS"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.track, "PART KEYS");
  EXPECT_EQ(o.mode, Mode::kKeys);
  ASSERT_EQ(Parse({"-i", "bass"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.track, "PART BASS");
  EXPECT_EQ(o.mode, Mode::kGuitarBass);
  // An explicit track wins wherever it stands.
  ASSERT_EQ(Parse({"--track", "PART RHYTHM", "-i", "bass"}, &o, &error), ParseResult::kRun);
  EXPECT_EQ(o.track, "PART RHYTHM");
  EXPECT_TRUE(o.track_given);
}

TEST(ParseOptions, WhatSongIniMaySettleIsKnownToBeOpen) {
  PreviewOptions o;
  std::string error;
  ASSERT_EQ(Parse({"-i", "drums"}, &o, &error), ParseResult::kRun);
  EXPECT_FALSE(o.drum_kind_given || o.hopo_given || o.track_given || o.verbose);
  EXPECT_TRUE(o.compat);
  for (const char* kind : {"pro-drums", "drums-std", "std-drums"}) {
    ASSERT_EQ(Parse({"-i", kind}, &o, &error), ParseResult::kRun);
    EXPECT_TRUE(o.drum_kind_given) << kind;
  }
  ASSERT_EQ(Parse({"--hopo", "170", "-t", "#2", "--no-compat", "-v"}, &o, &error), ParseResult::kRun);
  EXPECT_TRUE(o.hopo_given && o.track_given && o.verbose && !o.compat);
  EXPECT_EQ(o.track, "#2");
  EXPECT_EQ(Parse({"--no-compat=1"}, &o, &error), ParseResult::kError);
}

TEST(ParseOptions, ReadsEveryValue) {
  PreviewOptions o;
  std::string error;
  ASSERT_EQ(Parse({"song.mid", "-d", "hard", "--hopo", "240", "--offset", "-12", "--start", "1:05", "--duration",
                   "2.5", "--size", "640x360", "--fps", "60", "--sample-rate", "48000", "--block-size", "256",
                   "-o", "outdir", "--plugin", "/x/p.so", "--grid", "--no-frames", "--no-video", "--sheet", "6",
                   "-q", "--png-level", "9", "--quality", "high"},
                  &o, &error),
            ParseResult::kRun)
      << error;
  EXPECT_EQ(o.chart, "song.mid");
  EXPECT_EQ(o.difficulty, 2);
  EXPECT_EQ(o.hopo_threshold, 240);
  EXPECT_EQ(o.time_offset_ms, -12);
  EXPECT_DOUBLE_EQ(o.start_seconds, 65.0);
  EXPECT_DOUBLE_EQ(o.duration_seconds, 2.5);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 360);
  EXPECT_DOUBLE_EQ(o.fps, 60.0);
  EXPECT_DOUBLE_EQ(o.sample_rate, 48000.0);
  EXPECT_EQ(o.block_size, 256);
  EXPECT_EQ(o.output, "outdir");
  EXPECT_EQ(o.plugin, "/x/p.so");
  EXPECT_TRUE(o.grid);
  EXPECT_FALSE(o.frames);
  EXPECT_FALSE(o.video);
  EXPECT_EQ(o.sheet_frames, 6);
  EXPECT_TRUE(o.quiet);
  EXPECT_EQ(o.png_level, 9);
  EXPECT_EQ(o.quality, VideoQuality::kHigh);
  // Sound: --audio repeats, the rest once; frames only when asked for.
  PreviewOptions sound;
  EXPECT_FALSE(sound.frames);
  ASSERT_EQ(Parse({"-a", "a.ogg", "--audio=b.opus", "--audio-dir", "song", "--delay", "-250", "--click", "--frames"},
                  &sound, &error),
            ParseResult::kRun)
      << error;
  EXPECT_EQ(sound.audio, (std::vector<std::string>{"a.ogg", "b.opus"}));
  EXPECT_EQ(sound.audio_dir, "song");
  EXPECT_EQ(sound.audio_delay_ms, -250);
  EXPECT_TRUE(sound.click);
  EXPECT_TRUE(sound.frames);
}

TEST(ParseOptions, BadInputGivesOneLineNamingTheProblem) {
  struct Case {
    std::vector<std::string> args;
    const char* mentions;
  };
  const Case cases[] = {
      {{"--bogus"}, "--bogus"},
      {{"--difficulty", "insane"}, "insane"},
      {{"-i", "tuba"}, "tuba"},
      {{"--hopo", "70000"}, "--hopo"},
      {{"--hopo", "12x"}, "12x"},
      {{"--duration", "0"}, "--duration"},
      {{"--duration", "2:00:00"}, "--duration"},
      {{"--start", "-3"}, "-3"},
      {{"--fps", "0"}, "--fps"},
      {{"--fps", "nan"}, "--fps"},
      {{"--sample-rate", "100"}, "--sample-rate"},
      {{"--block-size", "7"}, "--block-size"},
      {{"--size", "big"}, "big"},
      {{"--offset"}, "needs a value"},
      {{"--grid=yes"}, "takes no value"},
      {{"a.mid", "b.mid"}, "b.mid"},
      {{"--out", ""}, "--out"},
      {{"--png-level", "10"}, "--png-level"},
      {{"--quality", "best"}, "best"},
      {{"--audio", ""}, "--audio"},
      {{"--delay", "soon"}, "soon"},
      {{"--click=1"}, "takes no value"},
  };
  for (const Case& c : cases) {
    PreviewOptions o;
    std::string error;
    EXPECT_EQ(Parse(c.args, &o, &error), ParseResult::kError) << c.args[0];
    EXPECT_NE(error.find(c.mentions), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(ParseOptions, HelpWinsAndDescribesTheOptions) {
  PreviewOptions o;
  std::string error;
  EXPECT_EQ(Parse({"--fps", "30", "--help"}, &o, &error), ParseResult::kHelp);
  EXPECT_EQ(Parse({"-h"}, &o, &error), ParseResult::kHelp);
  const std::string help = HelpText();
  for (const char* option : {"--chart", "--instrument", "--track", "--difficulty", "--hopo", "--offset", "--start",
                             "--duration", "--size", "--fps", "--sample-rate", "--block-size", "--out", "--plugin",
                             "--grid", "--play", "--settings"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  // One --audio, for the render and the live window alike.
  EXPECT_EQ(help.find("--audio FILE"), help.rfind("--audio FILE"));
}

// The quality reaches the encoder: a fast preset by default, a slower one at a higher quality
// for sharing, and the output file stays the last argument.
TEST(EncoderArguments, QualityChoosesPresetAndConstantQuality) {
  auto after = [](const std::vector<std::string>& args, const std::string& option) {
    for (size_t i = 0; i + 1 < args.size(); ++i)
      if (args[i] == option) return args[i + 1];
    return std::string();
  };
  const auto fast = EncoderArguments("ffmpeg", "out.mp4", 640, 360, 30.0, {}, PreviewOptions().quality);
  const auto high = EncoderArguments("ffmpeg", "out.mp4", 640, 360, 30.0, {}, VideoQuality::kHigh);
  EXPECT_EQ(after(fast, "-preset"), "veryfast");
  EXPECT_EQ(after(fast, "-crf"), "23");
  EXPECT_EQ(after(high, "-preset"), "slow");
  EXPECT_EQ(after(high, "-crf"), "18");
  EXPECT_EQ(fast.back(), "out.mp4");
  EXPECT_EQ(high.back(), "out.mp4");
}

TEST(FrameCount, CoversTheDurationWithoutAnExtraFrame) {
  EXPECT_EQ(FrameCount(10.0, 30.0), 300);
  EXPECT_EQ(FrameCount(0.5, 10.0), 5);
  EXPECT_EQ(FrameCount(0.51, 10.0), 6);
  EXPECT_EQ(FrameCount(0.01, 30.0), 1);
  EXPECT_EQ(FrameCount(1.0 / 3.0, 30.0), 10);
}

}  // namespace
}  // namespace qlv::cli
