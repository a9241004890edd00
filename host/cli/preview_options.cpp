#include "host/cli/preview_options.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace qlv::cli {
namespace {

struct InstrumentInfo {
  const char* name;
  Mode mode;
  const char* track;
};

constexpr InstrumentInfo kInstruments[] = {
    {"guitar", Mode::kGuitarBass, "PART GUITAR"}, {"bass", Mode::kGuitarBass, "PART BASS"},
    {"rhythm", Mode::kGuitarBass, "PART RHYTHM"}, {"pro-drums", Mode::kProDrums, "PART DRUMS"},
    {"drums", Mode::kDrums, "PART DRUMS"},        {"keys", Mode::kKeys, "PART KEYS"},
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

const InstrumentInfo* FindInstrument(const std::string& text) {
  std::string name = Lower(text);
  if (name == "prodrums" || name == "pro_drums" || name == "pro") name = "pro-drums";
  if (name == "drums-std" || name == "drums_std" || name == "std-drums") name = "drums";
  for (const InstrumentInfo& info : kInstruments) {
    if (name == info.name) return &info;
  }
  return nullptr;
}

bool ParseDouble(const std::string& text, double* out) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == text.c_str() || *end != '\0' || !std::isfinite(v)) return false;
  *out = v;
  return true;
}

bool ParseInt(const std::string& text, long lo, long hi, int* out) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

// A non-negative decimal without sign or exponent ("5", "05", "2.5").
bool ParsePlainNumber(const std::string& text, double* out) {
  if (text.empty()) return false;
  int dots = 0;
  for (char c : text) {
    if (c == '.') {
      ++dots;
    } else if (!std::isdigit(static_cast<unsigned char>(c))) {
      return false;
    }
  }
  if (dots > 1 || text == ".") return false;
  return ParseDouble(text, out);
}

}  // namespace

bool ParseTime(const std::string& text, double* seconds) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() > 3) return false;
  double total = 0.0;
  for (size_t i = 0; i < parts.size(); ++i) {
    double v = 0.0;
    if (!ParsePlainNumber(parts[i], &v)) return false;
    bool last = i + 1 == parts.size();
    // Only the seconds may have a fraction; minutes and seconds below the first field < 60.
    if (!last && parts[i].find('.') != std::string::npos) return false;
    if (i > 0 && v >= 60.0) return false;
    total = total * 60.0 + v;
  }
  if (total > 86400.0) return false;
  *seconds = total;
  return true;
}

bool ParseSize(const std::string& text, int* width, int* height) {
  size_t x = text.find_first_of("xX*");
  if (x == std::string::npos) return false;
  int w = 0, h = 0;
  if (!ParseInt(text.substr(0, x), 16, 8192, &w) || !ParseInt(text.substr(x + 1), 16, 8192, &h)) return false;
  *width = w;
  *height = h;
  return true;
}

std::string DefaultTrack(const std::string& instrument) {
  const InstrumentInfo* info = FindInstrument(instrument);
  return info ? info->track : "PART GUITAR";
}

bool ParseDifficulty(const std::string& text, int* difficulty) {
  static const char* const kNames[4] = {"easy", "medium", "hard", "expert"};
  std::string name = Lower(text);
  for (int i = 0; i < 4; ++i) {
    if (name == kNames[i] || name == std::string(1, static_cast<char>('0' + i))) {
      *difficulty = i;
      return true;
    }
  }
  return false;
}

const char* DifficultyName(int difficulty) {
  static const char* const kNames[4] = {"Easy", "Medium", "Hard", "Expert"};
  return (difficulty >= 0 && difficulty < 4) ? kNames[difficulty] : "???";
}

int64_t FrameCount(double duration_seconds, double fps) {
  double n = std::ceil(duration_seconds * fps - 1e-9);
  if (!(n >= 1.0)) return 1;
  return static_cast<int64_t>(n);
}

ParseResult ParseOptions(int argc, const char* const* argv, PreviewOptions* out, std::string* error) {
  PreviewOptions o;
  bool track_given = false;
  bool chart_given = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string name = arg, value;
    bool has_inline = false;
    if (arg.rfind("--", 0) == 0) {
      size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        name = arg.substr(0, eq);
        value = arg.substr(eq + 1);
        has_inline = true;
      }
    }
    auto need = [&](std::string* v) -> bool {
      if (has_inline) {
        *v = value;
        return true;
      }
      if (i + 1 >= argc) {
        *error = "option " + name + " needs a value (see --help)";
        return false;
      }
      *v = argv[++i];
      return true;
    };
    auto bad = [&](const std::string& what, const std::string& v) {
      *error = "bad value for " + name + ": \"" + v + "\" (" + what + ")";
      return ParseResult::kError;
    };
    auto flag = [&]() -> bool {
      if (has_inline) {
        *error = "option " + name + " takes no value";
        return false;
      }
      return true;
    };
    std::string v;
    if (name == "-h" || name == "--help") {
      return ParseResult::kHelp;
    } else if (name == "--chart" || name == "-c") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("a file name", v);
      o.chart = v;
      chart_given = true;
    } else if (name == "--track" || name == "-t") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("a track name such as \"PART GUITAR\" or a number", v);
      o.track = v;
      track_given = true;
    } else if (name == "--instrument" || name == "-i") {
      if (!need(&v)) return ParseResult::kError;
      const InstrumentInfo* info = FindInstrument(v);
      if (!info) return bad("guitar, bass, rhythm, pro-drums, drums or keys", v);
      o.instrument = info->name;
      o.mode = info->mode;
      o.drum_kind_given = info->mode == Mode::kProDrums || (info->mode == Mode::kDrums && Lower(v) != "drums");
    } else if (name == "--difficulty" || name == "-d") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseDifficulty(v, &o.difficulty)) return bad("easy, medium, hard or expert", v);
    } else if (name == "--hopo") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, 0, 65535, &o.hopo_threshold)) return bad("ticks at 480 per quarter note, 0..65535", v);
      o.hopo_given = true;
    } else if (name == "--offset") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, -60000, 60000, &o.time_offset_ms)) return bad("milliseconds, -60000..60000", v);
    } else if (name == "--start" || name == "-s") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseTime(v, &o.start_seconds)) return bad("seconds or mm:ss", v);
    } else if (name == "--duration" || name == "-l") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseTime(v, &o.duration_seconds) || o.duration_seconds <= 0.0 || o.duration_seconds > 3600.0)
        return bad("seconds or mm:ss, above 0 and at most an hour", v);
    } else if (name == "--size") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseSize(v, &o.width, &o.height)) return bad("WIDTHxHEIGHT, each 16..8192", v);
    } else if (name == "--fps") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseDouble(v, &o.fps) || o.fps < 1.0 || o.fps > 240.0) return bad("frames per second, 1..240", v);
    } else if (name == "--sample-rate") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseDouble(v, &o.sample_rate) || o.sample_rate < 8000.0 || o.sample_rate > 384000.0)
        return bad("samples per second, 8000..384000", v);
    } else if (name == "--block-size") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, 16, 8192, &o.block_size)) return bad("samples per audio block, 16..8192", v);
    } else if (name == "--out" || name == "-o") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("a folder", v);
      o.output = v;
    } else if (name == "--plugin") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("the plug-in binary's path", v);
      o.plugin = v;
    } else if (name == "--sheet") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, 0, 64, &o.sheet_frames)) return bad("thumbnails, 0..64", v);
    } else if (name == "--grid") {
      if (!flag()) return ParseResult::kError;
      o.grid = true;
    } else if (name == "--frames") {
      if (!flag()) return ParseResult::kError;
      o.frames = true;
    } else if (name == "--no-frames") {
      if (!flag()) return ParseResult::kError;
      o.frames = false;
    } else if (name == "--audio" || name == "-a") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("an audio file", v);
      o.audio.push_back(v);
    } else if (name == "--audio-dir") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("a song folder", v);
      o.audio_dir = v;
    } else if (name == "--delay") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, -600000, 600000, &o.audio_delay_ms)) return bad("milliseconds, -600000..600000", v);
      o.delay_given = true;
    } else if (name == "--click") {
      if (!flag()) return ParseResult::kError;
      o.click = true;
    } else if (name == "--no-video") {
      if (!flag()) return ParseResult::kError;
      o.video = false;
    } else if (name == "--verbose" || name == "-v") {
      if (!flag()) return ParseResult::kError;
      o.verbose = true;
    } else if (name == "--no-compat") {
      if (!flag()) return ParseResult::kError;
      o.compat = false;
    } else if (name == "--png-level") {
      if (!need(&v)) return ParseResult::kError;
      if (!ParseInt(v, 0, 9, &o.png_level)) return bad("zlib level, 0..9", v);
    } else if (name == "--quality") {
      if (!need(&v)) return ParseResult::kError;
      if (v == "fast") {
        o.quality = VideoQuality::kFast;
      } else if (v == "high") {
        o.quality = VideoQuality::kHigh;
      } else {
        return bad("fast or high", v);
      }
    } else if (name == "--quiet" || name == "-q") {
      if (!flag()) return ParseResult::kError;
      o.quiet = true;
    } else if (name == "--play") {
      if (!flag()) return ParseResult::kError;
      o.play = true;
    } else if (name == "--settings") {
      if (!need(&v)) return ParseResult::kError;
      if (v.empty()) return bad("a file name", v);
      o.settings = v;
    } else if (!arg.empty() && arg[0] != '-' && !chart_given) {
      o.chart = arg;
      chart_given = true;
    } else if (!arg.empty() && arg[0] != '-') {
      *error = "unexpected argument \"" + arg + "\" (the chart is already " + o.chart + ")";
      return ParseResult::kError;
    } else {
      *error = "unknown option " + name + " (see --help)";
      return ParseResult::kError;
    }
  }
  o.track_given = track_given;
  if (!track_given) o.track = DefaultTrack(o.instrument);
  *out = o;
  return ParseResult::kRun;
}

std::string HelpText() {
  return R"(qlv-preview: plays a chart through the QLV Preview plug-in and saves what its editor shows.

Usage:
  qlv-preview [CHART.mid | CHART.chart | SONG-FOLDER] [options]

With no chart, the bundled demo chart is used. A song folder holds notes.mid or notes.chart
(notes.mid when both are there), usually song.ini, whose name, artist, delay, hammer-on and
drum settings are used, and the song's audio, mixed into the video. Output goes to a folder
(default ./qlv-preview-out): preview.mp4 and contact_sheet.png (without ffmpeg, PNG frames
instead of the video). Files appear there only when the render has finished.

What to show:
  -c, --chart FILE        MIDI file, .chart file or song folder holding the chart
  -i, --instrument NAME   guitar (default), bass, rhythm, pro-drums, drums-std, drums, keys
                          (drums: pro or not as song.ini's pro_drums/five_lane_drums say)
  -t, --track NAME|N      MIDI track to play, by name or number (1 = the file's first track;
                          "#2" is always a number, "2" is a track named "2" if there is one).
                          Default: the instrument's usual names ("PART GUITAR", then
                          "T1 GEMS"; "PART BASS", "PART RHYTHM", "PART DRUMS", "PART KEYS"),
                          else the only track holding notes
  -d, --difficulty NAME   easy, medium, hard, expert (default expert)
      --hopo TICKS        hammer-on/pull-off threshold, ticks at 480 per quarter (default 170,
                          or from song.ini's hopo_frequency/eighthnote_hopo)
      --no-compat         keep note 103 as it is in charts for older games (by default a
                          guitar/bass track without 116 shows its 103 notes as star power)
      --offset MS         display time offset in milliseconds (default 0)
      --grid              the four difficulties side by side in one picture

When and how:
  -s, --start TIME        where to start: seconds (12.5) or mm:ss (1:05) (default 0)
  -l, --duration TIME     how long to render, same forms (default 10)
      --size WxH          editor size in pixels (default 1280x720; per difficulty with --grid)
      --fps N             frames per second (default 30)
      --sample-rate HZ    host sample rate (default 44100)
      --block-size N      audio block length in samples (default 512)

Sound (mixed by ffmpeg into preview.mp4, or played by the live window):
  -a, --audio FILE        an audio file to mix in (repeat for several stems)
      --audio-dir DIR     a song folder: its song, guitar, bass, rhythm, keys, drums,
                          drums_1..4, vocals and crowd files (.ogg .opus .mp3 .wav .flac)
      --delay MS          the song's delay: chart time 0 lies MS milliseconds into the audio
                          (default: song.ini's delay in a song folder, else 0)
      --click             a tick on every gem of the shown difficulty

Output:
  -o, --out DIR           output folder (default qlv-preview-out; created if missing;
                          earlier frames, sheet and video in it are replaced)
      --frames            also keep every frame as frame_000001.png ...
      --no-video          do not make preview.mp4
      --sheet N           thumbnails on the contact sheet (default 12, 0 = none)
      --png-level N       compression of the PNG frames, 0..9 (default 1: fast; 9: smallest)
      --quality Q         preview.mp4 for looking at now (fast, the default) or for sharing
                          (high: slower to make, better picture)
      --plugin PATH       plug-in binary to load (default: the one built with this program)
  -q, --quiet             no progress bar and no summary line
  -v, --verbose           say which track was taken and what each song.ini key did
  -h, --help              this text

Live window:
      --play              play the chart in a window instead of rendering it (keys in its
                          title bar); the sound is chosen as above and is the clock; edits
                          to the chart file (and song.ini) show as soon as they are saved
      --settings FILE     where the editor keeps the time offset (default
                          ~/.config/qlv-preview/settings.ini)

Examples:
  qlv-preview --instrument pro-drums --duration 10 --click
  qlv-preview song.mid --audio-dir ~/songs/mysong -i drums --start 1:30
  qlv-preview song.mid -i bass -d hard --start 1:30 --duration 0:20 -o bass-hard
  qlv-preview "My Song/" -i drums --start 0:40
  qlv-preview old.mid -t 2
  qlv-preview "My Song/" --play
)";
}

}  // namespace qlv::cli
