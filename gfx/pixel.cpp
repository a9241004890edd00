// The shared pixel arithmetic behind every drawing operation, as callable functions. The kernels
// themselves use the inline forms in blend_internal.h; these exist for callers outside the
// library and for per-pixel code that is not speed-critical.
#include "gfx/blend_internal.h"

namespace {

constexpr uint16_t InverseEntry(int n) { return n == 0 ? 0 : static_cast<uint16_t>(65536 / n - 1); }

}  // namespace

#define QLV_INV8(b) InverseEntry(b), InverseEntry(b + 1), InverseEntry(b + 2), InverseEntry(b + 3), \
    InverseEntry(b + 4), InverseEntry(b + 5), InverseEntry(b + 6), InverseEntry(b + 7)
#define QLV_INV64(b) QLV_INV8(b), QLV_INV8(b + 8), QLV_INV8(b + 16), QLV_INV8(b + 24), QLV_INV8(b + 32), \
    QLV_INV8(b + 40), QLV_INV8(b + 48), QLV_INV8(b + 56)

const uint16_t GFX_InverseTable[256] = {QLV_INV64(0), QLV_INV64(64), QLV_INV64(128), QLV_INV64(192)};

#undef QLV_INV64
#undef QLV_INV8

using namespace gfx_internal;

void GFX_PutClamped(GFX_Color32 *pixel, int red, int green, int blue, int alpha) {
    if (pixel) *pixel = PackClamped(red, green, blue, alpha);
}

GFX_Color32 GFX_PackHsv(int hue, int saturation, int value, int alpha) { return PackHsv(hue, saturation, value, alpha); }

void GFX_RgbToHsv(int red, int green, int blue, int *hue, int *saturation, int *value) {
    Hsv x = RgbToHsv(Clamp255(red), Clamp255(green), Clamp255(blue));
    if (hue) *hue = x.h;
    if (saturation) *saturation = x.s;
    if (value) *value = x.v;
}

namespace {
// Callers may pass any int; weights are kept inside the range the formulas are safe for.
int SafeWeight(int w) { return w > kWeightLimit ? kWeightLimit : (w < -kWeightLimit ? -kWeightLimit : w); }
}  // namespace

#define QLV_MIXER(Name, Inline)                                                                   \
    void Name(GFX_Color32 *pixel, int red, int green, int blue, int alpha, int weight) {          \
        if (!pixel) return;                                                                       \
        Inline(pixel, Clamp255(red), Clamp255(green), Clamp255(blue), Clamp255(alpha), SafeWeight(weight)); \
    }

QLV_MIXER(GFX_MixCopy, MixCopy)
QLV_MIXER(GFX_MixCopyWithAlpha, MixCopyWithAlpha)
QLV_MIXER(GFX_MixAdd, MixAdd)
QLV_MIXER(GFX_MixAddWithAlpha, MixAddWithAlpha)
QLV_MIXER(GFX_MixDodge, MixDodge)
QLV_MIXER(GFX_MixDodgeWithAlpha, MixDodgeWithAlpha)
QLV_MIXER(GFX_MixMultiply, MixMultiply)
QLV_MIXER(GFX_MixMultiplyWithAlpha, MixMultiplyWithAlpha)
QLV_MIXER(GFX_MixSoftLight, MixSoftLight)
QLV_MIXER(GFX_MixHsvShift, MixHsvShift)

#undef QLV_MIXER

void GFX_MixCopyWithAlphaFull(GFX_Color32 *pixel, int red, int green, int blue, int alpha) {
    if (!pixel) return;
    MixCopyWithAlphaFull(pixel, Clamp255(red), Clamp255(green), Clamp255(blue), Clamp255(alpha));
}
