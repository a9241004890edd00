#pragma once
// A song's audio as plain samples: ffmpeg (found on PATH) decodes and mixes its files as the
// render does (host/cli/sound_mix.h) into interleaved 16-bit stereo at the host's sample rate,
// read whole into memory.
//
// Main thread; blocks until ffmpeg has finished.
#include <cstdint>
#include <string>
#include <vector>

#include "host/cli/sound_mix.h"

namespace qlv::live {

// Two channels per frame, left first; sample 0 is where every input starts (its seek). False with
// a one-line *error naming the files and the problem (ffmpeg missing, a file unreadable, nothing
// decoded); *out is then empty.
bool DecodePcm(const std::vector<cli::SoundInput>& inputs, int sample_rate, std::vector<int16_t>* out,
               std::string* error);

}  // namespace qlv::live
