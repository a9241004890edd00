#include "host/cli/sound_mix.h"

#include <cstdio>

namespace qlv::cli {
namespace {

std::string Number(const char* format, double value) {
  char text[48];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

SoundMix MixSound(const std::vector<SoundInput>& inputs, size_t first_input, int sample_rate) {
  SoundMix mix;
  const size_t count = inputs.size();
  if (count == 0) return mix;
  for (size_t i = 0; i < count; ++i) {
    const SoundInput& input = inputs[i];
    if (input.seek_seconds > 0.0) mix.input_args.insert(mix.input_args.end(), {"-ss", Number("%.6f", input.seek_seconds)});
    mix.input_args.insert(mix.input_args.end(), {"-i", input.path});
    // Every input in one format, so that mixing them is plain addition.
    mix.graph += "[" + std::to_string(first_input + i) + ":a]aresample=" + std::to_string(sample_rate) +
                 ",aformat=sample_fmts=fltp:channel_layouts=stereo";
    if (input.seek_seconds < 0.0)
      mix.graph += ",adelay=delays=" + Number("%.3f", -input.seek_seconds * 1000.0) + ":all=1";
    mix.graph += "[s" + std::to_string(i) + "];";
  }
  for (size_t i = 0; i < count; ++i) mix.graph += "[s" + std::to_string(i) + "]";
  // amix scales every input by 1/count: equal gain, and a sum of full-scale inputs stays in range.
  mix.graph += "amix=inputs=" + std::to_string(count) + ":duration=longest:dropout_transition=0:normalize=1";
  return mix;
}

}  // namespace qlv::cli
