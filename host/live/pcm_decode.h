#pragma once
// A song's audio as plain samples: ffmpeg (found on PATH) decodes any file it knows into
// interleaved 16-bit stereo at the host's sample rate, read whole into memory.
//
// Main thread; blocks until ffmpeg has finished.
#include <cstdint>
#include <string>
#include <vector>

namespace qlv::live {

// Two channels per frame, left first. False with a one-line *error naming the file and the
// problem (ffmpeg missing, the file unreadable, nothing decoded); *out is then empty.
bool DecodePcm(const std::string& path, int sample_rate, std::vector<int16_t>* out, std::string* error);

}  // namespace qlv::live
