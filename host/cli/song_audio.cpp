#include "host/cli/song_audio.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

namespace qlv::cli {
namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

const std::vector<std::string>& UsualStemNames() {
  static const std::vector<std::string> kNames = {"song",    "guitar",  "bass",    "rhythm",  "keys",   "drums",
                                                  "drums_1", "drums_2", "drums_3", "drums_4", "vocals", "crowd"};
  return kNames;
}

const std::vector<std::string>& StemExtensions() {
  static const std::vector<std::string> kExtensions = {".ogg", ".opus", ".mp3", ".wav", ".flac"};
  return kExtensions;
}

std::vector<std::string> FindSongAudio(const std::string& folder, const std::vector<std::string>& named,
                                       const std::vector<std::string>& usual) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const std::string& name : named) {
    if (name.empty()) continue;
    const fs::path p = fs::path(folder) / name;
    if (fs::is_regular_file(p, ec)) found.push_back(p.string());
  }
  if (!found.empty()) return found;
  // Lower-case stem -> (extension rank, file name) of the best file seen.
  std::map<std::string, std::pair<size_t, std::string>> best;
  const std::vector<std::string>& extensions = StemExtensions();
  for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
    std::error_code type_ec;
    if (!e.is_regular_file(type_ec)) continue;
    const std::string stem = Lower(e.path().stem().string()), extension = Lower(e.path().extension().string());
    for (size_t rank = 0; rank < extensions.size(); ++rank) {
      if (extension != extensions[rank]) continue;
      auto it = best.find(stem);
      if (it == best.end() || rank < it->second.first) best[stem] = {rank, e.path().filename().string()};
    }
  }
  for (const std::string& name : usual) {
    auto it = best.find(Lower(name));
    if (it != best.end()) found.push_back((fs::path(folder) / it->second.second).string());
  }
  return found;
}

bool CheckAudioFile(const std::string& path, std::string* error) {
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    *error = "cannot read audio file " + path + ": no such file";
    return false;
  }
  if (!fs::is_regular_file(status)) {
    *error = "cannot read audio file " + path + ": not a file";
    return false;
  }
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    *error = "cannot read audio file " + path + ": " + std::strerror(errno);
    return false;
  }
  char byte = 0;
  const size_t got = std::fread(&byte, 1, 1, f);
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (got != 1) {
    *error = "cannot read audio file " + path + (failed ? ": read error" : ": it is empty");
    return false;
  }
  return true;
}

bool CollectSongAudio(const PreviewOptions& options, const SongInfo& song, std::vector<std::string>* files,
                      std::string* error) {
  *files = options.audio;
  if (options.audio.empty() && options.audio_dir.empty() && !song.folder.empty()) {
    std::vector<std::string> named;
    for (const auto& stream : song.streams) named.push_back(stream.second);
    *files = FindSongAudio(song.folder, named);
  }
  if (!options.audio_dir.empty()) {
    std::error_code ec;
    if (!std::filesystem::is_directory(options.audio_dir, ec)) {
      *error = "cannot read song folder " + options.audio_dir + ": not a folder";
      return false;
    }
    const std::vector<std::string> stems = FindSongAudio(options.audio_dir, {});
    if (stems.empty()) {
      *error = "no audio in " + options.audio_dir + " (looked for song, guitar, bass, drums, ... as .ogg, .opus, " +
               ".mp3, .wav or .flac)";
      return false;
    }
    files->insert(files->end(), stems.begin(), stems.end());
  }
  for (const std::string& f : *files) {
    if (!CheckAudioFile(f, error)) return false;
  }
  return true;
}

}  // namespace qlv::cli
