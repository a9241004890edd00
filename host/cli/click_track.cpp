#include "host/cli/click_track.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "host/chart_project.h"
#include "host/smf_reader.h"

namespace qlv::cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool GemTimes(const std::string& chart_path, const std::string& track_name, int skill, std::vector<double>* out,
              std::string* error) {
  out->clear();
  SmfFile file;
  if (!ReadSmfFile(chart_path, &file, error)) return false;
  for (size_t i = 0; i < file.tracks.size(); ++i) {
    if (file.tracks[i].Name() == track_name) return GemTimes(file, i, chart_path, skill, out, error);
  }
  *error = chart_path + ": no track named \"" + track_name + "\"";
  return false;
}

bool GemTimes(const SmfFile& file, size_t track_index, const std::string& source, int skill, std::vector<double>* out,
              std::string* error) {
  out->clear();
  TempoMap tempo;
  if (!ReadTempoMap(file, source, &tempo, error)) return false;
  if (track_index >= file.tracks.size()) {
    *error = source + ": no track number " + std::to_string(track_index + 1);
    return false;
  }
  const SmfTrack* track = &file.tracks[track_index];
  const int base = 60 + 12 * skill;
  int64_t last_tick = -1;
  for (const SmfEvent& e : track->events) {
    const bool note_on = e.kind == SmfEventKind::Channel && (e.status & 0xF0) == 0x90 && e.data.size() >= 2 &&
                         e.data[1] > 0;
    if (!note_on || e.data[0] < base || e.data[0] > base + 4 || e.tick == last_tick) continue;
    last_tick = e.tick;  // a chord is one tick
    out->push_back(tempo.TickToSeconds(static_cast<double>(e.tick)));
  }
  return true;
}

int TickLength(int rate) { return std::max(1, rate * 12 / 1000); }

bool WriteClickTrack(const std::string& path, const std::vector<double>& times, double start, double duration,
                     int rate, std::string* error) {
  const auto total = static_cast<int64_t>(std::ceil(duration * rate));
  std::vector<int16_t> samples(static_cast<size_t>(std::max<int64_t>(total, 1)), 0);
  const int length = TickLength(rate);
  for (double t : times) {
    const int64_t at = std::llround((t - start) * rate);
    if (at < 0 || at >= total) continue;
    // A 2 kHz tone that starts at full strength and dies away: a sharp, easily found onset.
    for (int i = 0; i < length && at + i < total; ++i) {
      const double decay = 1.0 - static_cast<double>(i) / length;
      const double v = 0.8 * decay * std::cos(2.0 * kPi * 2000.0 * i / rate);
      samples[static_cast<size_t>(at + i)] = static_cast<int16_t>(std::lround(v * 32767.0));
    }
  }
  std::vector<uint8_t> bytes;
  const uint32_t data_bytes = static_cast<uint32_t>(samples.size() * 2);
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  PutLe(&bytes, 36 + data_bytes, 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  PutLe(&bytes, 16, 4);
  PutLe(&bytes, 1, 2);  // PCM
  PutLe(&bytes, 1, 2);  // mono
  PutLe(&bytes, static_cast<uint32_t>(rate), 4);
  PutLe(&bytes, static_cast<uint32_t>(rate) * 2, 4);
  PutLe(&bytes, 2, 2);
  PutLe(&bytes, 16, 2);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  PutLe(&bytes, data_bytes, 4);
  for (int16_t s : samples) PutLe(&bytes, static_cast<uint16_t>(s), 2);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const int saved = errno;
  if (std::fclose(f) != 0 || !written) {
    *error = "cannot write " + path + ": " + std::strerror(written ? errno : saved);
    return false;
  }
  return true;
}

}  // namespace qlv::cli
