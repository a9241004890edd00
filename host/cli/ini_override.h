#pragma once
// The host INI file a render hands to the plug-in: a private temporary file holding the display
// time offset ("timeoffs" in section "qlview"), written before the plug-in is loaded because
// the plug-in reads it once, at its first instance. Removed again when this object goes.
//
// Main thread only; not copyable.
#include <string>

namespace qlv::cli {

class IniOverride {
 public:
  IniOverride() = default;
  ~IniOverride();
  IniOverride(const IniOverride&) = delete;
  IniOverride& operator=(const IniOverride&) = delete;

  // Creates the file with the offset and makes it the host's INI file. False with *error.
  bool Create(int time_offset_ms, std::string* error);
  const std::string& path() const { return path_; }

  // The file's text for an offset.
  static std::string Contents(int time_offset_ms);

 private:
  std::string path_;
};

}  // namespace qlv::cli
