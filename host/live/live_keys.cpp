#include "host/live/live_session.h"

#include <sys/stat.h>

#include <algorithm>

#include "host/cli/preview_run.h"
#include "host/text_lines.h"
#include "imagefile/png_write.h"

namespace qlv::live {
namespace {

constexpr int kHopoStep = 10;
constexpr int kHopoMin = 32, kHopoMax = 1920;
constexpr int kOffsetStepMs = 5;

}  // namespace

void LiveSession::ChangeSettings(int skill, int hopo_delta) {
  EditorSettings settings = editor_.Settings();
  const int before = settings.skill;
  if (skill >= 0) settings.skill = skill;
  settings.hopo = std::clamp(settings.hopo + hopo_delta, kHopoMin, kHopoMax);
  editor_.SetSettings(settings);
  // A .chart keeps star power and toms per difficulty, so its conversion depends on the one shown.
  const std::string lower = LowerAscii(chart_path_);
  if (settings.skill != before && lower.size() > 6 && lower.compare(lower.size() - 6, 6, ".chart") == 0) {
    std::string error;
    if (Reload(&error)) {
      Locate(clock_.Position());
    } else {
      std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
    }
  }
}

void LiveSession::HandleKey(const SDL_Keysym& key, bool repeat) {
  const double rate = options_.sample_rate;
  const int64_t seek_step = static_cast<int64_t>(((key.mod & KMOD_SHIFT) ? 1.0 : 5.0) * rate);
  switch (key.sym) {
    case SDLK_SPACE:
      if (repeat) break;
      clock_.SetPlaying(!clock_.Playing());
      next_block_ = clock_.Position();
      break;
    case SDLK_LEFT: Seek(clock_.Position() - seek_step); break;
    case SDLK_RIGHT: Seek(clock_.Position() + seek_step); break;
    case SDLK_HOME: Seek(0); break;
    case SDLK_1: case SDLK_KP_1: ChangeSettings(0, 0); break;
    case SDLK_2: case SDLK_KP_2: ChangeSettings(1, 0); break;
    case SDLK_3: case SDLK_KP_3: ChangeSettings(2, 0); break;
    case SDLK_4: case SDLK_KP_4: ChangeSettings(3, 0); break;
    case SDLK_i: if (!repeat) CycleInstrument(); break;
    case SDLK_PLUS: case SDLK_EQUALS: case SDLK_KP_PLUS: ChangeSettings(-1, kHopoStep); break;
    case SDLK_MINUS: case SDLK_KP_MINUS: ChangeSettings(-1, -kHopoStep); break;
    case SDLK_LEFTBRACKET: editor_.NudgeTimeOffset(-kOffsetStepMs); break;
    case SDLK_RIGHTBRACKET: editor_.NudgeTimeOffset(kOffsetStepMs); break;
    case SDLK_f: if (!repeat) window_.ToggleFullScreen(); break;
    case SDLK_p: if (!repeat) picture_wanted_ = true; break;
    case SDLK_q: case SDLK_ESCAPE: running_ = false; break;
    default: break;
  }
}

void LiveSession::SavePicture() {
  std::vector<uint32_t> shown;
  int width = 0, height = 0;
  std::string error;
  if (!window_.Capture(&shown, &width, &height)) {
    std::fprintf(err_, "qlv-preview: cannot read the window's picture: %s\n", SDL_GetError());
    return;
  }
  std::string name;
  struct stat st {};
  do {
    char text[32];
    std::snprintf(text, sizeof text, "qlv-live-%03d.png", ++pictures_);
    name = text;
  } while (stat(name.c_str(), &st) == 0);
  tools::PixelView view{shown.data(), width, height, width};
  if (!tools::WritePngFile(name, view, 6, &error)) {
    std::fprintf(err_, "qlv-preview: %s\n", error.c_str());
    return;
  }
  // The position the plug-in shows: a render's frame at that time shows the same picture.
  std::fprintf(out_, "picture %s at %s (%s, showing sample %lld)\n", name.c_str(),
               cli::TimeLabel(static_cast<double>(display_) / options_.sample_rate).c_str(),
               last_block_playing_ ? "playing" : "stopped", static_cast<long long>(display_));
  std::fflush(out_);
}

}  // namespace qlv::live
