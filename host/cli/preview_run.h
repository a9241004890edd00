#pragma once
// A whole qlv-preview run after the options are parsed: staging folder, INI override, session,
// frame loop with PNG frames, video and contact sheet, progress and summary. Returns the
// process exit code (0 success, 1 failure); errors are one line on `err`.
#include <cstdio>
#include <string>

#include "host/cli/preview_options.h"

namespace qlv::cli {

// Where the program looks for things it was built with.
struct BuildPaths {
  std::string plugin;       // the plug-in binary built beside this program
  std::string demo_chart;   // the bundled demo chart
};

int RunPreview(const PreviewOptions& options, const BuildPaths& paths, std::FILE* out, std::FILE* err);

// "0:12.50" style label for a time in seconds.
std::string TimeLabel(double seconds);

}  // namespace qlv::cli
