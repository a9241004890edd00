// Fuzz target for the song.ini reader: any input reads, values stay in their ranges, texts are
// UTF-8 and every message names the file and fits one line.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/song_ini.h"
#include "host/text_lines.h"

namespace {

void Check(bool condition, const char *what) {
    if (!condition) {
        std::fprintf(stderr, "song_ini_fuzz: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const SongIni ini = ParseSongIni(data, size, "fuzz.ini");
    for (const std::string *text : {&ini.name, &ini.artist, &ini.charter})
        Check(ToUtf8(*text) == *text && text->size() <= 2 * size, "text not UTF-8 or too long");
    Check(!ini.delay_ms || (*ini.delay_ms >= -600000 && *ini.delay_ms <= 600000), "delay out of range");
    Check(!ini.hopo_frequency || (*ini.hopo_frequency >= 1 && *ini.hopo_frequency <= 1000000), "hopo out of range");
    Check(ini.problems.size() <= 51, "unbounded problem list");
    for (const std::string &p : ini.problems)
        Check(p.rfind("fuzz.ini:", 0) == 0 && p.find('\n') == std::string::npos, "message without name or on two lines");
    for (const std::string &t : ini.taken) Check(t.rfind("fuzz.ini:", 0) == 0, "detail without the file's name");
    return 0;
}
