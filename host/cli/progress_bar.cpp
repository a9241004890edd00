#include "host/cli/progress_bar.h"

#include <cmath>

namespace qlv::cli {
namespace {
constexpr double kQuietStart = 0.5;   // seconds before the bar first appears
constexpr double kRedrawEvery = 0.1;  // seconds between redraws
}  // namespace

ProgressBar::ProgressBar(std::FILE* stream, int64_t total, bool enabled)
    : stream_(stream), total_(total > 0 ? total : 1), enabled_(enabled && stream != nullptr),
      start_(std::chrono::steady_clock::now()), last_draw_(start_) {}

std::string ProgressBar::Format(int64_t done, int64_t total, double elapsed, int width) {
  if (total < 1) total = 1;
  if (done < 0) done = 0;
  if (done > total) done = total;
  if (width < 1) width = 1;
  const double fraction = static_cast<double>(done) / static_cast<double>(total);
  const int filled = static_cast<int>(fraction * width);
  std::string bar = "[" + std::string(static_cast<size_t>(filled), '#') +
                    std::string(static_cast<size_t>(width - filled), '.') + "]";
  char tail[96];
  if (done > 0 && done < total && elapsed > 0.0) {
    double left = elapsed / static_cast<double>(done) * static_cast<double>(total - done);
    std::snprintf(tail, sizeof tail, " %3d%%  %lld/%lld frames  %.0fs left", static_cast<int>(fraction * 100.0),
                  static_cast<long long>(done), static_cast<long long>(total), std::ceil(left));
  } else {
    std::snprintf(tail, sizeof tail, " %3d%%  %lld/%lld frames", static_cast<int>(fraction * 100.0),
                  static_cast<long long>(done), static_cast<long long>(total));
  }
  return bar + tail;
}

void ProgressBar::Update(int64_t done) {
  if (!enabled_) return;
  auto now = std::chrono::steady_clock::now();
  double elapsed = std::chrono::duration<double>(now - start_).count();
  if (elapsed < kQuietStart) return;
  if (drawn_ && std::chrono::duration<double>(now - last_draw_).count() < kRedrawEvery && done < total_) return;
  last_draw_ = now;
  drawn_ = true;
  std::fprintf(stream_, "\r%s\x1b[K", Format(done, total_, elapsed, 30).c_str());
  std::fflush(stream_);
}

void ProgressBar::Finish() {
  if (!drawn_) return;
  std::fprintf(stream_, "\r\x1b[K");
  std::fflush(stream_);
  drawn_ = false;
}

}  // namespace qlv::cli
