// qlv-preview: plays a chart through the QLV Preview plug-in, loaded by path exactly as a
// workstation loads it, and saves what its editor shows. See --help.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "host/cli/preview_options.h"
#include "host/cli/preview_run.h"
#if defined(QLV_HAVE_LIVE)
#include "host/live/live_run.h"
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Paths stay in the system's own narrow encoding here, exactly as the system gave them: on
// Windows a folder name beyond ASCII would not survive a round trip through another encoding.
#if defined(_WIN32)
constexpr const char* kPluginName = "qlv_preview.dll";
constexpr char kSeparator = '\\';
#else
constexpr const char* kPluginName = "qlv_preview.so";
constexpr char kSeparator = '/';
#endif
constexpr const char* kDemoName = "qlv_demo.mid";

// The folder holding this program, or empty when it cannot be told.
std::string ProgramFolder() {
  char path[4096];
#if defined(_WIN32)
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return "";
#else
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof path) return "";
#endif
  const std::string self(path, static_cast<size_t>(length));
  const size_t cut = self.find_last_of("/\\");
  return cut == std::string::npos ? "" : self.substr(0, cut);
}

// `name` beside this program when it is there; otherwise where the build put it (a build of this
// program that is run where it was built), or, on Windows, where it would be beside the program:
// a release carries everything beside the program, and no path of the build machine is kept.
std::string Beside(const std::string& folder, const char* name, const char* built) {
  const std::string here = folder.empty() ? std::string(name) : folder + kSeparator + name;
  struct stat st {};
  if (stat(here.c_str(), &st) == 0 || built == nullptr) return here;
  return built;
}

}  // namespace

int main(int argc, char** argv) {
  qlv::cli::PreviewOptions options;
  std::string error;
  switch (qlv::cli::ParseOptions(argc, argv, &options, &error)) {
    case qlv::cli::ParseResult::kHelp:
      std::fputs(qlv::cli::HelpText().c_str(), stdout);
      return 0;
    case qlv::cli::ParseResult::kError:
      std::fprintf(stderr, "qlv-preview: %s\n", error.c_str());
      return 2;
    case qlv::cli::ParseResult::kRun:
      break;
  }
#if defined(QLV_PREVIEW_PLUGIN) && defined(QLV_PREVIEW_DEMO_CHART)
  const char* built_plugin = QLV_PREVIEW_PLUGIN;
  const char* built_demo = QLV_PREVIEW_DEMO_CHART;
#else
  const char* built_plugin = nullptr;
  const char* built_demo = nullptr;
#endif
  const std::string folder = ProgramFolder();
  const qlv::cli::BuildPaths paths{Beside(folder, kPluginName, built_plugin), Beside(folder, kDemoName, built_demo)};
  if (options.play) {
#if defined(QLV_HAVE_LIVE)
    return qlv::live::RunLive(options, paths, stdout, stderr);
#else
    std::fputs("qlv-preview: --play needs the Linux build with SDL2 (libsdl2-dev); this build has no live window\n", stderr);
    return 2;
#endif
  }
  return qlv::cli::RunPreview(options, paths, stdout, stderr);
}
