// Whole highway frames of small charts, compared pixel for pixel with stored PNG files in
// tests/golden/. Set QLV_UPDATE_GOLDEN=1 to write the current frames as the new references; on a
// mismatch the actual, expected and difference images are written under the build tree.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "highway_pictures.h"
#include "highway_scene.h"

namespace {

constexpr int WIDTH = 400;
constexpr int HEIGHT = 300;
constexpr int64_t RATE = 44100;
constexpr int64_t CAPTURE = 441000;  // the strike line's position in the captured frame
constexpr int64_t PAINT = 735;       // samples between paints (about 60 frames a second)
constexpr int PAINTS = 10;           // frames rendered up to and including the captured one

// Expert notes.
constexpr int GREEN = 96, RED = 97, YELLOW = 98, BLUE = 99, ORANGE = 100;
constexpr int KICK = 96, FORCE_HOPO = 101, STYLE_PHRASE = 116, TOM_YELLOW = 110, TOM_BLUE = 111;
constexpr int BEAT = -1, HALF_BEAT = -2, MEASURE = -3, FLIP_ON = -4, FLIP_OFF = -5;

struct Note {
    int note;
    double at;      // seconds from the captured strike line
    double length;  // seconds
    int hopo = 0;
    int flare = 0;
};

int64_t Samples(double seconds) { return static_cast<int64_t>(seconds * RATE + (seconds < 0 ? -0.5 : 0.5)); }

// Renders the chart as a sequence of paints ending with the strike line at CAPTURE. The events
// keep their absolute times while the position advances, so flares count up as they would live.
std::vector<uint32_t> RenderChart(int mode, const std::vector<Note> &notes, std::string *error) {
    HighwayScene scene(ShapedPictureSet());
    if (!scene.ok()) {
        *error = scene.error();
        return {};
    }
    scene.SetMode(mode);
    scene.SetNow(CAPTURE);
    // The beat grid at 120 beats a minute in 4/4: a measure line on every fourth beat.
    std::vector<Note> all;
    for (int beat = -4; beat <= 4; ++beat) {
        all.push_back({beat % 4 == 0 ? MEASURE : BEAT, beat * 0.5 + 0.02, 0.0});
        all.push_back({HALF_BEAT, beat * 0.5 + 0.27, 0.0});
    }
    all.insert(all.end(), notes.begin(), notes.end());
    for (const Note &n : all) scene.Add(n.note, Samples(n.at), Samples(n.length), n.hopo, n.flare);
    for (int paint = PAINTS - 1; paint >= 0; --paint) {
        scene.SetNow(CAPTURE - paint * PAINT);
        scene.Render(WIDTH, HEIGHT);
    }
    return scene.Frame();
}

uint32_t Difference(uint32_t a, uint32_t b) {
    if (a == b) return 0xFF000000u;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        out |= static_cast<uint32_t>(d < 64 ? 64 + d * 3 : 255) << shift;
    }
    return out | 0x00FF0000u;
}

void CompareWithGolden(const std::string &name, const std::vector<uint32_t> &actual) {
    ASSERT_EQ(actual.size(), static_cast<size_t>(WIDTH) * HEIGHT);
    const std::string golden = std::string(QLV_SOURCE_DIR) + "/tests/golden/" + name + ".png";
    const char *update = std::getenv("QLV_UPDATE_GOLDEN");
    if (update && std::string(update) == "1") {
        ASSERT_TRUE(WritePngFile(golden, WIDTH, HEIGHT, actual)) << golden;
        std::printf("updated %s\n", golden.c_str());
        return;
    }
    int w = 0, h = 0;
    std::vector<uint32_t> expected;
    ASSERT_TRUE(ReadPngFile(golden, &w, &h, &expected))
        << "missing reference " << golden << " (QLV_UPDATE_GOLDEN=1 writes it)";
    ASSERT_EQ(w, WIDTH);
    ASSERT_EQ(h, HEIGHT);
    int differing = 0, first = -1;
    std::vector<uint32_t> diff(actual.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        diff[i] = Difference(actual[i], expected[i]);
        if (actual[i] != expected[i]) {
            if (first < 0) first = static_cast<int>(i);
            ++differing;
        }
    }
    if (differing == 0) return;
    const std::string out = std::string(QLV_BINARY_DIR) + "/golden-failures";
    std::filesystem::create_directories(out);
    WritePngFile(out + "/" + name + "-actual.png", WIDTH, HEIGHT, actual);
    WritePngFile(out + "/" + name + "-expected.png", WIDTH, HEIGHT, expected);
    WritePngFile(out + "/" + name + "-diff.png", WIDTH, HEIGHT, diff);
    ADD_FAILURE() << name << ": " << differing << " pixels differ, first at (" << first % WIDTH << ", "
                  << first / WIDTH << "): actual 0x" << std::hex << actual[first] << ", expected 0x"
                  << expected[first] << std::dec << "; images written to " << out;
}

void CheckChart(const std::string &name, int mode, const std::vector<Note> &notes) {
    std::string error;
    const std::vector<uint32_t> frame = RenderChart(mode, notes, &error);
    ASSERT_TRUE(error.empty()) << error;
    CompareWithGolden(name, frame);
}

TEST(GoldenFrameTest, GuitarChordsHoposAndSustains) {
    CheckChart("guitar", 0,
               {
                   {ORANGE, -0.15, 1.0, 0, 30},  // held sustain, its hit animation over
                   {RED, -4 * PAINT / double(RATE), 0.0},  // flaring at the line
                   {GREEN, 0.3, 0.4},  // a sustained chord
                   {RED, 0.3, 0.4},
                   {BLUE, 0.55, 0.0, 1},  // automatic hopos
                   {YELLOW, 0.65, 0.0, 1},
                   {FORCE_HOPO, 0.8, 0.01},  // a forced hopo
                   {ORANGE, 0.8, 0.0},
                   {STYLE_PHRASE, 0.88, 0.25},  // style phrase: plain and hopo gem
                   {GREEN, 0.92, 0.15},
                   {YELLOW, 1.02, 0.0, 1},
                   {BLUE, 1.13, 0.0},  // fading in at the far end
               });
}

TEST(GoldenFrameTest, ProDrumsCymbalsTomsKickAndFlip) {
    CheckChart("pro_drums", 1,
               {
                   {KICK, -2 * PAINT / double(RATE), 0.0},  // kick flash
                   {RED, -3 * PAINT / double(RATE), 0.0},   // pad hit animation
                   {KICK, 0.1, 0.0},
                   {RED, 0.2, 0.0},
                   {YELLOW, 0.3, 0.0},  // cymbal
                   {BLUE, 0.4, 0.3},    // cymbal; drums draw no tails
                   {KICK, 0.5, 0.0},
                   {ORANGE, 0.5, 0.0},  // green cymbal with a kick
                   {TOM_YELLOW, 0.7, 0.01},
                   {YELLOW, 0.7, 0.0},  // tom
                   {TOM_BLUE, 0.8, 0.01},
                   {BLUE, 0.8, 0.0},  // tom
                   {FLIP_ON, 0.9, 0.0},
                   {RED, 0.95, 0.0},     // flipped: shown as the yellow cymbal
                   {YELLOW, 1.0, 0.0},   // flipped: shown as a red pad
                   {FLIP_OFF, 1.05, 0.0},
                   {RED, 1.1, 0.0},
               });
}

TEST(GoldenFrameTest, StandardDrumsShowNoCymbals) {
    CheckChart("drums", 2,
               {
                   {KICK, 0.1, 0.0},
                   {RED, 0.2, 0.0},
                   {YELLOW, 0.3, 0.0},
                   {BLUE, 0.4, 0.0},
                   {KICK, 0.5, 0.0},
                   {ORANGE, 0.5, 0.0},
                   {STYLE_PHRASE, 0.75, 0.2},
                   {KICK, 0.8, 0.0},
                   {BLUE, 0.85, 0.0},
               });
}

TEST(GoldenFrameTest, KeysChordsAndSustains) {
    CheckChart("keys", 3,
               {
                   {BLUE, -0.1, 0.6, 0, 30},  // held sustain
                   {GREEN, 0.2, 0.5},
                   {YELLOW, 0.2, 0.5},
                   {RED, 0.6, 0.0},
                   {BLUE, 0.6, 0.0},
                   {ORANGE, 0.6, 0.0},
                   {FORCE_HOPO, 0.9, 0.01},  // keys never show hopos
                   {YELLOW, 0.9, 0.2, 1},
               });
}

}  // namespace
