#pragma once
// Notices when a file changes on disk, by polling its status: a new modification time, size or
// inode (editors often save by writing a new file and renaming it over the old one). A change is
// reported once the file has held still for one poll, so a save in progress is not read
// half-written.
//
// Main thread; plain value.
#include <string>
#include <sys/types.h>

namespace qlv::live {

class FileWatch {
 public:
  enum class Change { kNone, kChanged, kGone };

  // Takes the file's present state as the one already seen.
  explicit FileWatch(std::string path);

  // kChanged once per settled change; kGone once when the file disappears (and kChanged when
  // it comes back).
  Change Poll();
  const std::string& path() const { return path_; }

 private:
  struct Signature {
    bool exists = false;
    ino_t inode = 0;
    off_t size = 0;
    long long modified_ns = 0;
    bool operator==(const Signature&) const = default;
  };
  Signature Read() const;

  std::string path_;
  Signature seen_;     // what was last reported (or found at the start)
  Signature pending_;  // what the previous poll found
};

}  // namespace qlv::live
