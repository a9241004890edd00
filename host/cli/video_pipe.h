#pragma once
// Sends frames to an ffmpeg process through a pipe to make an MP4 (H.264, yuv420p), without
// writing intermediate files.
//
// Main thread only. Not copyable.
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qlv::cli {

// Full path of `program` on PATH, or empty when it is not there.
std::string FindOnPath(const std::string& program);

// The command line (program first) that makes `ffmpeg` encode width × height BGRA frames at
// `fps` from its standard input into the MP4 file `path`.
std::vector<std::string> EncoderArguments(const std::string& ffmpeg, const std::string& path, int width, int height,
                                          double fps);

class VideoPipe {
 public:
  VideoPipe() = default;
  ~VideoPipe();  // kills and reaps a process still running (an abandoned render)
  VideoPipe(const VideoPipe&) = delete;
  VideoPipe& operator=(const VideoPipe&) = delete;

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
};

}  // namespace qlv::cli
