#pragma once
// Finding a song's audio: the stems of a song folder by their usual names, or the names the
// chart itself gives, and a readability check made before any rendering starts.
//
// Plain functions; no shared state.
#include <string>
#include <vector>

#include "host/cli/preview_options.h"
#include "host/song_info.h"

namespace qlv::cli {

// The usual stem names, without extension, in mixing order: song, guitar, bass, rhythm, keys,
// drums, drums_1 .. drums_4, vocals, crowd.
const std::vector<std::string>& UsualStemNames();

// Extensions a stem may have, in order of preference: .ogg .opus .mp3 .wav .flac.
const std::vector<std::string>& StemExtensions();

// The audio files of song folder `folder`, as paths inside it. The file names in `named` (the
// chart's own audio names, such as the value of MusicStream) win: those that exist are the
// answer. Otherwise every regular file whose name, compared without case, is one of `usual`
// with one of the stem extensions (one file per name, the first extension found), in the order
// of `usual`. Empty when nothing is found or the folder cannot be read.
std::vector<std::string> FindSongAudio(const std::string& folder, const std::vector<std::string>& named,
                                       const std::vector<std::string>& usual = UsualStemNames());

// Whether `path` is a regular file that can be opened and read, not empty. False with *error:
// "cannot read audio file PATH: reason".
bool CheckAudioFile(const std::string& path, std::string* error);

// The audio files of a run, for the render and the live window alike: those of --audio, then the
// stems of --audio-dir. With neither, a song folder given as the chart brings its own audio (the
// files its .chart names, else the usual stems; none is fine). False with *error when one
// cannot be read or a folder given with --audio-dir holds none.
bool CollectSongAudio(const PreviewOptions& options, const SongInfo& song, std::vector<std::string>* files,
                      std::string* error);

}  // namespace qlv::cli
