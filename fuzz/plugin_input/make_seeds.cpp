// Writes the seed inputs of the plug-in input fuzz target: every chunk length from none to six
// bytes and the hostile lengths, each with a short chart of every difficulty's gems, sustains,
// forced hopos, style phrases, tom markers, a drum mix event and the controller the chart reader
// knows, delivered at their places or also at raw offsets, at each sample rate and block size.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/plugin_input/plugin_input.h"
#include "fuzz/seed_folder.h"

namespace {

using namespace plugin_input;

std::vector<Record> Chart() {
    std::vector<Record> records;
    int32_t at = 0;
    for (uint8_t base : {60, 72, 84, 96}) {
        for (uint8_t lane = 0; lane < 5; ++lane) {
            records.push_back({at, {0x90, static_cast<uint8_t>(base + lane), 100}});
            records.push_back({at + 900, {0x80, static_cast<uint8_t>(base + lane), 0}});
            at += 300;
        }
        records.push_back({at, {0x90, static_cast<uint8_t>(base + 5), 100}});   // forced hopo on
        records.push_back({at + 50, {0x80, static_cast<uint8_t>(base + 5), 0}});
    }
    records.push_back({10, {0x90, 116, 100}});
    records.push_back({5000, {0x80, 116, 0}});
    for (uint8_t tom : {110, 111, 112}) {
        records.push_back({20, {0x90, tom, 100}});
        records.push_back({6000, {0x80, tom, 0}});
    }
    const std::string mix = "[mix 3 drums0d]";
    std::vector<uint8_t> meta = {0xFF, 0x01, static_cast<uint8_t>(mix.size())};
    for (char c : mix) meta.push_back(static_cast<uint8_t>(c));
    records.push_back({30, meta});
    records.push_back({40, {0xB0, 123, 0}});
    records.push_back({-5, {0x90, 97, 100}});        // before the window
    records.push_back({1 << 30, {0x80, 97, 0}});     // far beyond it
    records.push_back({50, {}});                     // empty message
    return records;
}

}  // namespace

int main(int argc, char **argv) {
    const std::filesystem::path dir = FreshSeedFolder(argc, argv);
    if (dir.empty()) return 2;
    const std::vector<Record> chart = Chart();
    const uint8_t settings[] = {0x03, 0x01, 0x40, 0x06, 0x02, 0x00};
    const uint8_t heads[] = {0, 1, 2, 3, 4, 5, 6, 130, 255};
    int n = 0;
    for (uint8_t head : heads) {
        for (uint8_t variant = 0; variant < 4; ++variant) {
            std::vector<uint8_t> bytes = {head};
            for (uint8_t i = 0; head < 128 && i < head; ++i) bytes.push_back(settings[i]);
            bytes.push_back(static_cast<uint8_t>(n % std::size(RATES)));
            bytes.push_back(static_cast<uint8_t>((n * 5 + 2) % std::size(BLOCK_SIZES)));
            const uint8_t flags[] = {FLAG_PLAYING, FLAG_RAW | FLAG_RESIZE,
                                     FLAG_PLAYING | FLAG_DRAG | FLAG_LATENCY, FLAG_PLAYING | FLAG_RAW | FLAG_NO_TIME_INFO};
            bytes.push_back(flags[variant]);
            bytes.push_back(variant == 3 ? 7 : 0);
            for (const Record &record : chart) AppendRecord(&bytes, record);
            WriteSeed(dir / ("seed" + std::to_string(n++)), bytes);
        }
    }
    std::printf("%d seeds written to %s\n", n, dir.c_str());
    return 0;
}
