#include "core_test_bitmap.h"
#include "core_test_formulas.h"
#include "gfx/gfx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace core_test;

namespace {

using Mixer = void (*)(GFX_Color32 *, int, int, int, int, int);
using Ref = int (*)(int, int, int);

enum class AlphaRule { None, ScaleSkip, ScaleNoSkip };

const int kWeights[] = {0, 1, 128, 255, 256, -1, -100, -256, 300, 1000};

// Source channels for a sweep value s and destination channels for d, chosen so that every
// channel sees all 256 values and the four channels differ.
void SourceChannels(int s, int out[4]) { out[0] = 255 - s, out[1] = (s * 3) & 255, out[2] = s, out[3] = s ^ 0x33; }
GFX_Color32 DestWord(int d) { return Argb(d ^ 0x0F, d, 255 - d, (d * 5) & 255); }

void CheckMixer(Mixer mix, Ref ref, AlphaRule rule, const char *name) {
    int failures = 0;
    for (int w : kWeights) {
        for (int s = 0; s < 256; ++s) {
            int src[4];
            SourceChannels(s, src);
            const int a = src[3];
            int weight = w;
            bool skip = false;
            if (rule != AlphaRule::None) {
                weight = static_cast<int>(T(w * (a + 1) / 256.0));
                skip = rule == AlphaRule::ScaleSkip && a == 0;
            }
            for (int d = 0; d < 256; ++d) {
                const GFX_Color32 before = DestWord(d);
                GFX_Color32 px = before;
                mix(&px, src[2], src[1], src[0], src[3], w);
                for (int ch = 0; ch < 4; ++ch) {
                    const int expect = skip ? ChannelOf(before, ch) : ref(src[ch], ChannelOf(before, ch), weight);
                    if (ChannelOf(px, ch) != expect && ++failures <= 5)
                        ADD_FAILURE() << name << " w=" << w << " s=" << s << " d=" << d << " channel " << ch << ": got "
                                      << ChannelOf(px, ch) << ", expected " << expect;
                }
            }
        }
    }
    EXPECT_EQ(failures, 0) << name;
}

}  // namespace

TEST(Mixers, EveryByteAndWeightMatchesTheChannelFormulas) {
    CheckMixer(GFX_MixCopy, RefCopy, AlphaRule::None, "copy");
    CheckMixer(GFX_MixAdd, RefAdd, AlphaRule::None, "add");
    CheckMixer(GFX_MixDodge, RefDodge, AlphaRule::None, "dodge");
    CheckMixer(GFX_MixMultiply, RefMultiply, AlphaRule::None, "multiply");
    CheckMixer(GFX_MixSoftLight, RefSoftLight, AlphaRule::None, "soft light");
}

TEST(Mixers, SourceAlphaFormsScaleTheWeightAndSkipWhereTheyShould) {
    CheckMixer(GFX_MixCopyWithAlpha, RefCopy, AlphaRule::ScaleSkip, "copy+alpha");
    CheckMixer(GFX_MixAddWithAlpha, RefAdd, AlphaRule::ScaleSkip, "add+alpha");
    CheckMixer(GFX_MixMultiplyWithAlpha, RefMultiply, AlphaRule::ScaleSkip, "multiply+alpha");
    CheckMixer(GFX_MixDodgeWithAlpha, RefDodge, AlphaRule::ScaleNoSkip, "dodge+alpha");
}

TEST(Mixers, FullStrengthSourceAlphaCopy) {
    int failures = 0;
    for (int a = 0; a < 256; ++a) {
        for (int d = 0; d < 256; ++d) {
            const GFX_Color32 before = Argb(d, d, 255 - d, (d * 7) & 255);
            const int r = (a * 5) & 255, g = 255 - a, b = a ^ 0x99;
            GFX_Color32 px = before;
            GFX_MixCopyWithAlphaFull(&px, r, g, b, a);
            GFX_Color32 expect = before;
            if (a == 255) {
                expect = Argb(255, r, g, b);
            } else if (a > 0) {
                const int W = a + 1;
                expect = Argb(C(T((ChannelOf(before, 3) * (256.0 - W) + W * W) / 256.0)),
                              RefCopy(r, ChannelOf(before, 2), W), RefCopy(g, ChannelOf(before, 1), W),
                              RefCopy(b, ChannelOf(before, 0), W));
            }
            if (px != expect && ++failures <= 5)
                ADD_FAILURE() << std::hex << "a=" << a << " d=" << d << " got " << px << " expected " << expect;
        }
    }
    EXPECT_EQ(failures, 0);
    // The documented difference from the general path: 254 over a transparent pixel stays 254.
    GFX_Color32 px = 0;
    GFX_MixCopyWithAlphaFull(&px, 0, 0, 0, 254);
    EXPECT_EQ(px >> 24, 254u);
}

TEST(Mixers, WorkedExamplesAtFullStrength) {
    auto one = [](Mixer mix, int s, int d) {
        GFX_Color32 px = Argb(0, d, 0, 0);
        mix(&px, s, 0, 0, 0, 256);
        return ChannelOf(px, 2);
    };
    EXPECT_EQ(one(GFX_MixAdd, 100, 200), 255);
    EXPECT_EQ(one(GFX_MixDodge, 128, 100), 200);
    EXPECT_EQ(one(GFX_MixDodge, 255, 100), 255);
    EXPECT_EQ(one(GFX_MixDodge, 200, 0), 0);
    EXPECT_EQ(one(GFX_MixMultiply, 128, 200), 100);
    EXPECT_EQ(one(GFX_MixMultiply, 255, 255), 254);
    EXPECT_EQ(one(GFX_MixSoftLight, 0, 128), 64);
    EXPECT_EQ(one(GFX_MixSoftLight, 255, 128), 191);
    EXPECT_EQ(one(GFX_MixSoftLight, 128, 128), 128);
    GFX_Color32 px = Argb(0, 100, 0, 0);
    GFX_MixSoftLight(&px, 0, 0, 0, 0, 1);
    EXPECT_EQ(ChannelOf(px, 2), 99);
}

TEST(Mixers, ExtremeWeightsClampInsteadOfOverflowing) {
    // Weights far outside the sane range are limited; results stay clamped bytes.
    for (int w : {INT32_MAX, INT32_MIN, 1 << 20, -(1 << 20)}) {
        for (Mixer mix : {GFX_MixCopy, GFX_MixAdd, GFX_MixDodge, GFX_MixMultiply, GFX_MixSoftLight, GFX_MixHsvShift,
                          GFX_MixCopyWithAlpha, GFX_MixAddWithAlpha}) {
            GFX_Color32 px = 0x80808080u;
            mix(&px, 255, 0, 77, 200, w);
            mix(&px, 3, 250, 128, 255, w);
        }
    }
    GFX_Color32 px = Argb(10, 100, 100, 100);
    GFX_MixAdd(&px, 255, 255, 255, 255, INT32_MAX);
    EXPECT_EQ(px, 0xFFFFFFFFu);
    GFX_MixAdd(&px, 255, 255, 255, 255, INT32_MIN);
    EXPECT_EQ(px, 0u);
}

TEST(PixelWord, PutClampedClampsEachChannelIntoItsByte) {
    GFX_Color32 px = 0x12345678u;
    GFX_PutClamped(&px, 300, -5, 17, 255);
    EXPECT_EQ(px, Argb(255, 255, 0, 17));
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(&px);
    EXPECT_EQ(bytes[0], 17);  // blue first in memory
    EXPECT_EQ(bytes[2], 255); // red third
    GFX_PutClamped(nullptr, 1, 2, 3, 4);  // no pixel, no effect
}

TEST(HueWheel, InverseTableEntries) {
    EXPECT_EQ(GFX_InverseTable[0], 0);
    for (int n = 1; n < 256; ++n) EXPECT_EQ(GFX_InverseTable[n], 65536 / n - 1) << n;
    EXPECT_EQ(GFX_InverseTable[1], 65535);
    EXPECT_EQ(GFX_InverseTable[3], 21844);
    EXPECT_EQ(GFX_InverseTable[255], 256);
}

TEST(HueWheel, ConversionTiesAndTruncation) {
    int h, s, v;
    GFX_RgbToHsv(90, 90, 90, &h, &s, &v);  // grey: hue 256, saturation 0
    EXPECT_EQ(h, 256); EXPECT_EQ(s, 0); EXPECT_EQ(v, 90);
    GFX_RgbToHsv(255, 0, 0, &h, &s, &v);
    EXPECT_EQ(h, 0); EXPECT_EQ(s, 255); EXPECT_EQ(v, 255);
    GFX_RgbToHsv(0, 255, 0, &h, &s, &v);
    EXPECT_EQ(h, 128);
    GFX_RgbToHsv(0, 0, 255, &h, &s, &v);
    EXPECT_EQ(h, 256);
    // Red with a little blue: base 383 and a negative numerator truncated toward zero
    // (−10 × 257 / 1024 = −2.5 → −2).
    GFX_RgbToHsv(255, 0, 10, &h, &s, &v);
    EXPECT_EQ(h, 381);
    // Blue above red above green: case "G > R" fails, R > B fails -> blue, min = green.
    GFX_RgbToHsv(100, 50, 200, &h, &s, &v);
    EXPECT_EQ(h, 256 + (50 * (GFX_InverseTable[150] + 1)) / 1024);
    EXPECT_EQ(s, 150 * GFX_InverseTable[200] / 256);
    // Green highest, blue below red: numerator negative.
    GFX_RgbToHsv(100, 200, 40, &h, &s, &v);
    EXPECT_EQ(h, 128 + (-60 * (GFX_InverseTable[160] + 1)) / 1024);
}

TEST(HueWheel, PackRoundTripIsCloseButNotExact) {
    int h, s, v;
    GFX_RgbToHsv(10, 200, 30, &h, &s, &v);
    EXPECT_EQ(GFX_PackHsv(h, s, v, 0x40), Argb(0x40, 11, 200, 29));
    EXPECT_EQ(GFX_PackHsv(0, 255, 255, 255), 0xFFFF0000u);  // pure red
    EXPECT_EQ(GFX_PackHsv(128, 255, 255, 0), 0x0000FF00u);
    EXPECT_EQ(GFX_PackHsv(256, 255, 255, 0), 0x000000FFu);
    EXPECT_EQ(GFX_PackHsv(77, 0, 200, 1), Argb(1, 200, 200, 200));  // no saturation: grey
    // Each sixth uses its own channel order.
    EXPECT_EQ(GFX_PackHsv(32, 255, 255, 0), Argb(0, 255, 255 * (16384 - 32 * 255) / 16384, 0));
    EXPECT_EQ(GFX_PackHsv(352, 255, 255, 0), Argb(0, 255, 0, 255 * (16384 - 32 * 255) / 16384));
}

TEST(HueWheel, ShiftExamples) {
    GFX_Color32 px = 0xFFFF0000u;
    GFX_MixHsvShift(&px, 128, 128, 128, 200, 256);
    EXPECT_EQ(px, Argb(200, 255, 0, 0));
    px = 0xFFFF0000u;
    GFX_MixHsvShift(&px, 255, 128, 128, 255, 256);
    EXPECT_EQ(px, Argb(255, 0, 255, 247));
    // Red 0 turns the hue back by half the wheel: red becomes cyan-ish (hue 192).
    px = 0xFFFF0000u;
    GFX_MixHsvShift(&px, 0, 128, 128, 9, 256);
    EXPECT_EQ(px, GFX_PackHsv(192, 255, 255, 9));
    // Saturation and value shifts clamp.
    px = 0xFF808080u;
    GFX_MixHsvShift(&px, 128, 0, 255, 1, 256);
    EXPECT_EQ(px, GFX_PackHsv(256, 0, 255, 1));
    // The neutral source leaves every colour's conversion pair alone.
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 51) {
                int h, s, v;
                GFX_RgbToHsv(r, g, b, &h, &s, &v);
                GFX_Color32 p = Argb(3, r, g, b);
                GFX_MixHsvShift(&p, 128, 128, 128, 77, 256);
                ASSERT_EQ(p, GFX_PackHsv(h, s, v, 77)) << r << "," << g << "," << b;
            }
}
