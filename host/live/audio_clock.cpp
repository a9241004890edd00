#include "host/live/audio_clock.h"

#include <algorithm>
#include <cstring>

namespace qlv::live {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kChannels = 2;
constexpr Uint16 kDeviceBufferFrames = 1024;

}  // namespace

AudioClock::AudioClock(int sample_rate) : sample_rate_(sample_rate) { steady_time_ = Clock::now(); }

AudioClock::~AudioClock() {
  if (device_ != 0) SDL_CloseAudioDevice(device_);
}

bool AudioClock::OpenDevice(std::vector<int16_t> pcm, std::string* error) {
  SDL_AudioSpec wanted{};
  wanted.freq = sample_rate_;
  wanted.format = AUDIO_S16LSB;
  wanted.channels = kChannels;
  wanted.samples = kDeviceBufferFrames;
  wanted.callback = &AudioClock::Callback;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  // No changes allowed: SDL converts whatever the device wants, so positions stay in song samples.
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  if (device == 0) {
    *error = SDL_GetError();
    if (error->empty()) *error = "no audio device";
    return false;
  }
  pcm_ = std::move(pcm);
  buffer_frames_ = obtained.samples;
  const int64_t position = Position();
  device_ = device;
  next_sample_ = anchor_sample_ = position;
  anchor_valid_ = false;
  if (playing_) SDL_PauseAudioDevice(device_, 0);
  return true;
}

void AudioClock::Callback(void* self, Uint8* stream, int length) {
  auto* clock = static_cast<AudioClock*>(self);
  auto* out = reinterpret_cast<int16_t*>(stream);
  const int64_t frames = length / static_cast<int>(kChannels * sizeof(int16_t));
  const int64_t total = static_cast<int64_t>(clock->pcm_.size()) / kChannels;
  const int64_t first = clock->next_sample_;
  const int64_t available = std::clamp<int64_t>(total - first, 0, frames);
  if (available > 0) std::memcpy(out, clock->pcm_.data() + first * kChannels, available * kChannels * sizeof(int16_t));
  std::memset(out + available * kChannels, 0, static_cast<size_t>(length) - available * kChannels * sizeof(int16_t));
  clock->anchor_sample_ = first;
  clock->anchor_time_ = Clock::now();
  clock->anchor_valid_ = true;
  clock->next_sample_ = first + frames;
}

int64_t AudioClock::SteadyPosition() const {
  if (!playing_) return steady_sample_;
  const double seconds = std::chrono::duration<double>(Clock::now() - steady_time_).count();
  return steady_sample_ + static_cast<int64_t>(seconds * sample_rate_);
}

int64_t AudioClock::Position() const {
  if (device_ == 0) return SteadyPosition();
  SDL_LockAudioDevice(device_);
  int64_t position = anchor_sample_;
  if (anchor_valid_ && playing_) {
    // The buffer handed out last started playing when the one before it ran out; the position
    // moves through it with real time and waits at its end for the next callback.
    const double seconds = std::chrono::duration<double>(Clock::now() - anchor_time_).count();
    position += std::min<int64_t>(static_cast<int64_t>(seconds * sample_rate_), next_sample_ - anchor_sample_);
  }
  SDL_UnlockAudioDevice(device_);
  return position;
}

void AudioClock::Seek(int64_t sample) {
  sample = std::max<int64_t>(sample, 0);
  steady_sample_ = sample;
  steady_time_ = Clock::now();
  if (device_ == 0) return;
  SDL_LockAudioDevice(device_);
  next_sample_ = anchor_sample_ = sample;
  anchor_valid_ = false;
  SDL_UnlockAudioDevice(device_);
}

void AudioClock::SetPlaying(bool playing) {
  if (playing == playing_) return;
  // Pausing keeps the position heard now; playing on starts from there.
  const int64_t position = Position();
  steady_sample_ = position;
  steady_time_ = Clock::now();
  if (device_ != 0) {
    SDL_PauseAudioDevice(device_, playing ? 0 : 1);
    SDL_LockAudioDevice(device_);
    next_sample_ = anchor_sample_ = position;
    anchor_valid_ = false;
    SDL_UnlockAudioDevice(device_);
  }
  playing_ = playing;
}

}  // namespace qlv::live
