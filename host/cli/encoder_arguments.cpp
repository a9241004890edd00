// The encoder's command line, the same on every system.
#include <cstdio>

#include "host/cli/sound_mix.h"
#include "host/cli/video_pipe.h"

namespace qlv::cli {
namespace {

constexpr int kSoundRate = 48000;

std::string Number(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::vector<std::string> EncoderArguments(const std::string& ffmpeg, const std::string& path, int width, int height,
                                          double fps, const Soundtrack& sound, VideoQuality quality) {
  char size[32];
  std::snprintf(size, sizeof size, "%dx%d", width, height);
  std::vector<std::string> args = {ffmpeg,     "-nostdin", "-loglevel", "error", "-y", "-f", "rawvideo",
                                   "-pix_fmt", "bgra",     "-s",        size,    "-r", Number("%.6g", fps),
                                   "-i",       "-"};
  const SoundMix mix = MixSound(sound.inputs, 1, kSoundRate);
  const size_t count = sound.inputs.size();
  if (count > 0) {
    args.insert(args.end(), mix.input_args.begin(), mix.input_args.end());
    const std::string graph = mix.graph + ",apad,atrim=end=" + Number("%.6f", sound.duration_seconds) + "[mix]";
    args.insert(args.end(), {"-filter_complex", graph, "-map", "0:v", "-map", "[mix]"});
  }
  // H.264 with yuv420p needs even sizes; the filter pads an odd edge by one pixel.
  // Both settings encode at a constant quality (CRF), so the picture does not depend on how
  // busy the chart is.
  //   fast (the default, for looking at a render straight away): CRF 23, the encoder's own
  //     default quality, with the "veryfast" preset, which measured 1.8-1.9 times less CPU than
  //     the default preset for about 9 % more bytes on our frames; encoding is most of a
  //     preview's time, so this is what makes it quick.
  //   high (a video to share): CRF 18, close to transparent for flat-coloured graphics like the
  //     highway's, with the "slow" preset, which spends the time to keep the file small at that
  //     quality.
  const bool high = quality == VideoQuality::kHigh;
  args.insert(args.end(), {"-vf", "pad=ceil(iw/2)*2:ceil(ih/2)*2", "-c:v", "libx264", "-preset",
                           high ? "slow" : "veryfast", "-crf", high ? "18" : "23", "-pix_fmt", "yuv420p"});
  if (count > 0) args.insert(args.end(), {"-c:a", "aac", "-b:a", "192k"});
  args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4", path});
  return args;
}

}  // namespace qlv::cli
