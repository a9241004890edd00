// qlv-preview: plays a chart through the QLV Preview plug-in, loaded by path exactly as a
// workstation loads it, and saves what its editor shows. See --help.
#include <cstdio>
#include <string>

#include "host/cli/preview_options.h"
#include "host/cli/preview_run.h"
#if defined(QLV_HAVE_LIVE)
#include "host/live/live_run.h"
#endif

#ifndef QLV_PREVIEW_PLUGIN
#define QLV_PREVIEW_PLUGIN "qlv_preview.so"
#endif
#ifndef QLV_PREVIEW_DEMO_CHART
#define QLV_PREVIEW_DEMO_CHART "qlv_demo.mid"
#endif

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
  const qlv::cli::BuildPaths paths{QLV_PREVIEW_PLUGIN, QLV_PREVIEW_DEMO_CHART};
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
