#pragma once
// The live window's clock. With an audio device it is the device itself: the song's samples go
// out through SDL's audio callback and the position is the sample now being heard (the first
// sample of the buffer the device is playing, plus the time since it started). Without a device
// it is a steady clock counting samples from the time play started.
//
// Threads: every member is called on the main thread; the audio callback runs on SDL's audio
// thread and shares only the state guarded by the device lock. It never allocates.
// Ownership: the clock owns the samples and the device, closed with it. SDL's audio subsystem
// must stay initialised while a device is open.
#include <SDL.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace qlv::live {

class AudioClock {
 public:
  explicit AudioClock(int sample_rate);
  ~AudioClock();
  AudioClock(const AudioClock&) = delete;
  AudioClock& operator=(const AudioClock&) = delete;

  // Opens the default output device for `pcm` (interleaved 16-bit stereo at the clock's rate;
  // empty plays silence), paused. False with *error: the clock stays a steady one.
  bool OpenDevice(std::vector<int16_t> pcm, std::string* error);
  bool HasDevice() const { return device_ != 0; }
  SDL_AudioDeviceID device() const { return device_; }
  // Samples per device buffer (0 without a device).
  int BufferFrames() const { return buffer_frames_; }

  // Position in samples from the start of the song; stands still while paused.
  int64_t Position() const;
  // Moves the position (negative becomes 0); play or pause stays as it was.
  void Seek(int64_t sample);
  void SetPlaying(bool playing);
  bool Playing() const { return playing_; }

 private:
  static void Callback(void* self, Uint8* stream, int length);
  int64_t SteadyPosition() const;

  const int sample_rate_;
  std::vector<int16_t> pcm_;
  SDL_AudioDeviceID device_ = 0;
  int buffer_frames_ = 0;
  bool playing_ = false;

  // Under the device lock: the next sample the callback hands out, and the first sample of the
  // buffer handed out last with the time it was handed (valid false until a callback ran since
  // the last seek or pause).
  int64_t next_sample_ = 0;
  int64_t anchor_sample_ = 0;
  std::chrono::steady_clock::time_point anchor_time_{};
  bool anchor_valid_ = false;

  // The steady clock: position `steady_sample_` at `steady_time_`, counting while playing.
  int64_t steady_sample_ = 0;
  std::chrono::steady_clock::time_point steady_time_{};
};

}  // namespace qlv::live
