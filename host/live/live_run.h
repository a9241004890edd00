#pragma once
// qlv-preview --play: the chart played live in a desktop window through the plug-in, with the
// song's audio as the clock, keys for the transport and the settings, and the chart file watched
// for edits. Returns the process exit code (0 when the user closed the window or pressed Ctrl-C,
// 1 on failure, a lost audio device included); messages are one line each on `out`/`err`.
#include <cstdio>

#include "host/cli/preview_options.h"
#include "host/cli/preview_run.h"

namespace qlv::live {

int RunLive(const cli::PreviewOptions& options, const cli::BuildPaths& paths, std::FILE* out, std::FILE* err);

// The keys, in one line, for the title bar and the terminal.
const char* KeyHelp();

}  // namespace qlv::live
