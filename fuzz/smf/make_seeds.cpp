// Writes the seed files the MIDI file fuzz target replays in the test suite: generated charts
// (format 1, format 0, odd time divisions) and, from a small file, every truncation and a run of
// single-byte corruptions, so each error path of the reader is visited.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "host/chart_builder.h"
#include "host/chart_generator.h"
#include "host/smf_writer.h"
#include "fuzz/seed_folder.h"

namespace {

void Write(const std::filesystem::path &dir, const std::string &name, const std::vector<uint8_t> &bytes) {
    WriteSeed(dir / name, bytes);
}

}  // namespace

int main(int argc, char **argv) {
    const std::filesystem::path dir = FreshSeedFolder(argc, argv);
    if (dir.empty()) return 2;

    ChartGeneratorOptions options;
    options.measures = 12;
    Write(dir, "generated.mid", GenerateChart(options).ToBytes());

    ChartBuilder small(96, "PART DRUMS");
    small.Tempo(0, 140).Signature(0, 6, 8).Note(0, 96, 48).Note(48, 97, 12).Text(96, "[mix 3 drums0d]")
        .Controller(120, 123, 0).Note(200, 116, 400).Tempo(288, 70);
    SmfFile file = small.ToSmf();
    const std::vector<uint8_t> bytes = small.ToBytes();
    Write(dir, "small.mid", bytes);

    SmfFile single;
    single.format = 0;
    single.ticks_per_quarter = 1;
    single.tracks.push_back(file.tracks[1]);
    single.tracks[0].events.insert(single.tracks[0].events.begin(), file.tracks[0].events.begin(),
                                   file.tracks[0].events.end());
    Write(dir, "format0.mid", WriteSmf(single));

    for (size_t cut = 0; cut < bytes.size(); ++cut)
        Write(dir, "cut" + std::to_string(cut) + ".mid", std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(cut)));
    const uint8_t values[] = {0x00, 0x7F, 0x80, 0xFF, 0xF0, 0x2F};
    for (size_t at = 0; at < bytes.size(); ++at) {
        std::vector<uint8_t> changed = bytes;
        changed[at] = values[at % 6];
        Write(dir, "byte" + std::to_string(at) + ".mid", changed);
    }
    std::printf("seeds written to %s\n", dir.c_str());
    return 0;
}
