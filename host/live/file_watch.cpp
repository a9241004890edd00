#include "host/live/file_watch.h"

#include <sys/stat.h>

#include <utility>

namespace qlv::live {

FileWatch::FileWatch(std::string path) : path_(std::move(path)) { seen_ = pending_ = Read(); }

FileWatch::Signature FileWatch::Read() const {
  Signature s;
  struct stat st {};
  if (stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  s.exists = true;
  s.inode = st.st_ino;
  s.size = st.st_size;
  s.modified_ns = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
  return s;
}

FileWatch::Change FileWatch::Poll() {
  const Signature now = Read();
  const bool settled = now == pending_;
  pending_ = now;
  if (!settled || now == seen_) return Change::kNone;
  seen_ = now;
  return now.exists ? Change::kChanged : Change::kGone;
}

}  // namespace qlv::live
