// qlv-preview: plays a chart through the QLV Preview plug-in, loaded by path exactly as a
// workstation loads it, and saves what its editor shows. See --help.
#include <cstdio>
#include <filesystem>
#include <string>

#include "host/cli/preview_options.h"
#include "host/cli/preview_run.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {
namespace fs = std::filesystem;

#if defined(_WIN32)
constexpr const char* kPluginName = "qlv_preview.dll";
#else
constexpr const char* kPluginName = "qlv_preview.so";
#endif
constexpr const char* kDemoName = "qlv_demo.mid";

// The folder holding this program, or empty when it cannot be told.
std::string ProgramFolder() {
#if defined(_WIN32)
  char path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  if (length == 0 || length >= sizeof path) return "";
  return fs::path(std::string(path, length)).parent_path().string();
#else
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
#endif
}

// `name` beside this program when it is there; otherwise where the build put it (a build of this
// program that is run where it was built), or, on Windows, where it would be beside the program:
// a release carries everything beside the program, and no path of the build machine is kept.
std::string Beside(const std::string& folder, const char* name, const char* built) {
  std::error_code ec;
  const fs::path here = fs::path(folder.empty() ? "." : folder) / name;
  if (fs::exists(here, ec) || built == nullptr) return here.string();
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
  return qlv::cli::RunPreview(options, paths, stdout, stderr);
}
