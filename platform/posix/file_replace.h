// Replacing the whole content of a small file that belongs to someone else (the host's settings
// file), so that a reader at any moment, or after the writer is killed, finds either the old or
// the new content.
//
// Threads: any; two writers of the same file race as two processes would (last rename wins).
#pragma once

#include <string>

namespace qlv_platform {

// Replaces the content of the file at `path` with `content`.
// - A symbolic link is followed (through chains and relative links) and its final target is
//   replaced; the link itself stays a link.
// - A file without any write permission bit, or one this process may not open for writing, is
//   refused: false, nothing changed.
// - The new content is written to a nameless temporary in the file's folder where the file
//   system offers one, else to a named sibling, then renamed over the file: atomic. Named
//   siblings left by writers that were killed are removed by the next write.
// - When the folder takes no temporary but the file itself is writable, the file is rewritten in
//   place (not atomic, but the value is stored).
// - A missing file is created with mode 0666 less the umask; an existing one keeps its mode.
// False when nothing could be written.
// A named sibling is called "<file name>.~qlv<writer's process id>.<six characters>".
bool ReplaceFileContent(const std::string &path, const std::string &content);

}  // namespace qlv_platform
