#pragma once
// Sends frames to an ffmpeg process through a pipe to make an MP4 (H.264, yuv420p), without
// writing intermediate files.
//
// One thread at a time (frames may be written from another thread than the one that opened the
// pipe, as long as calls do not overlap). Not copyable.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/cli/preview_options.h"
#include "host/cli/sound_mix.h"

namespace qlv::cli {

// Sound for the video: the inputs mixed as sound_mix.h says, the mix cut or padded to
// `duration_seconds`.
struct Soundtrack {
  std::vector<SoundInput> inputs;  // none: a silent video without an audio stream
  double duration_seconds = 0.0;
};

// Full path of `program` on PATH, or empty when it is not there.
std::string FindOnPath(const std::string& program);

// The command line (program first) that makes `ffmpeg` encode width × height BGRA frames at
// `fps` from its standard input into the MP4 file `path`, with `sound` decoded, mixed and muxed,
// and the picture encoded with the settings of `quality`.
std::vector<std::string> EncoderArguments(const std::string& ffmpeg, const std::string& path, int width, int height,
                                          double fps, const Soundtrack& sound = {},
                                          VideoQuality quality = VideoQuality::kFast);

class VideoPipe {
 public:
  VideoPipe() = default;
  ~VideoPipe();  // kills and reaps a process still running (an abandoned render)
  VideoPipe(const VideoPipe&) = delete;
  VideoPipe& operator=(const VideoPipe&) = delete;

  // Sound for the next Open.
  void SetSound(const Soundtrack& sound) { sound_ = sound; }
  // Encoder settings for the next Open.
  void SetQuality(VideoQuality quality) { quality_ = quality; }
  // Starts `ffmpeg` writing `path` from width × height BGRA frames at `fps`. False with *error.
  bool Open(const std::string& ffmpeg, const std::string& path, int width, int height, double fps,
            std::string* error);
  // One frame of width × height words (0xAARRGGBB, rows top first). False with *error when the
  // encoder has gone away.
  bool Write(const uint32_t* pixels, std::string* error);
  // Ends the stream and waits for ffmpeg; false with *error when it did not succeed.
  bool Close(std::string* error);

 private:
  void Abandon();

  pid_t pid_ = -1;
  int fd_ = -1;
#if defined(_WIN32)
  void* process_ = nullptr;  // the encoder's process handle, held until it has been waited for
#endif
  size_t frame_bytes_ = 0;
  std::string path_;
  Soundtrack sound_;
  VideoQuality quality_ = VideoQuality::kFast;
};

}  // namespace qlv::cli
