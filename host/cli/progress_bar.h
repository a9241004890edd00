#pragma once
// A one-line progress bar on a terminal: redrawn in place with a carriage return, at most a
// few times a second, and only once the work has run longer than a moment.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qlv::cli {

class ProgressBar {
 public:
  // `enabled` is usually isatty(fileno(stream)) and not --quiet.
  ProgressBar(std::FILE* stream, int64_t total, bool enabled);
  // Call after each unit of work.
  void Update(int64_t done);
  // Clears the line if anything was drawn.
  void Finish();

  // The text of the bar for `done` of `total` after `elapsed` seconds, `width` characters of
  // bar ("[#####.....]  42%  120/300 frames  3s left").
  static std::string Format(int64_t done, int64_t total, double elapsed, int width);

 private:
  std::FILE* stream_;
  int64_t total_;
  bool enabled_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_;
};

}  // namespace qlv::cli
