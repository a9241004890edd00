// The nearest-pixel gather of the scaled blit in AVX2. Not part of the public interface.
#pragma once

#include "gfx/gfx.h"

#include <cstdint>

namespace gfx_internal {

// out[k] = s[(x + k × dx) >> 16] for whole groups of eight k in [0, n), the positions taken as
// 32-bit unsigned values that the caller guarantees never wrap; s[0 .. readable) may be read.
// Only for steps up to two words (dx ≤ 131072), where eight samples lie within sixteen
// neighbouring words: one or two loads and permutations per eight. Returns how many it wrote
// (none for larger steps); the caller gathers the rest. Only where AVX2 runs.
int GatherRowAvx2(GFX_Color32 *out, const GFX_Color32 *s, int readable, uint32_t x, uint32_t dx, int n);

}  // namespace gfx_internal
