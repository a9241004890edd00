#include "host/live/live_run.h"

#include <sys/stat.h>

#include <SDL.h>

#include <cstdlib>
#include <string>

#include "host/host_project.h"
#include "host/live/live_session.h"

namespace qlv::live {
namespace {

std::string DefaultSettingsPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config && *config) {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    folder = std::string(home && *home ? home : ".") + "/.config";
  }
  return folder + "/qlv-preview/settings.ini";
}

// Makes the folders above `file`; failures show up when the file is written.
void MakeParentFolders(const std::string& file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1)) {
    mkdir(file.substr(0, slash).c_str(), 0755);
  }
}

// SDL stays initialised for the rest of a run once started; it is declared before everything
// made with it, so that all of that goes first.
struct SdlRun {
  bool started = false;
  bool Start() { return started = SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) == 0; }
  ~SdlRun() {
    if (started) SDL_Quit();
  }
};

}  // namespace

const char* KeyHelp() {
  return "Space play/pause, Left/Right -/+5 s (Shift 1 s), Home start, 1-4 difficulty, I instrument, "
         "+/- HOPO, [ ] offset, F full screen, P picture, Q quit";
}

int RunLive(const cli::PreviewOptions& options, const cli::BuildPaths& paths, std::FILE* out, std::FILE* err) {
  if (options.grid) {
    std::fprintf(err, "qlv-preview: --play shows one difficulty; --grid is for renders\n");
    return 2;
  }
  if (options.click) {
    std::fprintf(err, "qlv-preview: --click is for renders; --play plays the song's own audio\n");
    return 2;
  }
  const std::string plugin = options.plugin.empty() ? paths.plugin : options.plugin;
  // The settings file stands for the workstation's own: the editor writes the time offset there.
  const std::string settings = options.settings.empty() ? DefaultSettingsPath() : options.settings;
  MakeParentFolders(settings);
  if (options.time_offset_ms != 0) {
    const std::string value = std::to_string(options.time_offset_ms);
    WritePrivateProfileStringA("qlview", "timeoffs", value.c_str(), settings.c_str());
  }
  SetHostIniFile(settings.c_str());

  SdlRun sdl;
  LiveSession session(options, out, err);
  std::string error;
  if (!session.Prepare(paths.demo_chart, plugin, &error)) {
    std::fprintf(err, "qlv-preview: %s\n", error.c_str());
    return 1;
  }
  if (!sdl.Start()) {
    std::fprintf(err, "qlv-preview: cannot start the window system: %s\n", SDL_GetError());
    return 1;
  }
  return session.Run();
}

}  // namespace qlv::live
