#pragma once
// How ffmpeg mixes a song's audio files: the input arguments and the filter graph that brings
// every file to one format and mixes them at equal gain, scaled so that their sum cannot clip.
// The render's encoder and the live window's decoder both use it, so they sound the same.
//
// Plain values and functions; any thread.
#include <cstddef>
#include <string>
#include <vector>

namespace qlv::cli {

// One file of the mix, read from `seek_seconds` into it (a negative seek starts it that much
// later instead, with silence before it).
struct SoundInput {
  std::string path;
  double seek_seconds = 0.0;
};

struct SoundMix {
  std::vector<std::string> input_args;  // "-ss S -i FILE" for each input, in order
  // The graph up to the mixed stream, without an output label: the caller appends its own
  // filters and label. Empty when there are no inputs.
  std::string graph;
};

// The mix of `inputs` at `sample_rate`, stereo; inputs[0] is ffmpeg's input number `first_input`.
SoundMix MixSound(const std::vector<SoundInput>& inputs, size_t first_input, int sample_rate);

}  // namespace qlv::cli
