// The scaled blit against its plain per-pixel reference on seeded random sources, sizes,
// positions (negative and clipped), steps, modes and strengths, on both row orders and with
// padded rows. Every case must give identical pixels and leave every guard word alone.
#include "scaled_canvas.h"
#include "scaled_reference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>

namespace scaled_test {
namespace {

struct Case {
    int dstWidth, dstHeight, srcWidth, srcHeight;
    bool dstBottomUp, srcBottomUp;
    int dstPitch, srcPitch;
    int dstX, dstY, dstW, dstH;
    float srcX, srcY, srcW, srcH, alpha;
    GFX_CombineMode mode;

    std::string Describe() const {
        char buf[512];
        std::snprintf(buf, sizeof buf,
                      "dst %dx%d%s pitch %d, src %dx%d%s pitch %d, dst rect (%d, %d, %d, %d), "
                      "src rect (%.9g, %.9g, %.9g, %.9g), alpha %.9g, mode 0x%X",
                      dstWidth, dstHeight, dstBottomUp ? " bottom-up" : "", dstPitch, srcWidth, srcHeight,
                      srcBottomUp ? " bottom-up" : "", srcPitch, dstX, dstY, dstW, dstH, srcX, srcY, srcW, srcH,
                      alpha, mode);
        return buf;
    }
};

enum class Target { kNearest, kBilinear, kShrink };

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    float Real(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng_); }
    bool Chance(int percent) { return Int(0, 99) < percent; }
    std::mt19937 &Rng() { return rng_; }

    // A source coordinate for a source `extent` pixels long: mostly fractional and inside,
    // sometimes whole or within a hair of whole, sometimes outside.
    float Coordinate(int extent) {
        switch (Int(0, 7)) {
        case 0: return static_cast<float>(Int(-2, extent));
        case 1: return static_cast<float>(Int(-2, extent)) + Real(-0.04f, 0.04f);
        case 2: return Real(-4.0f, static_cast<float>(extent) + 3.0f);
        default: return Real(-1.5f, static_cast<float>(extent));
        }
    }

    float Step(Target target, bool other_axis_small) {
        switch (target) {
        case Target::kShrink: return Real(1.7f, 6.5f);
        case Target::kBilinear:
            if (other_axis_small) return Real(0.05f, 6.0f);
            return Chance(50) ? Real(0.05f, 1.0f) : Real(1.0f, 1.69f);
        case Target::kNearest:
        default:
            switch (Int(0, 3)) {
            case 0: return Real(0.05f, 1.0f);
            case 1: return Real(1.0f, 1.7f);
            case 2: return Real(1.7f, 6.0f);
            default: return 1.0f;
            }
        }
    }

    float Alpha() {
        static const float kAlphas[] = {1.0f, 1.0f, 0.5f, 0.5f, 0.75f, 0.25f, -0.5f, 1.5f, 0.0f, 0.004f};
        if (Chance(25)) return Real(-1.5f, 1.9f);
        return kAlphas[Int(0, 9)];
    }

    GFX_CombineMode Mode(Target target) {
        static const GFX_CombineMode kOps[] = {0, 0, 0, 1, 2, 3, 4, 5, 6, 0xF9};
        GFX_CombineMode op = kOps[Int(0, 9)];
        if (Chance(40)) op |= GFX_COMBINE_SOURCE_ALPHA;
        if (target == Target::kNearest) {
            static const GFX_CombineMode kFilters[] = {0, 0, 0, 0x200, 0xFF00};
            op |= kFilters[Int(0, 4)];
        } else {
            op |= GFX_COMBINE_FILTERED;
        }
        return op;
    }

    Case Make(Target target) {
        Case c;
        c.dstWidth = Int(1, 14);
        c.dstHeight = Int(1, 14);
        c.srcWidth = Int(1, 12);
        c.srcHeight = Int(1, 12);
        c.dstBottomUp = Chance(30);
        c.srcBottomUp = Chance(30);
        c.dstPitch = c.dstWidth + (Chance(30) ? Int(1, 3) : 0);
        c.srcPitch = c.srcWidth + (Chance(30) ? Int(1, 3) : 0);
        c.dstW = Int(1, 24);
        c.dstH = Int(1, 24);
        c.dstX = Chance(80) ? Int(-3, c.dstWidth - 1) : Int(-30, 30);
        c.dstY = Chance(80) ? Int(-3, c.dstHeight - 1) : Int(-30, 30);
        c.srcX = Coordinate(c.srcWidth);
        c.srcY = Coordinate(c.srcHeight);
        bool small_x = Chance(50);
        float stepX = Step(target, false);
        float stepY = Step(target, target == Target::kBilinear && small_x && stepX < 1.7f);
        if (target == Target::kBilinear && stepX >= 1.7f && stepY >= 1.7f) stepY = Real(0.05f, 1.69f);
        c.srcW = stepX * static_cast<float>(c.dstW);
        c.srcH = stepY * static_cast<float>(c.dstH);
        // Same-size cases (one axis or both), now and then a hair off.
        const bool both = target != Target::kShrink && Chance(12);
        if (both || Chance(10)) c.srcW = static_cast<float>(c.dstW) + (Chance(50) ? 0.0f : Real(-0.0009f, 0.0009f));
        if (both || Chance(10)) c.srcH = static_cast<float>(c.dstH) + (Chance(50) ? 0.0f : Real(-0.0009f, 0.0009f));
        if (both && Chance(50)) {  // near whole pixels: filtered blits snap within 0.03
            c.srcX = std::round(c.srcX) + Real(-0.04f, 0.04f);
            c.srcY = std::round(c.srcY) + Real(-0.04f, 0.04f);
        }
        // Negative sizes: either side or both.
        if (Chance(10)) c.dstW = -c.dstW;
        if (Chance(10)) c.dstH = -c.dstH;
        if (Chance(10)) c.srcW = -c.srcW;
        if (Chance(10)) c.srcH = -c.srcH;
        c.alpha = Alpha();
        c.mode = Mode(target);
        // The plain copies at full and half strength have their own word-at-a-time paths.
        if (target == Target::kNearest && Chance(25)) {
            c.mode = 0;
            c.alpha = Chance(50) ? 1.0f : 0.5f;
        }
        return c;
    }

private:
    std::mt19937 rng_;
};

// Runs one case on the library and on the reference; returns the reference's path, and
// whether both agreed (pixels and guards).
ScalePath RunCase(const Case &c, std::mt19937 &rng, bool *same, std::string *why) {
    Canvas src(c.srcWidth, c.srcHeight, c.srcBottomUp, c.srcPitch);
    src.Randomise(rng);
    // Some sources with many transparent or opaque pixels, for the source-alpha skips.
    if (rng() % 4 == 0) {
        for (int y = 0; y < c.srcHeight; ++y)
            for (int x = 0; x < c.srcWidth; ++x) {
                GFX_Color32 &p = src.At(x, y);
                int pick = static_cast<int>(rng() % 3);
                if (pick == 0) p &= 0x00FFFFFFu;
                if (pick == 1) p |= 0xFF000000u;
            }
    }
    Canvas lib(c.dstWidth, c.dstHeight, c.dstBottomUp, c.dstPitch);
    lib.Randomise(rng);
    Canvas ref(c.dstWidth, c.dstHeight, c.dstBottomUp, c.dstPitch);
    ref.CopyImage(lib);

    GFX_DrawBitmapScaled(&lib, &src, c.dstX, c.dstY, c.dstW, c.dstH, c.srcX, c.srcY, c.srcW, c.srcH, c.alpha, c.mode);
    ScalePath path =
        ReferenceScaled(ref, src, c.dstX, c.dstY, c.dstW, c.dstH, c.srcX, c.srcY, c.srcW, c.srcH, c.alpha, c.mode);

    *same = true;
    if (!lib.GuardsIntact()) {
        *same = false;
        *why = "guard words overwritten";
        return path;
    }
    for (int y = 0; y < c.dstHeight; ++y)
        for (int x = 0; x < c.dstWidth; ++x)
            if (lib.At(x, y) != ref.At(x, y)) {
                char buf[128];
                std::snprintf(buf, sizeof buf, "pixel (%d, %d): library %08X, reference %08X", x, y, lib.At(x, y),
                              ref.At(x, y));
                *same = false;
                *why = buf;
                return path;
            }
    return path;
}

// Draws cases aimed at one kernel until the reference has drawn `wanted` of them through it.
void RunTarget(Target target, uint32_t seed, int wanted, ScalePath kernel, std::map<ScalePath, int> *counts) {
    Generator gen(seed);
    int failures = 0;
    int hits = 0;
    for (int n = 0; n < wanted * 12 && hits < wanted; ++n) {
        Case c = gen.Make(target);
        bool same = false;
        std::string why;
        ScalePath path = RunCase(c, gen.Rng(), &same, &why);
        ++(*counts)[path];
        if (path == kernel) ++hits;
        if (!same && ++failures <= 5) ADD_FAILURE() << "case " << n << ": " << c.Describe() << ": " << why;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_GE(hits, wanted) << "too few cases reached the kernel";
}

constexpr int kCasesPerKernel = 10000;

TEST(ScaledRandom, NearestKernelAndWordCopiesMatchReference) {
    std::map<ScalePath, int> counts;
    RunTarget(Target::kNearest, 0x5CA1ED01u, kCasesPerKernel, ScalePath::kNearest, &counts);
    EXPECT_GE(counts[ScalePath::kWordCopy], 1000);
    EXPECT_GE(counts[ScalePath::kWordHalf], 1000);
    EXPECT_GE(counts[ScalePath::kSameSize], 500);
}

TEST(ScaledRandom, BilinearKernelMatchesReference) {
    std::map<ScalePath, int> counts;
    RunTarget(Target::kBilinear, 0x5CA1ED02u, kCasesPerKernel, ScalePath::kBilinear, &counts);
    EXPECT_GE(counts[ScalePath::kSameSize], 300);
}

TEST(ScaledRandom, ShrinkKernelMatchesReference) {
    std::map<ScalePath, int> counts;
    RunTarget(Target::kShrink, 0x5CA1ED03u, kCasesPerKernel, ScalePath::kShrink, &counts);
}

}  // namespace
}  // namespace scaled_test
