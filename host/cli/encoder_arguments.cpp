// The encoder's command line, the same on every system.
#include <cstdio>

#include "host/cli/video_pipe.h"

namespace qlv::cli {

std::vector<std::string> EncoderArguments(const std::string& ffmpeg, const std::string& path, int width, int height,
                                          double fps) {
  char size[32], rate[32];
  std::snprintf(size, sizeof size, "%dx%d", width, height);
  std::snprintf(rate, sizeof rate, "%.6g", fps);
  // H.264 with yuv420p needs even sizes; the filter pads an odd edge by one pixel.
  return {ffmpeg,    "-nostdin", "-loglevel", "error",   "-y",        "-f",
          "rawvideo", "-pix_fmt", "bgra",     "-s",      size,        "-r",
          rate,      "-i",       "-",         "-vf",     "pad=ceil(iw/2)*2:ceil(ih/2)*2",
          "-c:v",    "libx264",  "-pix_fmt",  "yuv420p", "-movflags", "+faststart",
          "-f",      "mp4",      path};
}

}  // namespace qlv::cli
